// Faults a write can meet, through WritePaletteFile and through palconv: each must end in
// an error naming the target and the reason, with the old target byte for byte as it was
// and no temporary file left beside it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "support.h"
#include "varnel/act.h"
#include "varnel/file_error.h"
#include "varnel/jasc_pal.h"
#include "varnel/palette_file.h"

namespace varnel::hostile {
namespace {

const std::string kOld = EncodeAct(Palette{});  // the target's old bytes
const Palette kFresh = [] {
  Palette p;
  p.fill(MakeColor(1, 2, 3));
  return p;
}();  // written

fs::path OldTarget(const fs::path& path) {
  fs::create_directories(path.parent_path());
  WriteBytes(path, kOld);
  return path;
}

enum class Writer { Library, Palconv };
enum class Disk { Plain, Full, ReadOnly };  // Full and ReadOnly: a 64 KiB tmpfs of its own

struct Fault {
  const char* label;
  Disk disk;
  std::function<fs::path(const fs::path& scene)> setup;  // lays out the scene, gives the target
  const char* reason;
};

const Fault kFaults[] = {
    {"TargetIsAFolder", Disk::Plain,
     [](const fs::path& s) { return OldTarget(s / "target.act" / "keep.act").parent_path(); },
     "Is a folder, not a file"},
    {"ParentFolderMissing", Disk::Plain, [](const fs::path& s) { return s / "missing" / "t.act"; },
     "No such file or directory"},
    {"ParentIsAFile", Disk::Plain,
     [](const fs::path& s) { return OldTarget(s / "f.act") / "t.act"; }, "Not a directory"},
    // The temporary file is written; only the rename fails, and must clean up.
    {"NameTooLong", Disk::Plain,
     [](const fs::path& s) { return s / (std::string(300, 'n') + ".act"); }, "File name too long"},
    {"FileSizeLimit", Disk::Plain,
     [](const fs::path& s) {
       const fs::path target = OldTarget(s / "old.act");
       ::signal(SIGXFSZ, SIG_IGN);
       const rlimit limit{512, 512};
       ::setrlimit(RLIMIT_FSIZE, &limit);
       return target;
     },
     "File too large"},
    {"DiskFull", Disk::Full,
     [](const fs::path& s) {
       const fs::path target = OldTarget(s / "old.act");
       const int fd = ::open((s / "filler").c_str(), O_WRONLY | O_CREAT, 0644);
       const std::string block(4096, 'f');
       while (::write(fd, block.data(), block.size()) > 0) {
       }
       ::close(fd);
       return target;
     },
     "No space left on device"},
    {"ReadOnlyDisk", Disk::ReadOnly, [](const fs::path& s) { return OldTarget(s / "old.act"); },
     "Read-only file system"},
    {"FolderNotWritable", Disk::Plain,
     [](const fs::path& s) {
       const fs::path target = OldTarget(s / "locked" / "old.act");
       fs::permissions(s / "locked", fs::perms(0555));
       if (!DropPrivileges().empty()) throw std::runtime_error("cannot give up root");
       return target;
     },
     "Permission denied"},
};

// What a write said: "" on success, else "PATH: reason" (palconv's own line checked here).
std::string Write(Writer writer, const fs::path& target, const fs::path& input) {
  if (writer == Writer::Library) {
    try {
      WritePaletteFile(target, kFresh, FormatForExtension(ExtensionOf(target)));
      return "";
    } catch (const FileError& error) {
      return error.what();
    }
  }
#ifdef VARNEL_PALCONV
  const ProgramRun run = RunProgram({VARNEL_PALCONV, "-o", target.string(), input.string()});
  if (run.status == 0 && run.err.empty()) return "";
  if (run.status != 1 || !run.out.empty() || !run.err.starts_with("palconv: ") ||
      !run.err.ends_with('\n')) {
    return "status " + std::to_string(run.status) + ", said: " + run.out + run.err;
  }
  return run.err.substr(9, run.err.size() - 10);
#else
  return "palconv not built: " + input.string();
#endif
}

// The palette to write, as palconv's input file beside the scene.
fs::path Input(const fs::path& folder) {
  WriteBytes(folder / "input.pal", EncodeJascPal(kFresh));
  return folder / "input.pal";
}

// The names under `folder`: a temporary file left behind shows here.
std::string Names(const fs::path& folder) {
  std::string names;
  for (const auto& [name, bytes] : TakeSnapshot(folder)) names += name + " ";
  return names;
}

// Up to `size` bytes from `fd`, which is closed afterwards.
std::string ReadAndClose(int fd, std::size_t size) {
  std::string bytes(size, '\0');
  bytes.resize(static_cast<std::size_t>(std::max<ssize_t>(0, ::read(fd, bytes.data(), size))));
  ::close(fd);
  return bytes;
}

// The whole scene in a child: lay it out, put the process under the fault, write and
// compare. "" when all went as it must, "SKIP ..." when the fault cannot be made here.
std::string RunScene(const Fault& fault, Writer writer, const fs::path& scratch) {
  return InChild([&]() -> std::string {
    const fs::path scene = scratch / "scene", input = Input(scratch);
    fs::create_directory(scene);
    if (fault.disk != Disk::Plain &&
        (::unshare(CLONE_NEWNS) != 0 ||
         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
         ::mount("varnel-test", scene.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0)) {
      return std::string("SKIP cannot mount a tmpfs here: ") + std::strerror(errno);
    }
    const fs::path target = fault.setup(scene);
    if (fault.disk == Disk::ReadOnly &&
        ::mount(nullptr, scene.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      return std::string("SKIP cannot remount read-only: ") + std::strerror(errno);
    }
    const auto before = TakeSnapshot(scene);
    const std::string said = Write(writer, target, input);
    std::string report;
    if (said != PathText(target) + ": " + fault.reason) report += "said \"" + said + "\"\n";
    if (TakeSnapshot(scene) != before) report += "the folder now holds: " + Names(scene) + "\n";
    return report;
  });
}

std::vector<Writer> Writers() {
#ifdef VARNEL_PALCONV
  return {Writer::Library, Writer::Palconv};
#else
  return {Writer::Library};
#endif
}
std::string NameOf(Writer writer) { return writer == Writer::Library ? "Library" : "Palconv"; }

class WriteFault : public testing::TestWithParam<std::tuple<int, Writer>> {};

TEST_P(WriteFault, FailsNamingTargetAndReasonAndChangesNothing) {
  const TempDir scratch;
  const auto [fault, writer] = GetParam();
  const std::string report = RunScene(kFaults[fault], writer, scratch.path());
  if (report.starts_with("SKIP ")) GTEST_SKIP() << report.substr(5);
  EXPECT_EQ(report, "");
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteFault,
                         testing::Combine(testing::Range(0, static_cast<int>(std::size(kFaults))),
                                          testing::ValuesIn(Writers())),
                         [](const auto& row) {
                           return kFaults[std::get<0>(row.param)].label +
                                  NameOf(std::get<1>(row.param));
                         });

// Targets a write succeeds on, checked with what still holds them open.
class OddTarget : public testing::TestWithParam<Writer> {};

// On POSIX a file held open does not block its replacement: the holder goes on reading the
// old bytes, the name gets the new ones.
TEST_P(OddTarget, OpenElsewhereIsReplacedWhileTheHolderKeepsTheOldBytes) {
  const TempDir scratch;
  const fs::path target = OldTarget(scratch / "old.act");
  const int holder = ::open(target.c_str(), O_RDONLY);
  ASSERT_GE(holder, 0);
  EXPECT_EQ(Write(GetParam(), target, Input(scratch.path())), "");
  EXPECT_EQ(ReadAndClose(holder, kActSize + 1), kOld);
  EXPECT_EQ(ReadBytes(target), EncodeAct(kFresh));
  EXPECT_EQ(Names(scratch.path()), "input.pal old.act ");
}

// A pipe or a device is written into, never replaced by a plain file: renaming over it
// would put a file in its place (as root, even over a twin of /dev/null).
TEST_P(OddTarget, PipeAndDeviceAreWrittenIntoAndStayWhatTheyAre) {
  const TempDir scratch;
  const fs::path pipe = scratch / "pipe.act", device = scratch / "null.act";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0) << std::strerror(errno);
  // Opened first and without blocking, so that the writer finds a reader and cannot hang.
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_EQ(Write(GetParam(), pipe, Input(scratch.path())), "");
  EXPECT_TRUE(ReadAndClose(reader, 2 * kActSize) == EncodeAct(kFresh))
      << "the pipe carried other bytes";
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
  const bool made = ::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
  if (made) {
    EXPECT_EQ(Write(GetParam(), device, Input(scratch.path())), "");
    EXPECT_TRUE(fs::is_character_file(fs::symlink_status(device)));
  }
  EXPECT_EQ(Names(scratch.path()), made ? "input.pal null.act pipe.act " : "input.pal pipe.act ");
}

INSTANTIATE_TEST_SUITE_P(Writers, OddTarget, testing::ValuesIn(Writers()),
                         [](const auto& row) { return NameOf(row.param); });

}  // namespace
}  // namespace varnel::hostile
