#include "../text.h"

#include <gtest/gtest.h>

#include <string>

namespace varnel::window::win32 {
namespace {

// A wide literal with its embedded NULs, without the terminating one.
template <std::size_t N>
std::wstring Chars(const wchar_t (&text)[N]) {
  return std::wstring(text, N - 1);
}

struct RoundTrip {
  const char* why;
  std::string utf8;
  std::wstring utf16;
};

TEST(Text, ConvertsBothWays) {
  const RoundTrip cases[] = {
      {"empty", "", L""},
      {"ASCII path", "C:\\pal\\sky.pal", L"C:\\pal\\sky.pal"},
      {"two-byte sequences (Cyrillic)", "\xD0\x9F\xD0\xB0\xD0\xBB", L"\u041F\u0430\u043B"},
      {"three-byte sequences (Japanese)", "\xE6\x97\xA5\xE6\x9C\xAC", L"\u65E5\u672C"},
      {"four bytes become a surrogate pair", "\xF0\x9F\x8E\xA8", L"\xD83C\xDFA8"},
      {"an embedded NUL is kept, not an end", std::string("a\0b", 3), Chars(L"a\0b")},
  };
  for (const RoundTrip& c : cases) {
    EXPECT_EQ(Widen(c.utf8), c.utf16) << c.why;
    EXPECT_EQ(Narrow(c.utf16), c.utf8) << c.why;
  }
}

TEST(Text, ReplacesWhatIsNotWellFormed) {
  const struct {
    const char* why;
    std::string utf8;
    std::wstring utf16;
  } cases[] = {
      {"a lone continuation byte", "a\x80z", L"a\xFFFDz"},
      {"a sequence cut short at the end", "a\xE6\x97", L"a\xFFFD"},
      {"a byte that never starts a sequence", "\xFF", L"\xFFFD"},
  };
  for (const auto& c : cases) EXPECT_EQ(Widen(c.utf8), c.utf16) << c.why;
  EXPECT_EQ(Narrow(std::wstring(L"x\xD800y")), "x\xEF\xBF\xBDy") << "an unpaired surrogate";
}

TEST(Text, TurnsAFilterIntoTheDialogsList) {
  const struct {
    const char* why;
    const char* filter;
    std::wstring list;
  } cases[] = {
      {"two pairs ended by ||", "Jasc (*.Pal)|*.pal|Act (*.Act)|*.act||",
       Chars(L"Jasc (*.Pal)\0*.pal\0Act (*.Act)\0*.act\0\0")},
      {"not ended: the end is added", "All|*.*", Chars(L"All\0*.*\0\0")},
      {"ended by one |", "All|*.*|", Chars(L"All\0*.*\0\0")},
      {"empty: an empty list", "", Chars(L"\0\0")},
      {"non-ASCII descriptions", "\xD0\x9F|*.pal||", Chars(L"\u041F\0*.pal\0\0")},
  };
  for (const auto& c : cases) EXPECT_EQ(DialogFilter(c.filter), c.list) << c.why;
}

}  // namespace
}  // namespace varnel::window::win32
