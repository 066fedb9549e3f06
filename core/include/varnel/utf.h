// Text between UTF-8 and UTF-16, and text made safe to show on a terminal. One converter for
// the whole program: whatever is ill-formed becomes U+FFFD, never a wrong character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace varnel {

// `bytes` as well-formed UTF-8: each maximal subpart of an ill-formed sequence (the longest
// start of a well-formed sequence, or else one byte) becomes one U+FFFD, as the Unicode
// Standard recommends; all else stays as it is.
std::string ValidUtf8(std::string_view bytes);

// UTF-16 code units as UTF-8; a surrogate without its partner becomes U+FFFD.
std::string Utf8FromUtf16(std::u16string_view units);

// UTF-8 as UTF-16 code units, ill-formed bytes replaced as by ValidUtf8.
std::u16string Utf16FromUtf8(std::string_view bytes);

// The longest start of well-formed UTF-8 `text` that is at most `units` UTF-16 code units
// long: cut at a character boundary.
std::string_view Utf8Prefix(std::string_view text, std::size_t units);

// `number` with a comma between each group of three digits: "10,000".
std::string Grouped(std::uint64_t number);

// `count` grouped and `unit`, plural but for 1: "1 bit", "10,000 files".
std::string Counted(std::uint64_t count, std::string_view unit);

// True when `text` holds nothing that can move a terminal's cursor: no control character
// (C0, DEL or C1), and no byte from 0x80 to 0x9F outside a UTF-8 sequence.
bool IsPrintable(std::string_view text) noexcept;

// `text` in double quotes with '"' and '\' escaped and what IsPrintable refuses spelt out
// ("\n", "\t", "\r", "\xHH" for each byte), so that nothing in it can move a terminal's
// cursor or fake a line of its own.
std::string Quoted(std::string_view text);

#ifdef _WIN32
// UTF-8 and UTF-16 for the wide API.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
#endif

}  // namespace varnel
