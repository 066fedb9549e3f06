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
#include <functional>
#include <string>
#include <vector>

#include "catalogue.h"
#include "support.h"
#include "varnel/act.h"
#include "varnel/file_error.h"
#include "varnel/jasc_pal.h"
#include "varnel/palette_file.h"

namespace varnel::hostile {
namespace {

// What the process must be put through before the write.
enum class Isolation {
  None,
  FileSizeLimit,  // RLIMIT_FSIZE below the file's size, SIGXFSZ ignored
  FullDisk,       // a 64 KiB tmpfs filled to the brim, in a mount namespace of its own
  ReadOnlyDisk,   // the same tmpfs remounted read-only
  Unprivileged,   // root gives up its privileges, so permission bits apply
};

struct Fault {
  const char* label;
  Isolation isolation;
  // Lays out the folder tree in `scene` and returns the path the write goes to.
  std::function<fs::path(const fs::path& scene)> setup;
  const char* reason;
};

enum class Writer { Library, Palconv };

Palette OldPalette() {
  Palette palette;
  palette.fill(MakeColor(1, 2, 3));
  return palette;
}

// An existing ACT file with the old palette at `path`.
fs::path OldTable(const fs::path& path) {
  WriteBytes(path, EncodeAct(OldPalette()));
  return path;
}

const Fault kFaults[] = {
    {"TargetIsAFolder", Isolation::None,
     [](const fs::path& scene) {
       fs::create_directory(scene / "target.act");
       OldTable(scene / "target.act" / "keep.act");
       return scene / "target.act";
     },
     "Is a folder, not a file"},
    {"ParentFolderMissing", Isolation::None,
     [](const fs::path& scene) { return scene / "missing" / "target.act"; },
     "No such file or directory"},
    {"ParentIsAFile", Isolation::None,
     [](const fs::path& scene) { return OldTable(scene / "file.act") / "target.act"; },
     "Not a directory"},
    // The temporary file is made and written; only the rename fails, and must clean up.
    {"NameTooLong", Isolation::None,
     [](const fs::path& scene) { return scene / (std::string(300, 'n') + ".act"); },
     "File name too long"},
    {"FileSizeLimit", Isolation::FileSizeLimit,
     [](const fs::path& scene) { return OldTable(scene / "old.act"); }, "File too large"},
    {"DiskFull", Isolation::FullDisk,
     [](const fs::path& scene) {
       const fs::path target = OldTable(scene / "old.act");
       const int fd = ::open((scene / "filler").c_str(), O_WRONLY | O_CREAT, 0644);
       const std::string block(4096, 'f');
       while (::write(fd, block.data(), block.size()) > 0) {
       }
       ::close(fd);
       return target;
     },
     "No space left on device"},
    {"ReadOnlyDisk", Isolation::ReadOnlyDisk,
     [](const fs::path& scene) { return OldTable(scene / "old.act"); }, "Read-only file system"},
    {"FolderNotWritable", Isolation::Unprivileged,
     [](const fs::path& scene) {
       fs::create_directory(scene / "locked");
       const fs::path target = OldTable(scene / "locked" / "old.act");
       fs::permissions(scene / "locked",
                       fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                       fs::perm_options::remove);
       return target;
     },
     "Permission denied"},
};

// A 64 KiB tmpfs over `folder`, seen only by this process and its children.
std::string MountSmallDisk(const fs::path& folder) {
  if (::unshare(CLONE_NEWNS) != 0 ||
      ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      ::mount("varnel-test", folder.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
    return std::string("cannot mount a tmpfs here: ") + std::strerror(errno);
  }
  return {};
}

std::string Isolate(Isolation isolation) {
  switch (isolation) {
    case Isolation::None:
    case Isolation::FullDisk:
    case Isolation::ReadOnlyDisk:
      return {};
    case Isolation::FileSizeLimit: {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{512, 512};
      return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? "" : "setrlimit failed";
    }
    case Isolation::Unprivileged:
      return DropPrivileges();
  }
  return {};
}

// What a failed write said: the path and the reason, or "" for both when it succeeded.
struct Said {
  std::string path;
  std::string reason;
};

Said WriteWith(Writer writer, const fs::path& target, const fs::path& input) {
  const Palette fresh = Pattern();
  if (writer == Writer::Library) {
    try {
      WritePaletteFile(target, fresh, FormatForExtension(ExtensionOf(target)));
      return {};
    } catch (const FileError& error) {
      return {PathText(error.path()), error.reason()};
    }
  }
#ifdef VARNEL_PALCONV
  const ProgramRun run = RunProgram({VARNEL_PALCONV, "-o", target.string(), input.string()});
  const std::string prefix = "palconv: " + PathText(target) + ": ";
  if (run.status == 0) return {};
  if (run.status != 1 || !run.err.starts_with(prefix) || !run.err.ends_with('\n') ||
      !run.out.empty()) {
    return {"(palconv)", "status " + std::to_string(run.status) + ", said: " + run.err + run.out};
  }
  return {PathText(target), run.err.substr(prefix.size(), run.err.size() - prefix.size() - 1)};
#else
  (void)input;
  return {"(palconv)", "not built"};
#endif
}

// The whole scene in a child: lay it out, put the process under the fault, write, and
// compare. Returns "" when all went as it must, "SKIP ..." when the fault cannot be made
// here, else what went wrong.
std::string RunScene(const Fault& fault, Writer writer, const fs::path& scratch) {
  return InChild([&]() -> std::string {
    const fs::path scene = scratch / "scene";
    const fs::path input = scratch / "input.pal";
    WriteBytes(input, EncodeJascPal(Pattern()));
    fs::create_directory(scene);
    if (fault.isolation == Isolation::FullDisk || fault.isolation == Isolation::ReadOnlyDisk) {
      if (std::string problem = MountSmallDisk(scene); !problem.empty()) return "SKIP " + problem;
    }
    const fs::path target = fault.setup(scene);
    if (fault.isolation == Isolation::ReadOnlyDisk &&
        ::mount(nullptr, scene.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      return std::string("SKIP cannot remount read-only: ") + std::strerror(errno);
    }
    if (std::string problem = Isolate(fault.isolation); !problem.empty()) return problem;

    const Snapshot before = TakeSnapshot(scene);
    const Said said = WriteWith(writer, target, input);
    std::string report;
    if (said.path != PathText(target) || said.reason != fault.reason) {
      report += "said \"" + said.path + ": " + said.reason + "\", expected \"" + PathText(target) +
                ": " + fault.reason + "\"\n";
    }
    if (TakeSnapshot(scene) != before) report += "the folder's contents changed\n";
    for (const std::string& name : TemporaryFilesUnder(scene)) report += "left " + name + "\n";
    return report;
  });
}

struct Case {
  const Fault* fault;
  Writer writer;
};

const char* NameOf(Writer writer) { return writer == Writer::Library ? "Library" : "Palconv"; }
void PrintTo(Writer writer, std::ostream* out) { *out << NameOf(writer); }
void PrintTo(const Case& c, std::ostream* out) { *out << c.fault->label << NameOf(c.writer); }

std::vector<Writer> AllWriters() {
#ifdef VARNEL_PALCONV
  return {Writer::Library, Writer::Palconv};
#else
  return {Writer::Library};
#endif
}

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (const Fault& fault : kFaults) {
    for (const Writer writer : AllWriters()) cases.push_back({&fault, writer});
  }
  return cases;
}

class WriteFault : public testing::TestWithParam<Case> {};

TEST_P(WriteFault, FailsNamingTargetAndReasonAndChangesNothing) {
  const ScratchDir scratch;
  const std::string report = RunScene(*GetParam().fault, GetParam().writer, scratch.path());
  if (report.starts_with("SKIP ")) GTEST_SKIP() << report.substr(5);
  EXPECT_EQ(report, "");
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteFault, testing::ValuesIn(AllCases()),
                         [](const testing::TestParamInfo<Case>& row) {
                           return std::string(row.param.fault->label) + NameOf(row.param.writer);
                         });

// On POSIX a file held open does not block its replacement: the holder goes on reading the
// old bytes, the name gets the new ones, and no temporary file stays behind.
class TargetOpenElsewhere : public testing::TestWithParam<Writer> {};

TEST_P(TargetOpenElsewhere, ReaderKeepsTheOldBytesAndTheNameGetsTheNew) {
  const ScratchDir scratch;
  const fs::path target = OldTable(scratch / "old.act");
  const fs::path input = scratch / "input.pal";
  WriteBytes(input, EncodeJascPal(Pattern()));
  const int reader = ::open(target.c_str(), O_RDONLY);
  ASSERT_GE(reader, 0);

  const Said said = WriteWith(GetParam(), target, input);
  EXPECT_EQ(said.path + said.reason, "") << "the write failed";

  std::string held(kActSize + 1, '\0');
  const ssize_t got = ::read(reader, held.data(), held.size());
  ::close(reader);
  held.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  EXPECT_EQ(held, EncodeAct(OldPalette()));
  EXPECT_EQ(ReadBytes(target), EncodeAct(Pattern()));
  EXPECT_EQ(TemporaryFilesUnder(scratch.path()), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Writers, TargetOpenElsewhere, testing::ValuesIn(AllWriters()),
                         [](const testing::TestParamInfo<Writer>& row) {
                           return std::string(NameOf(row.param));
                         });

// A pipe or a device named as the target is written into, never replaced by a plain file:
// renaming over it would put a file in its place (as root, even over /dev/null).
class SpecialFileTarget : public testing::TestWithParam<Writer> {};

TEST_P(SpecialFileTarget, PipeGetsTheBytesAndStaysAPipe) {
  const ScratchDir scratch;
  const fs::path pipe = scratch / "pipe.act";
  const fs::path input = scratch / "input.pal";
  WriteBytes(input, EncodeJascPal(Pattern()));
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0) << std::strerror(errno);
  // Opened first and without blocking, so that the writer finds a reader and a wrong
  // write cannot hang the test.
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);

  const Said said = WriteWith(GetParam(), pipe, input);
  std::string got(2 * kActSize, '\0');
  const ssize_t n = ::read(reader, got.data(), got.size());
  ::close(reader);
  got.resize(n > 0 ? static_cast<std::size_t>(n) : 0);

  EXPECT_EQ(said.path + said.reason, "") << "the write failed";
  EXPECT_EQ(got.size(), kActSize);
  EXPECT_TRUE(got == EncodeAct(Pattern())) << "the pipe carried other bytes";
  EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
  EXPECT_EQ(TemporaryFilesUnder(scratch.path()), std::vector<std::string>());
}

TEST_P(SpecialFileTarget, DeviceStaysADevice) {
  const ScratchDir scratch;
  const fs::path device = scratch / "null.act";  // a twin of /dev/null
  const fs::path input = scratch / "input.pal";
  WriteBytes(input, EncodeJascPal(Pattern()));
  if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
    GTEST_SKIP() << "cannot make a device here: " << std::strerror(errno);
  }
  const Said said = WriteWith(GetParam(), device, input);
  EXPECT_EQ(said.path + said.reason, "") << "the write failed";
  EXPECT_TRUE(fs::is_character_file(fs::symlink_status(device)));
  EXPECT_EQ(TemporaryFilesUnder(scratch.path()), std::vector<std::string>());
}

INSTANTIATE_TEST_SUITE_P(Writers, SpecialFileTarget, testing::ValuesIn(AllWriters()),
                         [](const testing::TestParamInfo<Writer>& row) {
                           return std::string(NameOf(row.param));
                         });

}  // namespace
}  // namespace varnel::hostile
