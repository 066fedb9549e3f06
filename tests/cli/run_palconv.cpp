#include "run_palconv.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <system_error>

extern char** environ;

namespace palconv::test {
namespace {

[[noreturn]] void Fail(int error, const char* what) {
  throw std::system_error(error, std::generic_category(), what);
}

void Check(int rc, const char* what) {
  if (rc != 0) Fail(rc, what);  // posix_spawn* return the error number itself
}

void CheckSys(int rc, const char* what) {
  if (rc < 0) Fail(errno, what);
}

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Close(); }
  int get() const { return fd_; }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// The two ends of a pipe, closed on exec in the parent; dup2 gives the child its own.
struct Pipe {
  Pipe() {
    int fds[2];
    CheckSys(::pipe2(fds, O_CLOEXEC), "pipe2");
    read.Reset(fds[0]);
    write.Reset(fds[1]);
  }
  Fd read;
  Fd write;
};

class SpawnSetup {
 public:
  SpawnSetup() {
    Check(posix_spawn_file_actions_init(&actions_), "posix_spawn_file_actions_init");
    Check(posix_spawnattr_init(&attr_), "posix_spawnattr_init");
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attr_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
  posix_spawn_file_actions_t* actions() { return &actions_; }
  posix_spawnattr_t* attr() { return &attr_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attr_;
};

// Reads what is there; false at the end of the stream (a pseudo-terminal ends with EIO).
bool Drain(int fd, std::string& into) {
  std::array<char, 65536> buffer;
  const ssize_t n = ::read(fd, buffer.data(), buffer.size());
  if (n > 0) {
    into.append(buffer.data(), static_cast<std::size_t>(n));
    return true;
  }
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
  return false;
}

}  // namespace

Outcome RunPalconv(const std::filesystem::path& folder, const std::vector<std::string>& args,
                   std::string_view input, Stdout out) {
  // A child that stops reading its input early must not take the test down with it.
  static const bool kPipeSignalIgnored = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
  (void)kPipeSignalIgnored;

  Pipe in;
  Pipe err;
  Fd out_parent;
  Fd out_child;
  switch (out) {
    case Stdout::Pipe: {
      Pipe pipe;
      out_parent.Reset(::fcntl(pipe.read.get(), F_DUPFD_CLOEXEC, 0));
      out_child.Reset(::fcntl(pipe.write.get(), F_DUPFD_CLOEXEC, 0));
      break;
    }
    case Stdout::Terminal: {
      int master = -1;
      int slave = -1;
      CheckSys(::openpty(&master, &slave, nullptr, nullptr, nullptr), "openpty");
      out_parent.Reset(master);
      out_child.Reset(slave);
      CheckSys(::fcntl(master, F_SETFD, FD_CLOEXEC), "fcntl");
      CheckSys(::fcntl(slave, F_SETFD, FD_CLOEXEC), "fcntl");
      break;
    }
    case Stdout::Full:
      out_child.Reset(::open("/dev/full", O_WRONLY | O_CLOEXEC));
      break;
  }
  CheckSys(out_child.get(), "stdout for palconv");

  SpawnSetup setup;
  Check(posix_spawn_file_actions_adddup2(setup.actions(), in.read.get(), 0), "adddup2");
  Check(posix_spawn_file_actions_adddup2(setup.actions(), out_child.get(), 1), "adddup2");
  Check(posix_spawn_file_actions_adddup2(setup.actions(), err.write.get(), 2), "adddup2");
  Check(posix_spawn_file_actions_addchdir_np(setup.actions(), folder.c_str()), "addchdir");
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  Check(posix_spawnattr_setsigdefault(setup.attr(), &defaults), "setsigdefault");
  Check(posix_spawnattr_setflags(setup.attr(), POSIX_SPAWN_SETSIGDEF), "setflags");

  std::vector<std::string> strings{PALCONV_BINARY};
  strings.insert(strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  pid_t pid = 0;
  Check(posix_spawn(&pid, PALCONV_BINARY, setup.actions(), setup.attr(), argv.data(), environ),
        "posix_spawn");
  in.read.Close();
  out_child.Close();
  err.write.Close();

  Outcome outcome;
  CheckSys(::fcntl(in.write.get(), F_SETFL, O_NONBLOCK), "fcntl");
  if (input.empty()) in.write.Close();
  bool out_open = out_parent.get() >= 0;
  bool err_open = true;
  while (out_open || err_open || in.write.get() >= 0) {
    std::array<pollfd, 3> fds{{{in.write.get(), POLLOUT, 0},
                               {out_open ? out_parent.get() : -1, POLLIN, 0},
                               {err_open ? err.read.get() : -1, POLLIN, 0}}};
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      Fail(errno, "poll");
    }
    if (fds[0].revents != 0) {
      const ssize_t n = ::write(in.write.get(), input.data(), input.size());
      if (n > 0) input.remove_prefix(static_cast<std::size_t>(n));
      if ((n < 0 && errno != EAGAIN && errno != EINTR) || input.empty()) in.write.Close();
    }
    if (fds[1].revents != 0) out_open = Drain(out_parent.get(), outcome.out);
    if (fds[2].revents != 0) err_open = Drain(err.read.get(), outcome.err);
  }

  int wait_status = 0;
  while (::waitpid(pid, &wait_status, 0) < 0) {
    if (errno != EINTR) Fail(errno, "waitpid");
  }
  outcome.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  return outcome;
}

}  // namespace palconv::test
