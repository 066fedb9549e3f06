#include "varnel/palette_file.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace varnel {
namespace {

namespace fs = std::filesystem;

TEST(PaletteFileNames, ExtensionPicksFormatAndConvertTarget) {
  const struct {
    const char* path;
    const char* ext;
    PaletteFormat read_as;  // Load and Save as
    const char* target;     // where Convert writes
    const char* why;
  } cases[] = {
      {"/pal/sky.pal", "pal", PaletteFormat::JascPal, "/pal/sky.act", "text converts to ACT"},
      {"C:\\pal\\sky.PaL", "PaL", PaletteFormat::JascPal, "C:\\pal\\sky.act", "PAL in any case"},
      {"SKY.aCt", "aCt", PaletteFormat::Act, "SKY.pal", "ACT in any case converts to text"},
      {"out.TXT", "TXT", PaletteFormat::JascPal, "out.pal", "any other extension is text both ways"},
      {"sky.pal.txt", "txt", PaletteFormat::JascPal, "sky.pal.pal", "only the last dot counts"},
      {"sky", "", PaletteFormat::JascPal, "sky.pal", "a name without extension gains a dot"},
      {"sky.", "", PaletteFormat::JascPal, "sky.pal", "a trailing dot is kept, not doubled"},
      {"old.d/sky", "", PaletteFormat::JascPal, "old.d/sky.pal", "a folder's dot is no extension"},
      {"/pal/.act", "act", PaletteFormat::Act, "/pal/.pal", "a name that is all extension"},
      {"x.ac", "ac", PaletteFormat::JascPal, "x.pal", "a prefix of act is not act"},
      {"x.acts", "acts", PaletteFormat::JascPal, "x.pal", "act as a prefix is not act"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const fs::path path(c.path);
    const NativeString ext = ExtensionOf(path);
    EXPECT_EQ(ext, c.ext);
    EXPECT_EQ(FormatForExtension(ext), c.read_as);
    const std::optional<fs::path> target = ConvertTarget(path, ext);
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->native(), c.target);
    // The file Convert writes is read back in the format it was written in.
    EXPECT_EQ(FormatForExtension(ExtensionOf(*target)), ConvertFormat(ext));
  }
  EXPECT_FALSE(ConvertTarget(fs::path(), NativeString()).has_value()) << "no current file";
}

TEST(PaletteFile, ReadsAndWritesTheReferenceFilesByteForByte) {
  const struct {
    const char* file;
    Palette palette;
    PaletteFormat format;
  } cases[] = {
      {"green-ramp.pal", test::GreenRamp(), PaletteFormat::JascPal},
      {"green-ramp.act", test::GreenRamp(), PaletteFormat::Act},
      {"ramps.pal", test::RampsPalette(), PaletteFormat::JascPal},
      {"ramps.act", test::RampsPalette(), PaletteFormat::Act},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path golden = test::DataFile(c.file);
    EXPECT_TRUE(test::SamePalette(ReadPaletteFile(golden, c.format), c.palette));
    WritePaletteFile(dir / c.file, c.palette, c.format);
    EXPECT_EQ(test::ReadBytes(dir / c.file), test::ReadBytes(golden));
  }
  EXPECT_EQ(test::FolderEntries(dir.path()).size(), std::size(cases)) << "stray files";
}

}  // namespace
}  // namespace varnel
