// What palconv prints of a palette: its listing and colour grid, and names made safe to print.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "varnel/format.h"

namespace palconv {

// "index: red green blue", one line per entry; a colour a swatch file gave in another model or
// kind adds it, and its name (`3: 237 28 36  CMYK 0 100 100 0 spot "Brand Red"`).
std::string Listing(const varnel::PaletteData& palette);

// 16 rows of 16 cells, each two blanks on the entry's colour as a 24-bit background.
std::string Grid(const varnel::Palette& palette);

// A name as printed: as it is, or, when it holds a control character (a line feed, an
// escape sequence), quoted with those characters spelt out (see varnel::Quoted), so that no
// name can move the cursor or fake a line of its own.
std::string Shown(std::string_view name);

// The system's words for an errno value.
std::string SystemReason(int errorNumber);

// A failure on standard output, which has no path of its own.
struct OutputError {
  std::string reason;
};

// The reason `out` failed, or "" when all that was printed arrived.
std::string OutputFailure(std::FILE* out);

}  // namespace palconv
