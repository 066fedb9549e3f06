#include "support.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace varnel::hostile {

ScratchDir::ScratchDir() {
  std::string pattern = (fs::temp_directory_path() / "varnel-hostile-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp: " + std::string(std::strerror(errno)));
  }
  path_ = pattern;
  fs::permissions(path_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  // Tests take permissions away; give them back so that everything can be removed.
  for (auto it = fs::recursive_directory_iterator(path_, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
  fs::remove_all(path_, ec);
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

Snapshot TakeSnapshot(const fs::path& root) {
  Snapshot picture;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
       ++it) {
    const std::string name = it->path().lexically_relative(root).string();
    if (it->is_symlink()) {
      picture[name] = "-> " + fs::read_symlink(it->path()).string();
    } else if (it->is_directory()) {
      picture[name] = "<folder>";
    } else if (it->is_regular_file()) {
      picture[name] = ReadBytes(it->path());
    } else {
      picture[name] = "<special>";  // a pipe or a device: opening it could block
    }
  }
  return picture;
}

std::vector<std::string> TemporaryFilesUnder(const fs::path& root) {
  std::vector<std::string> found;
  for (const auto& [name, contents] : TakeSnapshot(root)) {
    const std::string leaf = fs::path(name).filename().string();
    if (leaf.starts_with(".varnel-") && leaf.ends_with(".tmp")) found.push_back(name);
  }
  return found;
}

std::string InChild(const std::function<std::string()>& body) {
  int channel[2];
  if (::pipe(channel) != 0) return "pipe: " + std::string(std::strerror(errno));
  const pid_t pid = ::fork();
  if (pid < 0) return "fork: " + std::string(std::strerror(errno));
  if (pid == 0) {
    ::close(channel[0]);
    std::string report;
    try {
      report = body();
    } catch (const std::exception& error) {
      report = std::string("child threw: ") + error.what();
    }
    for (std::string_view rest = report; !rest.empty();) {
      const ssize_t n = ::write(channel[1], rest.data(), rest.size());
      if (n <= 0) break;
      rest.remove_prefix(static_cast<std::size_t>(n));
    }
    ::_exit(0);
  }
  ::close(channel[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    report.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(channel[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status)) return "child died of signal " + std::to_string(WTERMSIG(status));
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "child failed";
  return report;
}

std::string DropPrivileges() {
  if (::geteuid() != 0) return {};
  const passwd* nobody = ::getpwnam("nobody");
  const uid_t uid = nobody != nullptr ? nobody->pw_uid : 65534;
  const gid_t gid = nobody != nullptr ? nobody->pw_gid : 65534;
  if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
    return "cannot become nobody: " + std::string(std::strerror(errno));
  }
  return {};
}

namespace {

// The whole contents of a descriptor's file, read from its start.
std::string ReadDescriptor(int fd) {
  std::string bytes;
  char buffer[4096];
  ::lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  // Outputs go to anonymous in-memory files: no folder needs to be writable, and a child
  // that writes a lot cannot block on a full pipe.
  const int out = ::memfd_create("program.out", MFD_CLOEXEC);
  const int err = ::memfd_create("program.err", MFD_CLOEXEC);
  if (out < 0 || err < 0)
    throw std::runtime_error("memfd_create: " + std::string(std::strerror(errno)));

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork: " + std::string(std::strerror(errno)));
  if (pid == 0) {
    const int in = ::open("/dev/null", O_RDONLY);
    if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  ProgramRun run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadDescriptor(out);
  run.err = ReadDescriptor(err);
  ::close(out);
  ::close(err);
  return run;
}

}  // namespace varnel::hostile
