// Writing replaces a palette file all or nothing, even when the write fails half way.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "test_support.h"
#include "varnel/act.h"
#include "varnel/jasc_pal.h"
#include "varnel/palette_file.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

const std::string kOld =
    "old contents, longer than any palette file would be.\n" + std::string(4000, 'o');

std::string ErrorText(const fs::path& path, const Palette& palette, PaletteFormat format) {
  try {
    WritePaletteFile(path, palette, format);
  } catch (const FileError& e) {
    return (e.operation() == FileOperation::Write ? "" : "(not a write error) ") +
           std::string(e.what());
  }
  return "(no FileError)";
}

// Runs the write in a child process whose files may not grow beyond `limit` bytes, with
// SIGXFSZ ignored so that the write fails with EFBIG instead of ending the process.
// Returns the error text the child saw.
std::string ErrorTextUnderSizeLimit(const fs::path& path, const Palette& palette,
                                    PaletteFormat format, rlim_t limit) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return "(pipe failed)";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_fds[0]);
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit size_limit {};
    size_limit.rlim_cur = limit;
    size_limit.rlim_max = limit;
    std::string text = ::setrlimit(RLIMIT_FSIZE, &size_limit) == 0
                           ? ErrorText(path, palette, format)
                           : "(setrlimit failed)";
    const ssize_t written = ::write(pipe_fds[1], text.data(), text.size());
    ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  ::close(pipe_fds[1]);
  std::string text;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "(child failed)";
  return text;
}

TEST(AtomicWrite, ReplacesTheWholeOldFileAndLeavesNothingElse) {
  const Palette palette = test::RandomPalette(4);
  for (PaletteFormat format : {PaletteFormat::JascPal, PaletteFormat::Act}) {
    const std::string expected =
        format == PaletteFormat::Act ? EncodeAct(palette) : EncodeJascPal(palette);
    test::TempDir dir;
    WritePaletteFile(dir / "new.pal", palette, format);  // a file that did not exist
    test::WriteBytes(dir / "old.pal", kOld);
    WritePaletteFile(dir / "old.pal", palette, format);  // a longer file: no old tail stays
    EXPECT_EQ(test::ReadBytes(dir / "new.pal"), expected);
    EXPECT_EQ(test::ReadBytes(dir / "old.pal"), expected);
    EXPECT_EQ(test::FolderEntries(dir.path()), (Names{"new.pal", "old.pal"}));
  }
}

TEST(AtomicWrite, KeepsTheOldFilesPermissions) {
  test::TempDir dir;
  test::WriteBytes(dir / "p.act", kOld);
  fs::permissions(dir / "p.act",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  WritePaletteFile(dir / "p.act", GreenRamp(), PaletteFormat::Act);
  EXPECT_EQ(fs::status(dir / "p.act").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST(AtomicWrite, WritesThroughASymbolicLink) {
  test::TempDir dir;
  fs::create_directory(dir / "real");
  test::WriteBytes(dir / "real" / "p.pal", kOld);
  fs::create_symlink(fs::path("real") / "p.pal", dir / "link.pal");
  WritePaletteFile(dir / "link.pal", GreenRamp(), PaletteFormat::JascPal);
  EXPECT_TRUE(fs::is_symlink(dir / "link.pal")) << "the link was replaced by a file";
  EXPECT_EQ(test::ReadBytes(dir / "real" / "p.pal"), EncodeJascPal(GreenRamp()));
  EXPECT_EQ(test::FolderEntries(dir / "real"), Names{"p.pal"});
  EXPECT_EQ(test::FolderEntries(dir.path()), (Names{"link.pal", "real"}));
}

TEST(AtomicWrite, FailureLeavesTheFolderAsItWas) {
  test::TempDir dir;
  fs::create_directory(dir / "folder.pal");
  test::WriteBytes(dir / "folder.pal" / "inside", kOld);
  test::WriteBytes(dir / "file", kOld);
  const struct {
    fs::path path;
    std::string reason;
    const char* why;
  } cases[] = {
      {dir / "folder.pal", "Is a folder, not a file", "the target is a folder"},
      {dir / "missing" / "x.pal", "No such file or directory", "the folder does not exist"},
      {dir / "file" / "x.act", "Not a directory", "the folder is a file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    for (PaletteFormat format : {PaletteFormat::JascPal, PaletteFormat::Act}) {
      EXPECT_EQ(ErrorText(c.path, GreenRamp(), format), c.path.string() + ": " + c.reason);
      EXPECT_EQ(test::FolderEntries(dir.path()), (Names{"file", "folder.pal"}));
      EXPECT_EQ(test::FolderEntries(dir / "folder.pal"), Names{"inside"});
      EXPECT_EQ(test::ReadBytes(dir / "folder.pal" / "inside"), kOld);
      EXPECT_EQ(test::ReadBytes(dir / "file"), kOld);
    }
  }
}

TEST(AtomicWrite, FileSizeLimitLeavesTheOldFileByteForByte) {
  const struct {
    PaletteFormat format;
    rlim_t limit;
    const char* why;
  } cases[] = {
      {PaletteFormat::Act, 0, "not a byte may be written"},
      {PaletteFormat::Act, 1, "the first write stops after one byte"},
      {PaletteFormat::Act, kActSize - 1, "all but the last byte"},
      {PaletteFormat::JascPal, 0, "not a byte may be written"},
      {PaletteFormat::JascPal, 100, "the limit falls in the entry lines"},
      {PaletteFormat::JascPal, EncodeJascPal(GreenRamp()).size() - 1, "all but the last LF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    test::TempDir dir;
    const fs::path old_file = dir / "sky.pal";
    test::WriteBytes(old_file, kOld);
    EXPECT_EQ(ErrorTextUnderSizeLimit(old_file, GreenRamp(), c.format, c.limit),
              old_file.string() + ": File too large");
    EXPECT_EQ(test::ReadBytes(old_file), kOld);
    EXPECT_EQ(test::FolderEntries(dir.path()), Names{"sky.pal"});

    const fs::path new_file = dir / "new.act";
    EXPECT_EQ(ErrorTextUnderSizeLimit(new_file, GreenRamp(), c.format, c.limit),
              new_file.string() + ": File too large");
    EXPECT_EQ(test::FolderEntries(dir.path()), Names{"sky.pal"}) << "a new file was left";
  }
}

TEST(AtomicWrite, SucceedsUnderAFileSizeLimitThatIsJustLargeEnough) {
  // The other side of the limit test: proves the limit, not something else, made it fail.
  test::TempDir dir;
  test::WriteBytes(dir / "sky.act", kOld);
  EXPECT_EQ(ErrorTextUnderSizeLimit(dir / "sky.act", GreenRamp(), PaletteFormat::Act, kActSize),
            "(no FileError)");
  EXPECT_EQ(test::ReadBytes(dir / "sky.act"), EncodeAct(GreenRamp()));
  EXPECT_EQ(test::FolderEntries(dir.path()), Names{"sky.act"});
}

}  // namespace
}  // namespace varnel
