// JASC-PAL text palettes: "JASC-PAL", "0100", "256", then one "R G B" line per entry.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "varnel/palette.h"

namespace varnel {

// Reads a JASC-PAL text the forgiving way, piece by piece, in constant memory.
//
// The three header lines are skipped unread. Exactly 256 entry lines follow; each is
// scanned like "%d %d %d": leading blanks skipped, optional sign, decimal digits of any
// length taken modulo 256. Components a line does not give keep the value of the entry
// before (0 before the first), so a short file repeats its last colour to the end.
// Anything after the third number, after a character that is not part of a number, or
// after a NUL byte is ignored. Lines end in LF or CR LF.
class JascPalDecoder {
 public:
  // Takes the next piece of the file. Returns false once all 256 entry lines are in;
  // what follows them is never looked at, so the caller may stop reading.
  bool Feed(std::string_view bytes) noexcept;

  // True once the 256th entry line has ended.
  bool Done() const noexcept { return line_ >= kLastLine; }

  // The count the third header line states, when it begins with one from 1 to 256 (after
  // blanks); 256 otherwise. It plays no role in reading the entries.
  std::size_t Count() const noexcept;

  // The entry lines so far that gave at least one number.
  std::size_t ColorLines() const noexcept { return colorLines_; }

  // Ends the input: a last line without a line feed counts, and entries the file did not
  // reach repeat the last colour read. Returns the whole table.
  Palette Finish() noexcept;

 private:
  enum class Scan : std::uint8_t { Blank, Sign, Digits, Skip };
  static constexpr int kHeaderLines = 3;
  static constexpr int kLastLine = kHeaderLines + static_cast<int>(kPaletteSize);

  // Scans an entry line up to its line feed, the end of the input, or the point where
  // the line has given all it will give; returns where it stopped.
  const char* ScanText(const char* p, const char* end) noexcept;
  void EndLine() noexcept;
  const char* ScanCount(const char* p, const char* end) noexcept;

  Palette palette_{};
  int line_ = 0;   // lines ended so far
  int field_ = 0;  // components assigned on this line
  Scan scan_ = Scan::Blank;
  bool negative_ = false;
  unsigned value_ = 0;  // number being read; its low 8 bits are right
  std::uint8_t rgb_[3] = {0, 0, 0};
  Scan countScan_ = Scan::Blank;
  unsigned count_ = 0;  // capped above 256
  std::size_t colorLines_ = 0;
};

// Decodes a whole JASC-PAL text (see JascPalDecoder).
Palette DecodeJascPal(std::string_view text) noexcept;

// The text of a palette's first `count` entries, every line ending in CR LF: 259 lines
// for all 256.
std::string EncodeJascPal(const Palette& palette, ColorCount count = {});

}  // namespace varnel
