#include "varnel/utf.h"

#include <algorithm>

namespace varnel {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The character at the start of non-empty `text`, or the ill-formed maximal subpart there.
struct Next {
  char32_t c;        // U+FFFD when ill-formed
  std::size_t size;  // bytes taken
  bool valid;
};

Next NextIn(std::string_view text) noexcept {
  auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned lead = byte(0);
  if (lead < 0x80) return {lead, 1, true};
  // The well-formed sequences (Unicode Standard, table 3-7): the second byte's range
  // depends on the lead, every later byte is 80..BF.
  std::size_t size = 0;
  unsigned low = 0x80, high = 0xBF;
  char32_t c = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    size = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    size = 3;
    c = lead & 0x0F;
    low = lead == 0xE0 ? 0xA0 : low;    // no overlong forms
    high = lead == 0xED ? 0x9F : high;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    size = 4;
    c = lead & 0x07;
    low = lead == 0xF0 ? 0x90 : low;
    high = lead == 0xF4 ? 0x8F : high;  // nothing beyond U+10FFFF
  } else {
    return {0xFFFD, 1, false};
  }
  for (std::size_t i = 1; i < size; ++i) {
    if (i == text.size() || byte(i) < low || byte(i) > high) return {0xFFFD, i, false};
    c = c << 6 | (byte(i) & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return {c, size, true};
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
    return;
  }
  const int extra = c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
  out += static_cast<char>(((0xF0u << (3 - extra)) & 0xFF) | (c >> 6 * extra));
  for (int k = extra - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((c >> 6 * k) & 0x3F));
}

constexpr bool IsControl(char32_t c) noexcept { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// A character to spell out: a control character, or ill-formed bytes among which one is a C1
// control where a terminal takes bytes for characters (0x80 to 0x9F; 0x9B starts an escape
// sequence). Other ill-formed bytes cannot move the cursor and stay as they are, so that a
// name in a legacy encoding still reads.
bool IsUnsafe(const Next& next, std::string_view taken) noexcept {
  if (next.valid) return IsControl(next.c);
  return std::any_of(taken.begin(), taken.end(), [](char byte) {
    return static_cast<unsigned char>(byte) >= 0x80 && static_cast<unsigned char>(byte) <= 0x9F;
  });
}

}  // namespace

std::string Grouped(std::uint64_t number) {
  const std::string digits = std::to_string(number);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

std::string Counted(std::uint64_t count, std::string_view unit) {
  return Grouped(count) + " " + std::string(unit) + (count == 1 ? "" : "s");
}

std::string ValidUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    const Next next = NextIn(bytes);
    if (next.valid)
      out.append(bytes.substr(0, next.size));
    else
      out += kReplacement;
    bytes.remove_prefix(next.size);
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    const bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
                      units[i + 1] < 0xE000;
    if (pair)
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00u);
    else if (c >= 0xD800 && c < 0xE000)
      c = 0xFFFD;
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string Utf16FromUtf8(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  while (!bytes.empty()) {
    const Next next = NextIn(bytes);
    if (next.c >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((next.c - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((next.c - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(next.c);
    }
    bytes.remove_prefix(next.size);
  }
  return out;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t units) {
  std::size_t at = 0;
  while (at < text.size()) {
    const Next next = NextIn(text.substr(at));
    const std::size_t taken = next.c >= 0x10000 ? 2 : 1;
    if (taken > units) break;
    units -= taken;
    at += next.size;
  }
  return text.substr(0, at);
}

bool IsPrintable(std::string_view text) noexcept {
  while (!text.empty()) {
    const Next next = NextIn(text);
    if (IsUnsafe(next, text.substr(0, next.size))) return false;
    text.remove_prefix(next.size);
  }
  return true;
}

std::string Quoted(std::string_view text) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  while (!text.empty()) {
    const Next next = NextIn(text);
    const std::string_view taken = text.substr(0, next.size);
    text.remove_prefix(next.size);
    if (next.c == '"' || next.c == '\\') {
      out += '\\';
      out += static_cast<char>(next.c);
    } else if (next.c == '\n' || next.c == '\t' || next.c == '\r') {
      out += next.c == '\n' ? "\\n" : next.c == '\t' ? "\\t" : "\\r";
    } else if (IsUnsafe(next, taken)) {
      for (const char byte : taken) {
        const auto b = static_cast<unsigned char>(byte);
        out.append("\\x").append(1, kHex[b >> 4]).append(1, kHex[b & 15]);
      }
    } else {
      out += taken;
    }
  }
  return out + '"';
}

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide API takes UTF-16");

std::wstring Widen(std::string_view utf8) {
  const std::u16string units = Utf16FromUtf8(utf8);
  return std::wstring(units.begin(), units.end());
}

std::string Narrow(std::wstring_view utf16) {
  const std::u16string units(utf16.begin(), utf16.end());
  return Utf8FromUtf16(units);
}
#endif

}  // namespace varnel
