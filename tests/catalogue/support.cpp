#include "support.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace varnel::hostile {
namespace {

std::string Failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

// The whole contents of an in-memory file, which is closed afterwards.
std::string Drain(int fd) {
  std::string bytes;
  char buffer[4096];
  ::lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
    bytes.append(buffer, static_cast<std::size_t>(n));
  ::close(fd);
  return bytes;
}

int Wait(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

std::map<std::string, std::string> TakeSnapshot(const fs::path& root) {
  std::map<std::string, std::string> picture;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    picture[entry.path().lexically_relative(root).string()] =
        entry.is_symlink()        ? "-> " + fs::read_symlink(entry.path()).string()
        : entry.is_directory()    ? "<folder>"
        : entry.is_regular_file() ? ReadBytes(entry.path())
                                  : "<special>";
  }
  return picture;
}

std::string InChild(const std::function<std::string()>& body) {
  const int report = ::memfd_create("report", MFD_CLOEXEC);
  const pid_t pid = report < 0 ? -1 : ::fork();
  if (pid < 0) return Failed("fork");
  if (pid == 0) {
    std::string text;
    try {
      text = body();
    } catch (const std::exception& error) {
      text = std::string("child threw: ") + error.what();
    }
    for (std::size_t done = 0; done < text.size();) {
      const ssize_t n = ::write(report, text.data() + done, text.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  const int status = Wait(pid);
  const std::string text = Drain(report);
  return status == 0 ? text : "child ended with " + std::to_string(status) + ": " + text;
}

std::string DropPrivileges() {
  if (::geteuid() != 0) return {};
  const passwd* nobody = ::getpwnam("nobody");
  const uid_t uid = nobody != nullptr ? nobody->pw_uid : 65534;
  const gid_t gid = nobody != nullptr ? nobody->pw_gid : 65534;
  if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
    return Failed("cannot become nobody");
  }
  return {};
}

ProgramRun RunProgram(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  // In-memory outputs: no folder needs to be writable, and no pipe can fill up.
  const int out = ::memfd_create("out", MFD_CLOEXEC);
  const int err = ::memfd_create("err", MFD_CLOEXEC);
  const pid_t pid = out < 0 || err < 0 ? -1 : ::fork();
  if (pid < 0) throw std::runtime_error(Failed("fork"));
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  const int status = Wait(pid);
  return {status, Drain(out), Drain(err)};
}

}  // namespace varnel::hostile
