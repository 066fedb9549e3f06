// What a write meets, through WritePaletteFile and palconv: a failure names the target and the
// reason and changes no file; a success changes the bytes of the file the target names only.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdarg>
#include <fstream>

#include "properties.h"
#include "support.h"
#include "varnel/palette_file.h"

namespace varnel::test {
namespace {

// clang-format off
enum Fault { kNone, kSizeLimit, kFull, kReadOnly, kLocked, kMode, kLink, kReader, kPipe, kDevice, kSetUid, kUnwritable, kNoStdin, kForeignLink, kOwnersLink, kChain40, kChain41, kNoUnnamed, kNfs, kNoStdinNoUnnamed };
constexpr int kNoReader = -1, kCannot = -2;

// `old` holds "old bytes\n" before the write unless it is ""; the target "" is a name too long;
// the write must succeed where the reason is "".
struct Scene { const char *name, *old, *target, *reason; Fault fault = kNone; };
const Scene kScenes[] = {
    {"TargetIsAFolder",     "t.act/keep.act", "t.act",          "Is a folder, not a file"},
    {"ParentFolderMissing", "",               "missing/t.act",  "No such file or directory"},
    {"ParentIsAFile",       "f.act",          "f.act/t.act",    "Not a directory"},
    {"NameTooLong",         "",               "",               "File name too long"},
    {"FileSizeLimit",       "old.act",        "old.act",        "File too large", kSizeLimit},
    {"DiskFull",            "old.act",        "old.act",        "No space left on device", kFull},
    {"ReadOnlyDisk",        "old.act",        "old.act",        "Read-only file system", kReadOnly},
    {"FolderNotWritable",   "locked/old.act", "locked/old.act", "Permission denied", kLocked},
    {"KeepsThePermissions", "old.act",        "old.act",        "", kMode},
    {"ThroughALink",        "real/p.act",     "link.act",       "", kLink},
    {"HeldOpenByAReader",   "old.act",        "old.act",        "", kReader},  // who keeps them
    {"Pipe",                "",               "pipe.act",       "", kPipe},    // written into, not
    {"Device",              "",               "null.act",       "", kDevice},  // replaced
    {"SetUserIdOfAnother",  "old.act",        "old.act",        "", kSetUid},  // owner kept, bits not
    {"FileNotWritable",     "open/old.act",   "open/old.act",   "Permission denied", kUnwritable},
    {"StandardInputClosed", "old.act",        "old.act",        "", kNoStdin},  // so 0 is free
    // Links in a sticky folder anyone may write to, as /tmp: followed only when the link's owner
    // is the writer or the folder's owner, so nobody can aim root's write at a file they choose.
    {"ForeignLinkInStickyFolder", "secret/p.act", "x.act", "Not followed: a symbolic link of another user in a sticky folder anyone may write to", kForeignLink},
    {"FolderOwnersLinkInStickyFolder", "real/p.act", "link.act", "", kOwnersLink},
    // As many links in a row as the system follows in a path, and one more.
    {"ChainOf40Links",      "real/p.act",     "link.act",       "", kChain40},
    {"ChainOf41Links",      "real/p.act",     "link.act",       "Too many levels of symbolic links", kChain41},
    // A file system that makes no unnamed files (FAT, NFS): the temporary file is named.
    {"NoUnnamedFilesNew",       "",           "t.act",          "", kNoUnnamed},
    {"NoUnnamedFilesReplacing", "old.act",    "old.act",        "", kNoUnnamed},
    {"NoUnnamedFilesNoStdin",   "old.act",    "old.act",        "", kNoStdinNoUnnamed},  // named 0
    // NFS as well, whose server reports a failed write only when the file is closed.
    {"CloseFailsNew",       "",               "t.act",          "Input/output error", kNfs},
    {"CloseFailsReplacing", "old.act",        "old.act",        "Input/output error", kNfs},
};

// Set in a scene's child: every unnamed file (O_TMPFILE) it opens is refused, as by a file
// system that makes none, and closing a temporary file fails; open() and close() are the
// ones at the end of this file.
bool refuseUnnamed = false, failClose = false;

// Lays the scene out, its folder a 64 KiB tmpfs of its own for a full or read-only disk, and
// puts it and this process under the fault. Returns a descriptor a reader holds through the
// write, kNoReader, or kCannot when the fault cannot be made here.
int Prepare(const Scene& scene, const fs::path& folder, const fs::path& target) {
  const auto made = [](bool done) { return done ? kNoReader : kCannot; };
  if ((scene.fault == kFull || scene.fault == kReadOnly) &&
      (::unshare(CLONE_NEWNS) || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) ||
       ::mount("test", folder.c_str(), "tmpfs", 0, "size=64k,mode=0755")))
    return kCannot;
  if (*scene.old) WriteBytes(folder / scene.old, "old bytes\n");
  const rlimit limit{512, 512};  // the 768 bytes stop half way
  const char *const t = target.c_str(), *const f = folder.c_str();
  std::signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails, and says so
  switch (scene.fault) {
    case kNone: return kNoReader;
    case kSizeLimit: return made(!::setrlimit(RLIMIT_FSIZE, &limit));
    case kFull: std::ofstream(folder / "fill") << std::string(1 << 17, 'f'); return kNoReader;
    case kReadOnly: return made(!::mount(nullptr, f, nullptr, MS_REMOUNT | MS_RDONLY, nullptr));
    case kLocked: ::chmod((folder / "locked").c_str(), 0555); return made(DropPrivileges());
    case kMode: fs::permissions(target, fs::perms(0640)); return kNoReader;
    case kLink: fs::create_symlink(scene.old, target); return kNoReader;
    case kForeignLink: case kOwnersLink:
      fs::create_symlink(scene.old, target);
      return made(!::chmod(f, 01777) && !::lchown(t, 65534, 65534) && (scene.fault == kForeignLink || !::chown(f, 65534, 65534)));
    case kReader: return ::open(t, O_RDONLY);
    case kPipe: ::mkfifo(t, 0644); return ::open(t, O_RDONLY | O_NONBLOCK);  // so no write hangs
    case kDevice: return made(!::mknod(t, S_IFCHR | 0666, makedev(1, 3)));
    case kSetUid: return made(!::chown(t, 65534, 65534) && !::chmod(t, 06755));
    case kUnwritable: ::chmod((folder / "open").c_str(), 0777); ::chmod(t, 0444); return made(DropPrivileges());
    case kNoStdin: return made(!::close(0));
    case kChain40: case kChain41:  // the target, l1, l2 ... each a link to the next
      for (int i = 0, links = scene.fault == kChain40 ? 40 : 41; i < links; ++i)
        fs::create_symlink(i + 1 == links ? fs::path(scene.old) : fs::path("l" + std::to_string(i + 1)), i == 0 ? target : folder / ("l" + std::to_string(i)));
      return kNoReader;
    case kNoUnnamed: refuseUnnamed = true; return kNoReader;
    case kNfs: refuseUnnamed = failClose = true; return kNoReader;
    case kNoStdinNoUnnamed: refuseUnnamed = true; return made(!::close(0));
  }
  return kCannot;
}
// clang-format on

class WriteFault : public testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(WriteFault, ChangesTheTargetOnlyOrNothingAndSaysWhy) {
  const int index = std::get<0>(GetParam());
  const bool palconv = std::get<1>(GetParam());
  const Scene& scene = kScenes[index];
  if ((scene.fault == kNoUnnamed || scene.fault == kNfs || scene.fault == kNoStdinNoUnnamed) && palconv)
    GTEST_SKIP() << "palconv has its own open() and close()";
  const TempDir scratch;
  const fs::path folder = scratch / "scene", input = scratch / "input.pal";
  const fs::path target = folder / (*scene.target ? scene.target : std::string(300, 'n') + ".act");
  const fs::path program = PalconvIn(scratch.path);
  fs::create_directory(folder);
  fs::copy_file(TestFile("data/green-ramp.pal"), input);
  const std::string fresh = ReadBytes(TestFile("data/green-ramp.act")), why = scene.reason;
  const std::string expectedSaid = (why.empty() ? "0 Pallete saved as " + PathText(target)
                                                : "1 palconv: " + PathText(target) + ": " + why) +
                                   "\n";
  // In a child, whose mounts, limits and user end with it. The library's words are put as
  // palconv puts them.
  const Outcome report = Fork([&]() -> std::string {
    const int reader = Prepare(scene, folder, target);
    if (reader == kCannot) return "SKIP: this fault cannot be made here";
    auto expected = Snapshot(folder);
    // A replaced file keeps its owner and permission bits; a new one gets 0666 less the umask.
    struct stat before {};
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::stat(target.c_str(), &before) != 0) before.st_mode = 0666 & ~mask;
    const fs::path file = why.empty() ? fs::weakly_canonical(target) : target;  // a link: the file
    std::string said;
    if (palconv) {
      std::signal(SIGXFSZ, SIG_DFL);  // palconv must see to a size limit itself
      const Outcome run = Spawn({program, "-o", target, input});
      said = std::to_string(run.status) + " " + run.out + run.err;
    } else {
      try {
        WritePaletteFile(target, PaletteData(fuzz::ModelJascPal(ReadBytes(input))),
                         PaletteFormat::Act);
        said = "0 Pallete saved as " + PathText(target) + "\n";
      } catch (const FileError& error) {
        said = "1 palconv: " + std::string(error.what()) + "\n";
      }
    }
    struct stat after {};
    if (why.empty() && fs::is_regular_file(target) && ::stat(target.c_str(), &after) == 0) {
      expected[file.lexically_relative(folder)] = Entry(fs::perms(before.st_mode & 0777), fresh);
      if (scene.fault == kSetUid && after.st_uid != 65534) said += "the owner changed\n";
    }
    std::string got(2 * fresh.size(), '\0');
    got.resize(std::size_t(std::max<ssize_t>(0, ::read(reader, got.data(), got.size()))));
    return (said == expectedSaid ? "" : "said " + said) +
           (Snapshot(folder) == expected ? "" : "the folder changed otherwise\n") +
           (scene.fault == kNoStdin || scene.fault == kNoStdinNoUnnamed || ::fcntl(0, F_GETFD) != -1
                ? ""
                : "descriptor 0 was closed\n") +
           (reader < 0 || got == (*scene.old ? "old bytes\n" : fresh) ? ""
                                                                      : "the reader got " + got);
  });
  if (report.out.starts_with("SKIP: ")) GTEST_SKIP() << report.out;
  EXPECT_EQ(report.status, 0);
  EXPECT_EQ(report.out + report.err, "");
}

std::string SceneName(const testing::TestParamInfo<std::tuple<int, bool>>& row) {
  return kScenes[std::get<0>(row.param)].name +
         std::string(std::get<1>(row.param) ? "Palconv" : "Library");
}
INSTANTIATE_TEST_SUITE_P(Scenes, WriteFault,
                         testing::Combine(testing::Range(0, int(std::size(kScenes))),
                                          testing::Bool()),
                         SceneName);

// Ctrl-C, kill or hang-up in the middle of a batch: each target is whole, no temporary file
// is left.
TEST(Batch, StoppedBySignalsLeavesEveryFileWholeAndNoTemporaryFile) {
  const std::string act = ReadBytes(TestFile("data/ramps.act"));
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const TempDir scratch;
    std::vector<std::string> argv{PalconvIn(scratch.path)};
    for (int i = 0; i < 3000; ++i) {
      argv.push_back(scratch / ("p" + std::to_string(i) + ".pal"));
      fs::copy_file(TestFile("data/ramps.pal"), argv.back());
    }
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::dup2(::open("/dev/null", O_WRONLY), 1);
      ::execv(args[0], args.data());
      ::_exit(127);
    }
    for (int i = 0; i < 10000 && !fs::exists(scratch / "p0.act"); ++i) ::usleep(100);
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal << " came too late";
    for (const auto& entry : fs::directory_iterator(scratch.path)) {
      const std::string name = entry.path().filename();
      EXPECT_FALSE(name.starts_with(".varnel-")) << name << " left behind by " << signal;
      EXPECT_TRUE(!name.ends_with(".act") || ReadBytes(entry.path()) == act) << name;
    }
  }
}

}  // namespace
}  // namespace varnel::test

extern "C" int open(const char* path, int flags, ...) {
  std::va_list args;
  va_start(args, flags);
  const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? va_arg(args, mode_t) : 0;
  va_end(args);
  if (varnel::test::refuseUnnamed && (flags & O_TMPFILE) == O_TMPFILE) {
    errno = EOPNOTSUPP;
    return -1;
  }
  static const auto next =
      reinterpret_cast<int (*)(const char*, int, ...)>(::dlsym(RTLD_NEXT, "open"));
  return next(path, flags, mode);
}

// A temporary file of ours is closed, and then said not to have been written.
extern "C" int close(int fd) {
  static const auto next = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "close"));
  bool temporary = false;
  if (varnel::test::failClose) {
    char link[4096];
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t size = ::readlink(self.c_str(), link, sizeof link);
    temporary = size > 0 && std::string_view(link, std::size_t(size)).find("/.varnel-") !=
                                std::string_view::npos;
  }
  const int closed = next(fd);
  if (closed != 0 || !temporary) return closed;
  errno = EIO;
  return -1;
}
