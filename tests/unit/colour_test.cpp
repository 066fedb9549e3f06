// Colour conversion against values computed apart from LittleCMS's use here: Lab by the CIE
// formulas (CIE 15 Lab to XYZ under D50, Bradford to D65, IEC 61966-2-1's sRGB), CMYK by
// Pillow's ImageCms (Image "CMYK" through buildTransform(profile, sRGB, "CMYK", "RGB",
// RELATIVE_COLORIMETRIC)) on the same profile file. Each within 1 per channel.
#include "varnel/colour.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <limits>

#include "support.h"
#include "varnel/format.h"
#include "varnel/source_colors.h"

namespace varnel::test {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string Profile(const char* name) { return ReadBytes(fs::path(VARNEL_PROFILES_DIR) / name); }

void ExpectNear(COLORREF got, std::array<int, 3> want, const std::string& why) {
  for (int c = 0; c < 3; ++c)
    EXPECT_LE(std::abs(int{static_cast<std::uint8_t>(got >> (8 * c))} - want[size_t(c)]), 1)
        << why << ": channel " << c << " of " << std::hex << got;
}

TEST(Colour, ConvertsLabAndCmykAsTheReferencesDo) {
  const struct {
    std::array<double, 3> lab;
    std::array<int, 3> srgb;
    bool outside;  // beyond sRGB by more than half a step
  } kLab[] = {
      {{0, 0, 0}, {0, 0, 0}, false},
      {{100, 0, 0}, {255, 255, 255}, false},
      {{50, 0, 0}, {119, 119, 119}, false},
      {{60, -20, 40}, {127, 154, 70}, false},
      {{40, 60, -80}, {124, 47, 229}, false},
      {{20, 10, -30}, {40, 45, 93}, false},
      {{30, 40, 20}, {128, 37, 42}, false},
      {{80, -10, 90}, {211, 202, 0}, true},
      {{60, 100, 0}, {255, 0, 150}, true},
      {{80, -128, 127}, {0, 245, 0}, true},
      {{100, 127, -128}, {255, 117, 255}, true},
      {{kNaN, kNaN, kNaN}, {0, 0, 0}, false},    // NaN: 0
      {{150, -20, 40}, {237, 255, 174}, true},   // L held at 100
      {{-10, 200, -300}, {0, 0, 196}, true},     // held at (0, 127, -128)
      {{kInf, -kInf, kInf}, {0, 255, 0}, true},  // held at (100, -128, 127)
  };
  std::vector<std::array<double, 3>> lab;
  std::size_t outside = 0;
  for (const auto& c : kLab) lab.push_back(c.lab), outside += c.outside;
  std::size_t clipped = 99;
  const std::vector<COLORREF> fromLab = LabToSrgb(lab, &clipped);
  ASSERT_EQ(fromLab.size(), lab.size());
  for (std::size_t i = 0; i < lab.size(); ++i)
    ExpectNear(fromLab[i], kLab[i].srgb, "Lab " + std::to_string(i));
  EXPECT_EQ(clipped, outside);
  EXPECT_EQ(LabToSrgb({}, &clipped).size(), 0u);
  EXPECT_EQ(clipped, 0u);

  // Inks in 255ths, as Pillow's 8-bit CMYK gives them.
  const struct {
    std::array<double, 4> inks;
    std::array<int, 3> srgb;
  } kCmyk[] = {
      {{0, 0, 0, 0}, {255, 255, 255}},       {{255, 0, 0, 0}, {0, 161, 228}},
      {{0, 255, 0, 0}, {230, 12, 128}},      {{0, 0, 255, 0}, {255, 237, 0}},
      {{0, 0, 0, 255}, {43, 43, 42}},        {{51, 102, 153, 51}, {181, 141, 100}},
      {{255, 255, 255, 255}, {28, 27, 24}},  {{128, 64, 0, 32}, {126, 160, 201}},
      {{-128, kNaN, 510, 0}, {255, 237, 0}},  // held at (0, 0, 1, 0)
      {{kInf, -kInf, 0, 0}, {0, 161, 228}},   // held at (1, 0, 0, 0)
  };
  std::vector<std::array<double, 4>> cmyk;
  for (const auto& c : kCmyk)
    cmyk.push_back({c.inks[0] / 255, c.inks[1] / 255, c.inks[2] / 255, c.inks[3] / 255});
  const CmykProfile fromFile = CmykProfile::FromBytes(Profile("FOGRA39L_coated.icc"));
  for (const CmykProfile* profile : {&CmykProfile::Default(), &fromFile}) {
    EXPECT_EQ(profile->name(), "FOGRA39L Coated");
    const std::vector<COLORREF> fromCmyk = CmykToSrgb(cmyk, *profile);
    ASSERT_EQ(fromCmyk.size(), cmyk.size());
    for (std::size_t i = 0; i < cmyk.size(); ++i)
      ExpectNear(fromCmyk[i], kCmyk[i].srgb, "CMYK " + std::to_string(i));
  }
}

// A CMYK JPEG's pixels, converted as they are decoded, go through the profile the decoder is
// given (the default's tables renamed, so that its warning tells which served).
TEST(CmykProfile, ConvertsTheCmykPixelsOfAJpeg) {
  std::string renamed = Profile("FOGRA39L_coated.icc");
  using Text = std::string;
  for (const auto& [from, to] :  // its description, in ASCII and in UTF-16
       {std::pair{Text("L Coated"), Text("L Glossy")},
        {Text("\0C\0o\0a\0t\0e\0d", 12), Text("\0G\0l\0o\0s\0s\0y", 12)}}) {
    const std::size_t at = renamed.find(from);
    ASSERT_NE(at, std::string::npos);
    renamed.replace(at, from.size(), to);
  }
  const auto profile = std::make_shared<const CmykProfile>(CmykProfile::FromBytes(renamed));
  ASSERT_EQ(profile->name(), "FOGRA39L Glossy");
  const std::string jpeg = ReadBytes(fs::path(VARNEL_TESTS_DIR) / "formats" / "jpeg-cmyk.jpg");
  PaletteData read[2];
  for (const bool given : {false, true}) {
    PaletteDecoder decoder(*FormatNamed("jpeg"));
    if (given) decoder.UsePrintProfile(profile);
    decoder.Feed(jpeg);
    read[given] = decoder.Finish();
  }
  EXPECT_EQ(read[true].colors, read[false].colors);
  EXPECT_EQ(read[false].warnings.at(0), "its CMYK pixels converted to RGB through FOGRA39L Coated");
  EXPECT_EQ(read[true].warnings.at(0), "its CMYK pixels converted to RGB through FOGRA39L Glossy");
}

// A description beyond the Basic Multilingual Plane, stored as UTF-16 (a surrogate pair), named
// in UTF-8.
TEST(CmykProfile, IsNamedByItsDescriptionBeyondTheBmp) {
  const std::string fogra = Profile("FOGRA39L_coated.icc");
  cmsHPROFILE profile = cmsOpenProfileFromMem(fogra.data(), cmsUInt32Number(fogra.size()));
  cmsMLU* description = cmsMLUalloc(nullptr, 1);
  cmsMLUsetWide(description, "en", "US", L"Press \xD83C\xDFA8 \u00E9");
  cmsSetProfileVersion(profile, 4.3);  // a multilingual tag: version 2 keeps only ASCII
  cmsWriteTag(profile, cmsSigProfileDescriptionTag, description);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::string bytes(size, '\0');
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsMLUfree(description);
  cmsCloseProfile(profile);
  // LittleCMS 2.14 keeps the length in UTF-16 units after joining a pair into one wchar_t of
  // 32 bits: a unit it never wrote may follow the text.
  EXPECT_TRUE(CmykProfile::FromBytes(bytes).name().starts_with("Press \U0001F3A8 \u00E9"));
}

TEST(CmykProfile, SaysWhatItRefusesInstead) {
  const std::string fogra = Profile("FOGRA39L_coated.icc");
  std::string display = fogra;
  display.replace(12, 4, "mntr");  // the device class in the header
  const struct {
    std::string bytes;
    const char* message;
  } kCases[] = {
      {Profile("sRGB.icc"), "not a CMYK printer profile (it is an RGB display profile)"},
      {display, "not a CMYK printer profile (it is a CMYK display profile)"},
      {"GIF89a, a picture", "not an ICC profile"},
      {"", "not an ICC profile"},
      {fogra.substr(0, 128), "not an ICC profile"},                // no tag table
      {fogra.substr(0, 20000), "a damaged CMYK printer profile"},  // cut in its A2B table
      {std::string(CmykProfile::kMaxBytes, '\0'), "not an ICC profile"},
      {std::string(CmykProfile::kMaxBytes + 1, '\0'), "larger than 16 MiB"},
  };
  for (const auto& c : kCases) {
    try {
      CmykProfile::FromBytes(c.bytes);
      ADD_FAILURE() << "read: " << c.message;
    } catch (const ProfileError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

// The window program's edits: an unchanged colour keeps its source, a changed one loses it,
// and an edit past the count extends the names, alpha and sources beside it.
TEST(Edited, KeepsWhatIsBesideTheColoursInStep) {
  PaletteData read;
  read.count = ColorCount(2);
  read.colors[0] = MakeColor(1, 2, 3);
  read.colors[1] = MakeColor(4, 5, 6);
  read.names = {"one", "two"};
  read.alpha = {10, 20};
  read.sources = {SourceColor{.model = ColorModel::Grey}, SourceColor{.model = ColorModel::Lab}};
  Palette table = read.colors;
  table[1] = MakeColor(7, 8, 9);
  table[3] = MakeColor(9, 9, 9);
  const PaletteData edited = Edited(read, table);
  EXPECT_EQ(edited.count, ColorCount(4));
  EXPECT_EQ(edited.colors, table);
  EXPECT_EQ(edited.names, (std::vector<std::string>{"one", "two", "", ""}));
  EXPECT_EQ(edited.alpha, (std::vector<std::uint8_t>{10, 20, 255, 255}));
  ASSERT_EQ(edited.sources.size(), 4u);
  EXPECT_EQ(edited.sources[0], read.sources[0]);
  EXPECT_FALSE(edited.sources[1] || edited.sources[2] || edited.sources[3]);
  // Nothing beside the colours: nothing made up.
  const PaletteData bare = Edited(PaletteData(read.colors), table);
  EXPECT_TRUE(bare.names.empty() && bare.alpha.empty() && bare.sources.empty());
}

}  // namespace
}  // namespace varnel::test
