// What palconv prints of a palette: its listing and colour grid, names made safe to print,
// and what a conversion cannot keep.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "varnel/format.h"

namespace palconv {

// "index: red green blue", one line per entry.
std::string Listing(const varnel::Palette& palette);

// 16 rows of 16 cells, each two blanks on the entry's colour as a 24-bit background.
std::string Grid(const varnel::Palette& palette);

// A name as printed: as it is, or, when it holds a control character (a line feed, an
// escape sequence), quoted with those characters spelt out (see varnel::Quoted), so that no
// name can move the cursor or fake a line of its own.
std::string Shown(std::string_view name);

// A warning: `what` for one file, and `batch`, where a batch says it once for every file
// it concerns, with "{}" standing for the number of files ("" where it is always said
// file by file).
struct Warning {
  std::string what, batch;
};

// What a conversion of `palette` to `format` cannot keep, written with --keep-count or not.
std::vector<Warning> Losses(const varnel::PaletteData& palette, varnel::PaletteFormat format,
                            bool keepCount);

}  // namespace palconv
