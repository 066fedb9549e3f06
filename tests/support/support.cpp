#include "support.h"

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <pwd.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace varnel::test {

TempDir::TempDir() {
  std::string name = "/tmp/varnel-test-XXXXXX";
  if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  fs::permissions(path = name, fs::perms(0755));
}

TempDir::~TempDir() {
  std::error_code ec;  // first gives back what a test took from the folders
  for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::end(it);
       it.increment(ec))
    if (it->is_directory(ec) && !it->is_symlink(ec)) fs::permissions(*it, fs::perms::all, ec);
  fs::remove_all(path, ec);
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  fs::create_directories(path.parent_path());
  if (!std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size())))
    throw std::runtime_error("cannot write " + path.string());
}

fs::path TestFile(const fs::path& name) { return VARNEL_TESTS_DIR / name; }

std::string Entry(fs::perms mode, std::string_view bytes) {
  return std::to_string(int(mode)) + " " + std::to_string(bytes.size()) + " bytes #" +
         std::to_string(std::hash<std::string_view>()(bytes));
}

std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> picture;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const fs::file_status status = entry.symlink_status();
    const std::string mode = std::to_string(int(status.permissions()));
    picture[entry.path().lexically_relative(root)] =
        fs::is_symlink(status)        ? mode + " -> " + fs::read_symlink(entry).string()
        : fs::is_directory(status)    ? mode + " folder"
        : fs::is_regular_file(status) ? Entry(status.permissions(), ReadBytes(entry))
                                      : mode + " special";
  }
  return picture;
}

// Everything a file holds from its start, or a terminal gives until its other end closes.
static std::string Drain(int fd) {
  std::string bytes;
  char buffer[4096];
  ::lseek(fd, 0, SEEK_SET);
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, size_t(n));
  ::close(fd);
  return bytes;
}

Outcome Fork(const std::function<std::string()>& body, std::string_view in, Stdout out) {
  // In-memory files: no folder needs to be writable, and no pipe can fill up.
  const int input = ::memfd_create("in", MFD_CLOEXEC), err = ::memfd_create("err", MFD_CLOEXEC);
  int terminal = -1, output = out == Stdout::Full ? ::open("/dev/full", O_WRONLY | O_CLOEXEC)
                                                  : ::memfd_create("out", MFD_CLOEXEC);
  if (out == Stdout::Terminal) ::close(output);
  if ((out == Stdout::Terminal && ::openpty(&terminal, &output, nullptr, nullptr, nullptr) != 0) ||
      ::write(input, in.data(), in.size()) != ssize_t(in.size()) || ::lseek(input, 0, SEEK_SET))
    throw std::runtime_error("cannot set up a child's streams");
  const pid_t pid = ::fork();
  if (pid == 0) {
    std::string text = "cannot set up the streams";
    try {
      if (::dup2(input, 0) == 0 && ::dup2(output, 1) == 1 && ::dup2(err, 2) == 2) text = body();
    } catch (const std::exception& error) {
      text = std::string("the child threw: ") + error.what();
    }
    ::_exit(::write(1, text.data(), text.size()) == ssize_t(text.size()) ? 0 : 125);
  }
  Outcome outcome;
  if (terminal >= 0) {  // a terminal holds little: read it while the child writes
    ::close(output);
    outcome.out = Drain(terminal);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (out == Stdout::Collect) outcome.out = Drain(output);
  if (out == Stdout::Full) ::close(output);
  outcome.err = Drain(err);
  ::close(input);
  return outcome;
}

Outcome Spawn(const std::vector<std::string>& argv, std::string_view in, Stdout out,
              const fs::path& folder) {
  return Fork(
      [&]() -> std::string {
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        if (folder.empty() || ::chdir(folder.c_str()) == 0) ::execv(args[0], args.data());
        ::_exit(127);
      },
      in, out);
}

bool DropPrivileges() {
  const passwd* nobody = ::getpwnam("nobody");
  return ::geteuid() != 0 || (nobody != nullptr && ::setgroups(0, nullptr) == 0 &&
                              ::setgid(nobody->pw_gid) == 0 && ::setuid(nobody->pw_uid) == 0);
}

fs::path PalconvIn(const fs::path& folder) {
  fs::copy_file(VARNEL_PALCONV, folder / "palconv", fs::copy_options::overwrite_existing);
  return folder / "palconv";
}

}  // namespace varnel::test
