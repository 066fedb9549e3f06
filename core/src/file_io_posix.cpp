// File access for POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "varnel/file_error.h"
#include "varnel/file_io.h"

namespace varnel {
namespace {

constexpr char kFolderReason[] = "Is a folder, not a file";
constexpr char kForeignLinkReason[] =
    "Not followed: a symbolic link of another user in a sticky folder anyone may write to";

[[noreturn]] void Fail(const std::filesystem::path& path, int error, FileOperation operation) {
  throw FileError(path, std::strerror(error), operation);
}

// Closes the descriptor on every path out.
class Fd {
 public:
  explicit Fd(int fd) noexcept : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd& operator=(Fd&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const noexcept { return fd_; }
  // Closes now and reports the error close() gave, 0 if none.
  int Close() noexcept {
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

// Holds back the signals that end a program from a terminal or a session (Ctrl-C, kill,
// hang-up) while it lives; one that came meanwhile is delivered as it goes.
class SignalsHeld {
 public:
  SignalsHeld() noexcept {
    sigset_t held;
    sigemptyset(&held);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&held, signal);
    ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
  }
  ~SignalsHeld() { ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t previous_;
};

bool WriteAll(int fd, std::string_view bytes) noexcept {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Temporary files are named ".varnel-XXXXXX.tmp", six letters or digits in place of the Xs.
constexpr std::string_view kTemporaryStart = ".varnel-", kTemporaryEnd = ".tmp";
constexpr std::size_t kTemporaryLetters = 6;
constexpr std::string_view kLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool IsTemporaryName(std::string_view name) noexcept {
  if (name.size() != kTemporaryStart.size() + kTemporaryLetters + kTemporaryEnd.size() ||
      !name.starts_with(kTemporaryStart) || !name.ends_with(kTemporaryEnd))
    return false;
  const std::string_view letters = name.substr(kTemporaryStart.size(), kTemporaryLetters);
  return letters.find_first_not_of(kLetters) == std::string_view::npos;
}

// Creates a new, empty file with a fresh name in `folder`, open to its owner only;
// returns its descriptor.
int CreateTemporary(const std::filesystem::path& folder, std::filesystem::path& name) {
  std::string pattern = (folder / ".varnel-XXXXXX.tmp").native();
  const int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
  name = std::move(pattern);
  return fd;
}

// Gives the unnamed file `fd` the name `path`, which must not exist; 0 or the reason.
int LinkUnnamed(int fd, const std::filesystem::path& path) noexcept {
  // By its descriptor where the system lets the file's opener do that (newer Linux; older
  // ones only with CAP_DAC_READ_SEARCH), else through /proc, slower but open to all.
#ifdef AT_EMPTY_PATH
  if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return 0;
  if (errno != ENOENT) return errno;
#endif
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                           : errno;
}

// Links the unnamed file `fd` into `folder` under a fresh temporary name, which it returns
// in `name`; 0 or the reason.
int LinkTemporary(int fd, const std::filesystem::path& folder, std::filesystem::path& name) {
  thread_local std::minstd_rand random(static_cast<unsigned>(::getpid()) ^
                                       static_cast<unsigned>(std::random_device{}()));
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    std::string file(kTemporaryStart);
    for (std::size_t i = 0; i < kTemporaryLetters; ++i) file += kLetters[random() % kLetters.size()];
    name = folder / (file += kTemporaryEnd);
    error = LinkUnnamed(fd, name);
  }
  return error;
}

// A kill (SIGKILL, a power cut) between linking a temporary file and renaming it over its
// target leaves the temporary behind. The first write in a folder removes such leftovers: our
// name, a regular file of the same user, not changed for a minute (a write under way is
// never that slow).
void RemoveLeftovers(const std::filesystem::path& folder) {
  static std::mutex mutex;
  static std::set<std::filesystem::path> cleared;
  {
    const std::lock_guard lock(mutex);
    if (!cleared.insert(folder).second) return;
  }
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsTemporaryName(entry->d_name)) continue;
    struct stat st {};
    if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode) && st.st_uid == ::geteuid() && st.st_mtime < now - 60)
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

// Whether a write may follow the symbolic link `link`, whose lstat is `st`. Not when another
// user put it in a sticky folder anyone may write to (as /tmp), unless that user owns the
// folder: such a link could aim the write of root, or of anyone, at a file of its maker's
// choosing. The kernel applies the same rule where fs.protected_symlinks is on.
bool MayFollow(const std::filesystem::path& link, const struct stat& st) {
  if (st.st_uid == ::geteuid()) return true;
  const std::filesystem::path folder = link.parent_path();
  struct stat shared {};
  if (::stat(folder.empty() ? "." : folder.c_str(), &shared) != 0) return false;
  constexpr mode_t kOpenSticky = S_ISVTX | S_IWOTH;
  return (shared.st_mode & kOpenSticky) != kOpenSticky || shared.st_uid == st.st_uid;
}

// Follows the chain of symbolic links that starts at `path`, whose lstat `st` holds, link by
// link. Returns true with `target` and `st` set to the file it ends at, false when it leads
// nowhere. Throws FileError naming `path` for a link that may not be followed or a loop.
bool FollowLinks(const std::filesystem::path& path, std::filesystem::path& target,
                 struct stat& st) {
  constexpr int kMostLinks = 40;  // as the kernel follows
  target = path;
  for (int links = 0; S_ISLNK(st.st_mode); ++links) {
    if (links == kMostLinks) Fail(path, ELOOP, FileOperation::Write);
    if (!MayFollow(target, st)) throw FileError(path, kForeignLinkReason, FileOperation::Write);
    std::error_code error;
    const std::filesystem::path to = std::filesystem::read_symlink(target, error);
    if (error) Fail(path, error.value(), FileOperation::Write);
    // A relative link counts from its own folder; the system resolves the rest on every use.
    target = to.is_absolute() ? to : target.parent_path() / to;
    if (::lstat(target.c_str(), &st) != 0) return false;
  }
  return true;
}

// An unnamed file in `folder` (O_TMPFILE) open for writing, with what the umask leaves of
// 0666 as any new file; -1 where the system or the file system cannot make one.
int OpenUnnamed(const std::filesystem::path& folder) noexcept {
#ifdef O_TMPFILE
  return ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
  (void)folder;
  return -1;
#endif
}

// Writes a file that does not exist yet as an unnamed file in its folder (O_TMPFILE) and
// gives it its name only once complete: a signal or a crash leaves nothing behind, and there
// is no rename. Returns false, with nothing written or left, where the system or the file
// system cannot do it or `path` has appeared meanwhile (linking never replaces a file).
// Throws FileError naming `path` when the bytes cannot be written.
bool WriteUnnamed(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path folder = path.parent_path();
  Fd fd(OpenUnnamed(folder.empty() ? "." : folder));
  if (fd.get() < 0) return false;
  if (!WriteAll(fd.get(), bytes)) Fail(path, errno, FileOperation::Write);
  if (LinkUnnamed(fd.get(), path) != 0) return false;
  if (const int error = fd.Close(); error != 0) {
    ::unlink(path.c_str());
    Fail(path, error, FileOperation::Write);
  }
  return true;
}

void ReadChunks(int fd, const std::filesystem::path& name,
                const std::function<bool(std::string_view)>& sink) {
  std::array<char, 64 * 1024> buffer;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      // A folder opens like a file; reading it is what fails.
      if (errno == EISDIR) throw FileError(name, kFolderReason, FileOperation::Read);
      Fail(name, errno, FileOperation::Read);
    }
    if (n == 0 || !sink(std::string_view(buffer.data(), static_cast<std::size_t>(n)))) return;
  }
}

}  // namespace

void ReadFileChunks(const std::filesystem::path& path,
                    const std::function<bool(std::string_view)>& sink) {
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) Fail(path, errno, FileOperation::Read);
  ReadChunks(fd.get(), path, sink);
}

void ReadStandardInputChunks(const std::function<bool(std::string_view)>& sink) {
  ReadChunks(STDIN_FILENO, kStandardInput, sink);
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         const std::function<void()>& beforeReplacing) {
  // A batch tends to make only new files or to replace only old ones. A new file is made
  // fastest without a look first (the look costs a tenth of the whole write on tmpfs), a
  // replacement without the attempt of an unnamed file; so each write goes the way the one
  // before it turned out. Either way is safe: linking never replaces a file.
  static std::atomic<bool> lastWasNew{true};
  const std::filesystem::path namedFolder = path.parent_path();
  RemoveLeftovers(namedFolder.empty() ? "." : namedFolder);
  struct stat old {};
  bool taken = !lastWasNew.load(std::memory_order_relaxed) && ::lstat(path.c_str(), &old) == 0;
  if (!taken) {
    if (WriteUnnamed(path, bytes)) {
      lastWasNew.store(true, std::memory_order_relaxed);
      return;
    }
    taken = ::lstat(path.c_str(), &old) == 0;  // it exists, or the unnamed way is refused
  }
  lastWasNew.store(!taken, std::memory_order_relaxed);
  if (taken && beforeReplacing) beforeReplacing();
  std::filesystem::path target = path;
  // Write through a symbolic link to the file it names rather than replace the link; a link
  // that leads nowhere is replaced.
  bool replacing = taken && (!S_ISLNK(old.st_mode) || FollowLinks(path, target, old));
  if (!replacing) target = path;
  if (replacing && S_ISDIR(old.st_mode)) throw FileError(path, kFolderReason, FileOperation::Write);
  // A pipe or a device can only be written into: renaming over it would put a plain file
  // in its place (as root, even over /dev/null).
  if (replacing && !S_ISREG(old.st_mode)) {
    Fd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.get() < 0) Fail(path, errno, FileOperation::Write);
    int error = WriteAll(fd.get(), bytes) ? 0 : errno;
    if (const int closed = fd.Close(); error == 0) error = closed;
    if (error != 0) Fail(path, error, FileOperation::Write);
    return;
  }

  // The user must be allowed to change the file, not only the folder it is in.
  if (replacing && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
    Fail(path, errno, FileOperation::Write);

  std::filesystem::path folder = target.parent_path();
  if (folder.empty()) folder = ".";
  RemoveLeftovers(folder);
  // The new contents are written unnamed where the system can, and get their temporary name
  // only to be renamed at once; else the temporary file is named from the start. Ctrl-C and
  // its kind wait while a temporary file has a name.
  std::optional<SignalsHeld> held;
  std::filesystem::path temporary;
  Fd fd(OpenUnnamed(folder));
  if (fd.get() < 0) {
    held.emplace();
    fd = Fd(CreateTemporary(folder, temporary));
    if (fd.get() < 0) Fail(path, errno, FileOperation::Write);
  }

  // A replacement keeps the owner where the system allows and the permission bits, never
  // set-user-ID, set-group-ID or sticky; a new file gets what the umask leaves of 0666.
  mode_t mode = old.st_mode & 0777;
  if (replacing) {
    (void)!::fchown(fd.get(), old.st_uid, old.st_gid);
  } else {
    // The mask can only be read by setting it; read once, it costs a batch nothing more.
    static const mode_t mask = [] {
      const mode_t oldMask = ::umask(0);
      ::umask(oldMask);
      return oldMask;
    }();
    mode = 0666 & ~mask;
  }
  int error = ::fchmod(fd.get(), mode) == 0 ? 0 : errno;
  if (error == 0 && !WriteAll(fd.get(), bytes)) error = errno;
  // A replacement reaches the disk before it takes the old file's place, so that a power
  // cut cannot leave an empty file behind.
  if (error == 0 && replacing && ::fsync(fd.get()) != 0) error = errno;
  bool renamed = false;
  if (error == 0 && temporary.empty()) {
    // Named only for the rename that follows at once, so that a kill leaves it behind at one
    // system call, the rename, and no other; closing comes after, the bytes being on the
    // disk already.
    held.emplace();
    error = LinkTemporary(fd.get(), folder, temporary);
    if (error != 0) temporary.clear();
    if (error == 0) renamed = ::rename(temporary.c_str(), target.c_str()) == 0;
    if (error == 0 && !renamed) error = errno;
  }
  if (const int closed = fd.Close(); error == 0) error = closed;
  if (error == 0 && !renamed && ::rename(temporary.c_str(), target.c_str()) != 0) error = errno;
  if (error != 0) {
    if (!temporary.empty() && !renamed) ::unlink(temporary.c_str());
    Fail(path, error, FileOperation::Write);
  }
}

}  // namespace varnel
