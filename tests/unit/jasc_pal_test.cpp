#include "varnel/jasc_pal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace varnel {
namespace {

using namespace std::string_literals;
using test::SamePalette;
using test::ScanfReference;

constexpr char kHeader[] = "JASC-PAL\r\n0100\r\n256\r\n";

// A table whose first entries are `head` and whose remaining entries all repeat `rest`.
Palette HeadThenRest(const std::vector<COLORREF>& head, COLORREF rest) {
  Palette palette;
  palette.fill(rest);
  std::copy(head.begin(), head.end(), palette.begin());
  return palette;
}

Palette DecodeInPieces(std::string_view text, const std::vector<std::size_t>& cuts) {
  JascPalDecoder decoder;
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    decoder.Feed(text.substr(from, cut - from));
    from = cut;
  }
  decoder.Feed(text.substr(from));
  return decoder.Finish();
}

TEST(JascPalWriter, WritesGreenRampAsTheReferenceFile) {
  EXPECT_EQ(EncodeJascPal(GreenRamp()), test::ReadBytes(test::DataFile("green-ramp.pal")));
}

TEST(JascPalWriter, WritesEachComponentInItsOwnColumn) {
  // Red, green and blue differ in every entry here, so a swapped pair shows, and each
  // column holds every value from 0 to 255 once: one, two and three digits.
  EXPECT_EQ(EncodeJascPal(test::RampsPalette()), test::ReadBytes(test::DataFile("ramps.pal")));
}

TEST(JascPalCodec, RoundTripsTables) {
  const struct {
    Palette palette;
    const char* why;
  } cases[] = {
      {GreenRamp(), "the start-up table"},
      {HeadThenRest({}, 0), "all black: single-digit zeros everywhere"},
      {HeadThenRest({}, MakeColor(255, 255, 255)), "all white: the widest numbers"},
      {test::RandomPalette(7), "random, numbers of one, two and three digits mixed"},
      {test::RandomPalette(8), "random, another seed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string text = EncodeJascPal(c.palette);
    EXPECT_TRUE(SamePalette(DecodeJascPal(text), c.palette));
  }
}

// True when no run of digits in `text` is longer than an int can surely hold.
bool NumbersFitInt(std::string_view text) {
  std::size_t run = 0;
  for (char c : text) {
    run = c >= '0' && c <= '9' ? run + 1 : 0;
    if (run > 9) return false;
  }
  return true;
}

TEST(JascPalReader, ReadsForgivingly) {
  const COLORREF k123 = MakeColor(1, 2, 3);
  const struct {
    std::string text;            // the whole file
    std::vector<COLORREF> head;  // the first entries; the last one repeats to the end
    const char* why;
  } cases[] = {
      {kHeader + "1 2 3\r\n10 20\r\n"s,
       {k123, MakeColor(10, 20, 3)},
       "a short line keeps the missing components of the entry before"},
      {kHeader + "5\n"s, {MakeColor(5, 0, 0)}, "components start at zero before the first line"},
      {kHeader + "1 2 3\n\n4 5 6\n"s,
       {k123, k123, MakeColor(4, 5, 6)},
       "an empty line copies the entry before"},
      {kHeader + "1 2 3 4\n9\n"s,
       {k123, MakeColor(9, 2, 3)},
       "a fourth number is ignored, not carried to the next entry"},
      {kHeader + "256 -1 300\n"s, {MakeColor(0, 255, 44)}, "values are cut to their low 8 bits"},
      {kHeader + "-256 -255 -129\n"s,
       {MakeColor(0, 1, 127)},
       "negative values wrap in two's complement"},
      {kHeader + "1-2-3\n"s, {MakeColor(1, 254, 253)}, "a sign may follow a number directly"},
      {kHeader + "1+2+3\n"s, {k123}, "a plus sign likewise"},
      {kHeader + "  12\t34 56\n"s,
       {MakeColor(12, 34, 56)},
       "leading spaces and a tab between numbers"},
      {kHeader + "\v1\f2\r3\n"s,
       {k123},
       "vertical tab, form feed and a lone CR are white space to the scan"},
      {kHeader + "+7 +8 +9\n"s, {MakeColor(7, 8, 9)}, "an explicit plus sign"},
      {kHeader + "1 2 3\n4 - 6\n"s,
       {k123, MakeColor(4, 2, 3)},
       "a sign without a digit after it ends the scan"},
      {kHeader + "1 2 3\n4 +-6 7\n"s, {k123, MakeColor(4, 2, 3)}, "two signs end the scan"},
      {kHeader + "1 2 3\n12abc 5 6\n"s, {k123, MakeColor(12, 2, 3)}, "a letter ends the scan"},
      {kHeader + "1 2 3\n0x10 5 6\n"s,
       {k123, MakeColor(0, 2, 3)},
       "no hexadecimal: the x ends the scan after 0"},
      {kHeader + "1 2 3\n7.9 5 6\n"s,
       {k123, MakeColor(7, 2, 3)},
       "no fractions: the dot ends the scan"},
      {kHeader + "1 2\0 3\n4 5 6\n"s,
       {MakeColor(1, 2, 0), MakeColor(4, 5, 6)},
       "a NUL ends what is scanned of its line, not the line"},
      {kHeader + "\0\n7 8 9\n"s, {0, MakeColor(7, 8, 9)}, "a line that starts with NUL"},
      {kHeader + "007 000000000000000000000000300 -00000000000000000001\n"s,
       {MakeColor(7, 44, 255)},
       "leading zeros of any count are harmless"},
      {kHeader + "4294967296 4294967297 -4294967297\n"s,
       {MakeColor(0, 1, 255)},
       "numbers beyond 32 bits are taken modulo 256"},
      {kHeader + "99999999999999999999999999999999 -99999999999999999999 1"s +
           std::string(300, '0') + "\n",
       {MakeColor(255, 1, 0)},
       "10^n - 1 is 255 modulo 256 for n >= 8; 10^300 is 0"},
      {kHeader + "1 2 3\r\n4 5 6\n7 8 9\r\n"s,
       {k123, MakeColor(4, 5, 6), MakeColor(7, 8, 9)},
       "CR LF and LF mixed in one file"},
      {"JASC-PAL\n0100\n256\n1 2 3\n"s, {k123}, "a header with LF endings"},
      {kHeader + "1 2 3\n4 5 6"s,
       {k123, MakeColor(4, 5, 6)},
       "a last line without a line feed counts"},
      {kHeader + "1 2 3\n4 5 6\r"s,
       {k123, MakeColor(4, 5, 6)},
       "a last line ending in CR alone counts"},
      {"not a palette\n\n-5 -5 -5\n1 2 3\n"s, {k123}, "the three header lines are never looked at"},
      {"JASC-PAL\r\n0100\r\n2\r\n255 0 0\r\n0 0 255\r\n"s,
       {MakeColor(255, 0, 0), MakeColor(0, 0, 255)},
       "the count line is not used; the last colour repeats to the end"},
      {kHeader, {}, "a header alone gives an all-black table"},
      {"JASC-PAL\r\n0100"s, {}, "a cut header gives an all-black table"},
      {"", {}, "an empty file gives an all-black table"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const Palette expected = HeadThenRest(c.head, c.head.empty() ? 0 : c.head.back());
    EXPECT_TRUE(SamePalette(DecodeJascPal(c.text), expected));
    // The C library's sscanf agrees wherever its result is defined.
    if (NumbersFitInt(c.text)) {
      EXPECT_TRUE(SamePalette(ScanfReference(c.text), expected)) << "sscanf";
    }
  }
}

TEST(JascPalReader, ReadsExactly256EntryLines) {
  const Palette palette = test::RandomPalette(11);
  const std::string text = EncodeJascPal(palette) + "9 9 9\r\n8 8 8\r\n";
  EXPECT_TRUE(SamePalette(DecodeJascPal(text), palette));

  // Byte by byte: Feed says "no more" exactly when the 256th entry line ends.
  const std::size_t last_lf = EncodeJascPal(palette).size() - 1;
  JascPalDecoder decoder;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool wants_more = decoder.Feed(text.substr(i, 1));
    ASSERT_EQ(wants_more, i < last_lf) << "after byte " << i;
    ASSERT_EQ(decoder.Done(), i >= last_lf) << "after byte " << i;
  }
  EXPECT_TRUE(SamePalette(decoder.Finish(), palette));
}

TEST(JascPalReader, ReadsA16ColourFileWithLfEndings) {
  // Its count line says 16; entries 16 to 255 repeat entry 15.
  const std::vector<COLORREF> sixteen = {
      MakeColor(0, 0, 0),      MakeColor(128, 0, 0),     MakeColor(0, 128, 0),
      MakeColor(128, 128, 0),  MakeColor(0, 0, 128),     MakeColor(128, 0, 128),
      MakeColor(0, 128, 128),  MakeColor(192, 192, 192), MakeColor(128, 128, 128),
      MakeColor(255, 0, 0),    MakeColor(0, 255, 0),     MakeColor(255, 255, 0),
      MakeColor(0, 0, 255),    MakeColor(255, 0, 255),   MakeColor(0, 255, 255),
      MakeColor(255, 255, 255)};
  EXPECT_TRUE(SamePalette(DecodeJascPal(test::ReadBytes(test::DataFile("sixteen-lf.pal"))),
                          HeadThenRest(sixteen, MakeColor(255, 255, 255))));
}

// A text that exercises every scanner state: signs, long numbers, NULs, CRs, short lines.
std::string MixedText() {
  std::string text = kHeader;
  text += "1-2-3\r\n  12\t34 56\n\n+7 -8 x\r\n00000000000000000000000000300 4\n"s;
  text += "1 2\0 3\n\v5\f6\r7 8\r\n- 1\n"s;
  text += EncodeJascPal(test::RandomPalette(5)).substr(sizeof kHeader - 1, 400);
  return text;
}

TEST(JascPalDecoder, GivesTheSameTableWhereverTheInputIsCut) {
  const std::string texts[] = {MixedText(), EncodeJascPal(test::RandomPalette(9))};
  for (const std::string& text : texts) {
    const Palette whole = DecodeJascPal(text);
    for (std::size_t cut = 0; cut <= text.size(); ++cut)
      ASSERT_TRUE(SamePalette(DecodeInPieces(text, {cut}), whole)) << "cut at " << cut;

    std::vector<std::size_t> every_byte(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) every_byte[i] = i;
    EXPECT_TRUE(SamePalette(DecodeInPieces(text, every_byte), whole)) << "byte by byte";

    std::mt19937 random(3);
    for (int round = 0; round < 50; ++round) {
      std::vector<std::size_t> cuts;
      std::uniform_int_distribution<std::size_t> at(0, text.size());
      for (int k = 0; k < 20; ++k) cuts.push_back(at(random));
      std::sort(cuts.begin(), cuts.end());
      ASSERT_TRUE(SamePalette(DecodeInPieces(text, cuts), whole)) << "round " << round;
    }
  }
}

TEST(JascPalReader, ReadsEveryTruncationOfAValidFile) {
  const Palette palette = test::RandomPalette(21);
  const std::string text = EncodeJascPal(palette);
  for (std::size_t length = 0; length <= text.size(); ++length) {
    const std::string prefix = text.substr(0, length);
    const Palette read = DecodeJascPal(prefix);
    ASSERT_TRUE(SamePalette(read, ScanfReference(prefix))) << "length " << length;
    // Entries whose lines are complete in the prefix are exactly the original ones.
    const auto lines = static_cast<std::size_t>(std::count(prefix.begin(), prefix.end(), '\n'));
    for (std::size_t i = 0; i + 3 < lines; ++i)
      ASSERT_EQ(read[i], palette[i]) << "length " << length << ", entry " << i;
  }
}

TEST(JascPalReader, ReadsEveryOneByteCorruptionLikeSscanf) {
  const std::string text = EncodeJascPal(test::RandomPalette(31)).substr(0, 700);
  for (std::size_t at = 0; at < text.size(); ++at) {
    for (char c : "\n\r\0 -+x09"s) {
      std::string bad = text;
      bad[at] = c;
      ASSERT_TRUE(SamePalette(DecodeJascPal(bad), ScanfReference(bad)))
          << "byte " << at << " set to " << int{c};
    }
    std::string cut = text;
    cut.erase(at, 1);
    ASSERT_TRUE(SamePalette(DecodeJascPal(cut), ScanfReference(cut))) << "byte " << at << " gone";
  }
}

TEST(JascPalReader, ReadsEachLineDeletedLikeSscanf) {
  const std::string text = EncodeJascPal(test::RandomPalette(41));
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t end = text.find('\n', begin) + 1;
    const std::string without = text.substr(0, begin) + text.substr(end);
    ASSERT_TRUE(SamePalette(DecodeJascPal(without), ScanfReference(without)))
        << "line at byte " << begin << " deleted";
    begin = end;
  }
}

}  // namespace
}  // namespace varnel
