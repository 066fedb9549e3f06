#include "varnel/jasc_pal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

#include "varnel/text.h"

namespace varnel {
namespace {

constexpr bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

constexpr unsigned DigitOf(char c) noexcept {
  return static_cast<unsigned char>(c) - unsigned{'0'};
}

}  // namespace

void JascPalDecoder::EndLine() noexcept {
  // A number the line break ends (a third one would have ended the scan).
  if (scan_ == Scan::Digits)
    rgb_[field_++] = static_cast<std::uint8_t>(negative_ ? 0u - value_ : value_);
  if (line_ >= kHeaderLines) {
    palette_[static_cast<std::size_t>(line_ - kHeaderLines)] = MakeColor(rgb_[0], rgb_[1], rgb_[2]);
    if (field_ > 0) ++colorLines_;
  }
  ++line_;
  field_ = 0;
  scan_ = Scan::Blank;
}

const char* JascPalDecoder::ScanText(const char* p, const char* const end) noexcept {
  // The state lives in locals while the line is scanned, so that it stays in registers.
  Scan scan = scan_;
  unsigned value = value_;
  bool negative = negative_;
  int field = field_;
  std::uint8_t rgb[3] = {rgb_[0], rgb_[1], rgb_[2]};
  for (; p != end && scan != Scan::Skip; ++p) {
    const char c = *p;
    if (c == '\n') break;
    switch (scan) {
      case Scan::Digits:
        if (IsDigit(c)) {
          value = value * 10 + DigitOf(c);
          continue;
        }
        // Only the low 8 bits count, and unsigned arithmetic keeps them right however
        // long the number grew.
        rgb[field++] = static_cast<std::uint8_t>(negative ? 0u - value : value);
        scan = field == 3 ? Scan::Skip : Scan::Blank;
        if (scan == Scan::Skip) break;
        [[fallthrough]];  // the character after a number may start the next one: "1-2-3"
      case Scan::Blank:
        if (IsBlank(c)) continue;
        negative = c == '-';
        value = IsDigit(c) ? DigitOf(c) : 0u;
        scan = IsDigit(c) ? Scan::Digits : (c == '-' || c == '+') ? Scan::Sign : Scan::Skip;
        continue;
      case Scan::Sign:
        // A sign with no digit after it ends the scan of the line.
        value = DigitOf(c);
        scan = IsDigit(c) ? Scan::Digits : Scan::Skip;
        continue;
      case Scan::Skip:
        break;
    }
  }
  scan_ = scan;
  value_ = value;
  negative_ = negative;
  field_ = field;
  std::copy(rgb, rgb + 3, rgb_);
  return p;
}

const char* JascPalDecoder::ScanCount(const char* p, const char* const end) noexcept {
  for (; p != end && countScan_ != Scan::Skip && *p != '\n'; ++p) {
    if (countScan_ == Scan::Blank && IsBlank(*p)) continue;
    if (!IsDigit(*p)) {
      countScan_ = Scan::Skip;
      break;
    }
    countScan_ = Scan::Digits;
    count_ = std::min(count_ * 10 + DigitOf(*p), 1000u);
  }
  return p;
}

std::size_t JascPalDecoder::Count() const noexcept {
  return count_ >= 1 && count_ <= kPaletteSize ? count_ : kPaletteSize;
}

bool JascPalDecoder::Feed(std::string_view bytes) noexcept {
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p != end && !Done()) {
    if (line_ == kHeaderLines - 1) p = ScanCount(p, end);
    if (line_ >= kHeaderLines && scan_ != Scan::Skip) {
      p = ScanText(p, end);
      if (p == end) break;
    }
    // Header lines, and what is left of a line once it has given its numbers, are
    // skipped unread.
    const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    if (lf == nullptr) break;
    p = static_cast<const char*>(lf) + 1;
    EndLine();
  }
  return !Done();
}

Palette JascPalDecoder::Finish() noexcept {
  // The first call ends a last line that had no line feed; past the end of the file
  // every further line reads as empty and repeats the colour before it.
  while (!Done()) EndLine();
  return palette_;
}

Palette DecodeJascPal(std::string_view text) noexcept {
  JascPalDecoder decoder;
  decoder.Feed(text);
  return decoder.Finish();
}

namespace {

struct Decimal {
  std::array<char, 3> digits;
  std::uint8_t size;
};

constexpr std::array<Decimal, 256> MakeDecimals() noexcept {
  std::array<Decimal, 256> table{};
  for (int v = 0; v < 256; ++v) {
    Decimal& d = table[static_cast<std::size_t>(v)];
    if (v >= 100) d.digits[d.size++] = static_cast<char>('0' + v / 100);
    if (v >= 10) d.digits[d.size++] = static_cast<char>('0' + v / 10 % 10);
    d.digits[d.size++] = static_cast<char>('0' + v % 10);
  }
  return table;
}

constexpr std::array<Decimal, 256> kDecimals = MakeDecimals();

void AppendDecimal(std::string& out, std::uint8_t v) {
  const Decimal& d = kDecimals[v];
  out.append(d.digits.data(), d.size);
}

}  // namespace

std::string EncodeJascPal(const Palette& palette, ColorCount count) {
  std::string out;
  out.append("JASC-PAL\r\n0100\r\n");
  out.append(std::to_string(count)).append("\r\n");
  for (const COLORREF c : std::span(palette).first(count)) {
    AppendDecimal(out, RedOf(c));
    out.push_back(' ');
    AppendDecimal(out, GreenOf(c));
    out.push_back(' ');
    AppendDecimal(out, BlueOf(c));
    out.append("\r\n");
  }
  return out;
}

}  // namespace varnel
