// Writing replaces a palette file all or nothing, even when the write fails half way.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <string>

#include "test_support.h"
#include "varnel/palette_file.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

const std::string kOld = "old contents, longer than any palette file.\n" + std::string(4000, 'o');

// Writes under a file size limit of `limit` bytes for this process, SIGXFSZ ignored so
// that the write fails with EFBIG; returns what the error says.
std::string SaidUnderSizeLimit(const fs::path& path, PaletteFormat format, rlim_t limit) {
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit lowered = old;
  lowered.rlim_cur = limit;
  if (::setrlimit(RLIMIT_FSIZE, &lowered) != 0) return "(setrlimit failed)";
  std::string said = "(no FileError)";
  try {
    WritePaletteFile(path, test::GreenRamp(), format);
  } catch (const FileError& e) {
    said = (e.operation() == FileOperation::Write ? "write " : "read ") + std::string(e.what());
  }
  ::setrlimit(RLIMIT_FSIZE, &old);
  return said;
}

TEST(AtomicWrite, ReplacesTheWholeFileKeepingItsPermissions) {
  const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  test::TempDir dir;
  test::WriteBytes(dir / "old.pal", kOld);
  fs::permissions(dir / "old.pal", perms);
  WritePaletteFile(dir / "old.pal", test::GreenRamp(), PaletteFormat::JascPal);
  EXPECT_EQ(test::ReadBytes(dir / "old.pal"), test::ReadBytes(test::DataFile("green-ramp.pal")));
  EXPECT_EQ(fs::status(dir / "old.pal").permissions(), perms);
  EXPECT_EQ(test::FolderEntries(dir.path()), Names{"old.pal"});
}

TEST(AtomicWrite, WritesThroughASymbolicLink) {
  test::TempDir dir;
  fs::create_directory(dir / "real");
  test::WriteBytes(dir / "real" / "p.pal", kOld);
  fs::create_symlink(fs::path("real") / "p.pal", dir / "link.pal");
  WritePaletteFile(dir / "link.pal", test::GreenRamp(), PaletteFormat::JascPal);
  EXPECT_TRUE(fs::is_symlink(dir / "link.pal")) << "the link was replaced by a file";
  EXPECT_EQ(test::ReadBytes(dir / "real" / "p.pal"),
            test::ReadBytes(test::DataFile("green-ramp.pal")));
  EXPECT_EQ(test::FolderEntries(dir / "real"), Names{"p.pal"});
}

TEST(AtomicWrite, FailureHalfWayLeavesTheOldFileByteForByte) {
  const struct {
    PaletteFormat format;
    rlim_t limit;
    const char* why;
  } cases[] = {
      {PaletteFormat::Act, 0, "not a byte may be written"},
      {PaletteFormat::Act, 1, "the first write stops after one byte"},
      {PaletteFormat::JascPal, 100, "the limit falls in the entry lines"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    test::TempDir dir;
    test::WriteBytes(dir / "sky.pal", kOld);
    for (const fs::path& target : {dir / "sky.pal", dir / "new.act"}) {
      EXPECT_EQ(SaidUnderSizeLimit(target, c.format, c.limit),
                "write " + target.string() + ": File too large");
    }
    EXPECT_EQ(test::ReadBytes(dir / "sky.pal"), kOld);
    EXPECT_EQ(test::FolderEntries(dir.path()), Names{"sky.pal"}) << "a new or temporary file stayed";
  }
}

}  // namespace
}  // namespace varnel
