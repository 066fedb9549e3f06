// The small text helpers every reader shares. ASCII only, whatever the locale: a file reads
// the same on every machine.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace varnel {

// Text after a UTF-8 byte-order mark, or all of it when there is none.
constexpr std::string_view WithoutBom(std::string_view text) noexcept {
  return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
}

// The white space within a line that a "%d" conversion skips (a line feed ends the line).
constexpr bool IsBlank(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// `text` without the blanks at either end.
constexpr std::string_view Trimmed(std::string_view text) noexcept {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// An ASCII letter in upper case; any other character (of any width) as it is.
template <class Char>
constexpr Char UpperAscii(Char c) noexcept {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

// `text` with its ASCII letters in upper case.
inline std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  std::ranges::transform(upper, upper.begin(), UpperAscii<char>);
  return upper;
}

// True when `text` (of any character width) equals `word` in any letter case: ASCII
// letters fold, nothing else does.
template <class Text>
constexpr bool SameLetters(const Text& text, std::string_view word) noexcept {
  return std::ranges::equal(text, word, [](auto a, char b) {
    using Char = decltype(a);
    return UpperAscii(a) == UpperAscii(static_cast<Char>(b));
  });
}

}  // namespace varnel
