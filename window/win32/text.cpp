#include "text.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <climits>
#include <stdexcept>

namespace varnel::window::win32 {
namespace {

// The W API counts characters in int; longer text cannot reach it anyway.
int CheckedLength(std::size_t size) {
  if (size > static_cast<std::size_t>(INT_MAX)) throw std::length_error("text too long");
  return static_cast<int>(size);
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int length = CheckedLength(utf8.size());
  // Flags 0: ill-formed input turns into U+FFFD instead of failing the whole call.
  const int wide = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring out(static_cast<std::size_t>(wide), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, out.data(), wide);
  return out;
}

std::string Narrow(std::wstring_view utf16) {
  if (utf16.empty()) return {};
  const int length = CheckedLength(utf16.size());
  const int bytes =
      ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, out.data(), bytes, nullptr, nullptr);
  return out;
}

std::wstring DialogFilter(std::string_view filter) {
  std::wstring out = Widen(filter);
  for (wchar_t& c : out) {
    if (c == L'|') c = L'\0';
  }
  // The list ends at the first empty description: make sure there is one, even for a
  // filter written without its closing "||" (or an empty one).
  if (out.empty() || out.back() != L'\0') out.push_back(L'\0');
  if (out.size() < 2 || out[out.size() - 2] != L'\0') out.push_back(L'\0');
  return out;
}

}  // namespace varnel::window::win32
