#include "varnel/jasc_pal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"

namespace varnel {
namespace {

using namespace std::string_literals;
using test::SamePalette;

constexpr char kHeader[] = "JASC-PAL\r\n0100\r\n256\r\n";

// What the forgiving reading gives, worked out the plain way: split lines at LF, skip
// three, run the C library's sscanf "%d %d %d" on each of the next 256 (a missing line is
// empty) with red, green and blue carried over. Only for numbers that fit an int: sscanf
// has no defined result beyond that.
Palette ScanfReference(std::string_view text) {
  Palette palette{};
  int rgb[3] = {0, 0, 0};
  for (int line = 0; line < 3 + static_cast<int>(kPaletteSize); ++line) {
    const std::size_t lf = text.find('\n');
    // The line as a C string: sscanf stops at its first NUL, as the reader does.
    const std::string entry(text.substr(0, lf));
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    if (line < 3) continue;
    std::sscanf(entry.c_str(), "%d %d %d", &rgb[0], &rgb[1], &rgb[2]);
    palette[static_cast<std::size_t>(line - 3)] = MakeColor(rgb[0], rgb[1], rgb[2]);
  }
  return palette;
}

// A short text that passes through every state of the line scanner: signs, blanks of each
// kind, a NUL, a lone CR, short lines and junk after the numbers, then ordinary entries.
std::string MixedText() {
  return kHeader + "1-2-3\r\n  12\t34 56\n\n+7 -8 x\r\n300 4\n1 2\0 3\n\v5\f6\r7 8\r\n- 1\n"s +
         test::ReadBytes(test::DataFile("ramps.pal")).substr(sizeof kHeader - 1, 300);
}

TEST(JascPalReader, ReadsForgivingly) {
  const COLORREF k123 = MakeColor(1, 2, 3);
  const struct {
    std::string text;            // the whole file
    std::vector<COLORREF> head;  // the first entries; the last one repeats to the end
    const char* why;
    bool beyond_int = false;     // sscanf has no defined result for the text
  } cases[] = {
      {kHeader + "1 2 3\r\n10 20\r\n"s, {k123, MakeColor(10, 20, 3)},
       "a short line keeps the missing components of the entry before"},
      {kHeader + "5\n"s, {MakeColor(5, 0, 0)}, "components start at zero"},
      {kHeader + "1 2 3 4\n9\n"s, {k123, MakeColor(9, 2, 3)},
       "a fourth number is ignored, not carried to the next entry"},
      {kHeader + "256 -1 -129\n"s, {MakeColor(0, 255, 127)}, "values are cut to their low 8 bits"},
      {kHeader + "1 2 3\n4 - 6\n"s, {k123, MakeColor(4, 2, 3)},
       "a sign without a digit after it ends the scan"},
      {kHeader + "1 2\0 3\n4 5 6\n"s, {MakeColor(1, 2, 0), MakeColor(4, 5, 6)},
       "a NUL ends what is scanned of its line, not the line"},
      {kHeader + "1 2 3\n4 5 6\r"s, {k123, MakeColor(4, 5, 6)},
       "a last line without a line feed counts"},
      {kHeader + "4294967296 -99999999999999999999 1"s + std::string(300, '0') + "\n",
       {MakeColor(0, 1, 0)}, "numbers of any length are taken modulo 256", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    Palette expected;
    expected.fill(c.head.back());
    std::copy(c.head.begin(), c.head.end(), expected.begin());
    EXPECT_TRUE(SamePalette(DecodeJascPal(c.text), expected));
    // The C library agrees wherever its result is defined (numbers that fit an int).
    if (!c.beyond_int) {
      EXPECT_TRUE(SamePalette(ScanfReference(c.text), expected)) << "sscanf";
    }
  }
}

TEST(JascPalReader, StopsExactlyAfterThe256thEntryLine) {
  const std::string file = test::ReadBytes(test::DataFile("ramps.pal"));
  const std::string text = file + "9 9 9\r\n8 8 8\r\n";
  JascPalDecoder decoder;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool wants_more = decoder.Feed(text.substr(i, 1));
    ASSERT_EQ(wants_more, i + 1 < file.size()) << "after byte " << i;
    ASSERT_EQ(decoder.Done(), !wants_more) << "after byte " << i;
  }
  EXPECT_TRUE(SamePalette(decoder.Finish(), test::RampsPalette()));
}

TEST(JascPalDecoder, GivesTheSameTableWhereverTheInputIsCut) {
  const std::string text = MixedText();
  const Palette whole = DecodeJascPal(text);
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    JascPalDecoder decoder;
    decoder.Feed(std::string_view(text).substr(0, cut));
    decoder.Feed(std::string_view(text).substr(cut));
    ASSERT_TRUE(SamePalette(decoder.Finish(), whole)) << "cut at " << cut;
  }
}

// Every truncation, every byte deleted or overwritten, every line deleted: the result is
// what sscanf makes of the same text.
TEST(JascPalReader, ReadsEveryDamagedVariantLikeSscanf) {
  const std::string text = MixedText();
  std::vector<std::string> variants;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const std::string before = text.substr(0, at);
    variants.push_back(before);
    variants.push_back(before + text.substr(at + 1));
    for (char c : "\n\r\0 -+x9"s) variants.push_back(before + c + text.substr(at + 1));
    const std::size_t lf = text.find('\n', at);
    if ((at == 0 || text[at - 1] == '\n') && lf != std::string::npos)
      variants.push_back(before + text.substr(lf + 1));
  }
  for (const std::string& variant : variants) {
    ASSERT_TRUE(SamePalette(DecodeJascPal(variant), ScanfReference(variant)))
        << testing::PrintToString(variant);
  }
}

}  // namespace
}  // namespace varnel
