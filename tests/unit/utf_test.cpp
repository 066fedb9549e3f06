// The UTF-8 and UTF-16 converter against the Unicode Standard's own examples of U+FFFD
// substitution (chapter 3.9, tables 3-8 to 3-12: one U+FFFD per maximal subpart).
#include "varnel/utf.h"

#include <gtest/gtest.h>

namespace varnel::test {
namespace {

constexpr char kFffd[] = "\xEF\xBF\xBD";

TEST(Utf8, ReplacesEachMaximalSubpartAsTheUnicodeStandardShows) {
  const std::string r = kFffd;
  const struct {
    const char *bytes, *why;
    std::string valid;
  } kCases[] = {
      {"\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", "table 3-8",
       "a" + r + r + r + "b" + r + "c" + r + r + "d"},
      {"\xC0\xAF\xE0\x80\xBF\xF0\x81\x82\x41", "non-shortest forms",
       r + r + r + r + r + r + r + r + "A"},
      {"\xED\xA0\x80\xED\xBF\xBF\xED\xAF\x41", "surrogates", r + r + r + r + r + r + r + r + "A"},
      {"\xF4\x91\x92\x93\xFF\x41\x80\xBF\x42", "beyond U+10FFFF, FF, lone trail bytes",
       r + r + r + r + r + "A" + r + r + "B"},
      {"\xE1\x80\xE2\xF0\x91\x92\xF1\xBF\x41", "truncated sequences", r + r + r + r + "A"},
      {"\xF9\x80\x80\x80", "no five-byte forms", r + r + r + r},
      {"a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "well-formed",
       "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\xEF\xBF\xBF",
       "U+10000 and U+10FFFF, ends of the pairs; U+FFFF",
       "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\xEF\xBF\xBF"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(ValidUtf8(c.bytes), c.valid) << c.why;
    EXPECT_EQ(Utf8FromUtf16(Utf16FromUtf8(c.bytes)), c.valid) << c.why;
  }
}

TEST(Utf16, ReplacesALoneSurrogateAndKeepsWhatFollows) {
  EXPECT_EQ(Utf8FromUtf16(u"\xD83D\x0041"), std::string(kFffd) + "A");
  EXPECT_EQ(Utf8FromUtf16(u"\xDC00\xD800"), std::string(kFffd) + kFffd);
  EXPECT_EQ(Utf8FromUtf16(u"\xD83D\xDE00!"), "\xF0\x9F\x98\x80!");
  EXPECT_EQ(Utf16FromUtf8("\xF0\x9F\x98\x80"), u"\xD83D\xDE00");
  EXPECT_EQ(Utf8Prefix("ab\xF0\x9F\x98\x80", 3), "ab");  // a pair is never split
}

}  // namespace
}  // namespace varnel::test
