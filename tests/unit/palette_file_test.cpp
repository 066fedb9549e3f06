#include "varnel/palette_file.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"
#include "varnel/act.h"
#include "varnel/jasc_pal.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;
using test::SamePalette;

TEST(PaletteFileNames, ExtensionIsWhatFollowsTheLastDotOfTheName) {
  const struct {
    const char* path;
    const char* ext;
    const char* why;
  } cases[] = {
      {"sky.pal", "pal", "the usual case"},
      {"SKY.Act", "Act", "letter case kept as given"},
      {"sky.tar.pal", "pal", "only the last dot counts"},
      {"sky", "", "no dot, no extension"},
      {"sky.", "", "a trailing dot gives an empty extension"},
      {"old.d/sky", "", "a dot in a folder name is not the file's extension"},
      {"/pal/sky.act", "act", "an absolute path"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_EQ(ExtensionOf(c.path), c.ext) << c.path;
  }
}

TEST(PaletteFileNames, FormatFollowsTheExtensionInAnyCase) {
  const struct {
    const char* ext;
    PaletteFormat read_and_save;  // Load and Save as
    PaletteFormat convert;        // what Convert writes beside it
    const char* why;
  } cases[] = {
      {"act", PaletteFormat::Act, PaletteFormat::JascPal, "ACT reads as ACT, converts to text"},
      {"ACT", PaletteFormat::Act, PaletteFormat::JascPal, "upper case"},
      {"aCt", PaletteFormat::Act, PaletteFormat::JascPal, "mixed case"},
      {"pal", PaletteFormat::JascPal, PaletteFormat::Act, "PAL reads as text, converts to ACT"},
      {"PAL", PaletteFormat::JascPal, PaletteFormat::Act, "upper case"},
      {"Pal", PaletteFormat::JascPal, PaletteFormat::Act, "mixed case"},
      {"txt", PaletteFormat::JascPal, PaletteFormat::JascPal, "anything else is text"},
      {"", PaletteFormat::JascPal, PaletteFormat::JascPal, "no extension is text"},
      {"ac", PaletteFormat::JascPal, PaletteFormat::JascPal, "a prefix of act is not act"},
      {"acts", PaletteFormat::JascPal, PaletteFormat::JascPal, "act as a prefix is not act"},
      {"palx", PaletteFormat::JascPal, PaletteFormat::JascPal, "pal as a prefix is not pal"},
      {"p\xC3\x81l", PaletteFormat::JascPal, PaletteFormat::JascPal,
       "only ASCII letters fold: an accented A is not an A"},
      {"\xC3\xA1"
       "ct",
       PaletteFormat::JascPal, PaletteFormat::JascPal, "nor an accented a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const NativeString ext = fs::path(c.ext).native();
    EXPECT_EQ(FormatForExtension(ext), c.read_and_save) << c.ext;
    EXPECT_EQ(ConvertFormat(ext), c.convert) << c.ext;
  }
}

TEST(PaletteFileNames, ConvertTargetReplacesTheExtension) {
  const struct {
    const char* path;
    const char* target;
    const char* why;
  } cases[] = {
      {"C:\\pal\\sky.pal", "C:\\pal\\sky.act", "a text palette converts to ACT beside it"},
      {"/pal/sky.pal", "/pal/sky.act", "the same with POSIX separators"},
      {"SKY.ACT", "SKY.pal", "an ACT file converts to text; the stem's case stays"},
      {"sky.PaL", "sky.act", "PAL in any case"},
      {"out.TXT", "out.pal", "any other extension converts to text"},
      {"sky.pal.txt", "sky.pal.pal", "only the last extension is replaced"},
      {"sky", "sky.pal", "a name without extension gains a dot"},
      {"old.d/sky", "old.d/sky.pal", "a dot in a folder name is no extension"},
      {"sky.", "sky.pal", "a trailing dot is kept, not doubled"},
      {"/pal/.act", "/pal/.pal", "a name that is all extension"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const fs::path path(c.path);
    const std::optional<fs::path> target = ConvertTarget(path, ExtensionOf(path));
    ASSERT_TRUE(target.has_value()) << c.path;
    EXPECT_EQ(target->native(), fs::path(c.target).native()) << c.path;
  }
}

TEST(PaletteFileNames, NoCurrentFileHasNoConvertTarget) {
  EXPECT_FALSE(ConvertTarget(fs::path(), NativeString()).has_value());
}

TEST(PaletteFile, WritesBytesEqualToTheReferenceFiles) {
  const struct {
    const char* file;
    Palette palette;
    PaletteFormat format;
  } cases[] = {
      {"green-ramp.pal", GreenRamp(), PaletteFormat::JascPal},
      {"green-ramp.act", GreenRamp(), PaletteFormat::Act},
      {"ramps.pal", test::RampsPalette(), PaletteFormat::JascPal},
      {"ramps.act", test::RampsPalette(), PaletteFormat::Act},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path golden = test::DataFile(c.file);
    EXPECT_TRUE(SamePalette(ReadPaletteFile(golden, c.format), c.palette));
    // Write what was read: the file the program wrote comes back byte for byte.
    WritePaletteFile(dir / c.file, ReadPaletteFile(golden, c.format), c.format);
    EXPECT_EQ(test::ReadBytes(dir / c.file), test::ReadBytes(golden));
  }
  EXPECT_EQ(test::FolderEntries(dir.path()).size(), std::size(cases)) << "stray files";
}

TEST(PaletteFile, ReadsOnlyWhatTheFormatUses) {
  const Palette palette = test::RandomPalette(3);
  Palette first_two{};  // the rest black
  first_two[0] = palette[0];
  first_two[1] = palette[1];
  Palette all_987;
  all_987.fill(MakeColor(9, 8, 7));
  const struct {
    std::string bytes;
    PaletteFormat format;
    Palette expected;
    const char* why;
  } cases[] = {
      {EncodeAct(palette) + std::string("\x01\x00\xFF\xFF", 4), PaletteFormat::Act, palette,
       "a 772-byte ACT reads like its first 768 bytes"},
      {EncodeAct(palette) + std::string(200000, '\x55'), PaletteFormat::Act, palette,
       "bytes far beyond 768 play no role (more than one read's worth)"},
      {EncodeAct(palette).substr(0, 6), PaletteFormat::Act, first_two,
       "a short ACT leaves the entries it does not reach black"},
      {EncodeJascPal(palette) + std::string(300000, '7') + "\n", PaletteFormat::JascPal, palette,
       "lines after the 259th are not read"},
      {"JASC-PAL\n0100\n1\n9 8 7", PaletteFormat::JascPal, all_987,
       "a short text file repeats its last colour"},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    test::WriteBytes(dir / "in", c.bytes);
    EXPECT_TRUE(SamePalette(ReadPaletteFile(dir / "in", c.format), c.expected));
  }
}

TEST(PaletteFile, RoundTripsAFileNameInAnyScript) {
  test::TempDir dir;
  const fs::path path = dir /
                        "\xD0\xBF\xD0\xB0\xD0\xBB\xD0\xB8\xD1\x82\xD1\x80\xD0\xB0 "
                        "\xE8\xAA\xBF\xE8\x89\xB2\xE6\x9D\xBF.pal";
  const Palette palette = test::RandomPalette(12);
  WritePaletteFile(path, palette, PaletteFormat::JascPal);
  EXPECT_TRUE(SamePalette(ReadPaletteFile(path, PaletteFormat::JascPal), palette));
  EXPECT_EQ(test::FolderEntries(dir.path()), std::vector<std::string>{path.filename().string()});
}

TEST(PaletteFile, ReadFailureNamesThePathAndTheReason) {
  test::TempDir dir;
  test::WriteBytes(dir / "file", "JASC-PAL\n");
  fs::create_directory(dir / "folder.pal");
  const struct {
    fs::path path;
    std::string reason;
    const char* why;
  } cases[] = {
      {dir / "missing.pal", "No such file or directory", "the file does not exist"},
      {dir / "missing" / "x.act", "No such file or directory", "nor does its folder"},
      {dir / "folder.pal", "Is a folder, not a file", "a folder is not a palette"},
      {dir / "file" / "x.pal", "Not a directory", "a file used as a folder"},
      {dir / "\xC3\xA9t\xC3\xA9.pal", "No such file or directory",
       "a name outside ASCII appears as UTF-8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    for (PaletteFormat format : {PaletteFormat::JascPal, PaletteFormat::Act}) {
      try {
        ReadPaletteFile(c.path, format);
        ADD_FAILURE() << "no FileError for " << c.path;
      } catch (const FileError& e) {
        EXPECT_EQ(e.path(), c.path);
        EXPECT_EQ(e.reason(), c.reason);
        EXPECT_EQ(e.operation(), FileOperation::Read);
        EXPECT_EQ(std::string(e.what()), c.path.string() + ": " + c.reason);
      }
    }
  }
}

}  // namespace
}  // namespace varnel
