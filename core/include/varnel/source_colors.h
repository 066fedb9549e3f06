// The colours of swatch files as the palette keeps them beside its table (PaletteData::sources),
// and their 8-bit sRGB.
#pragma once

#include <cstddef>
#include <string>

#include "varnel/colour.h"
#include "varnel/palette.h"

namespace varnel {

// What ConvertSources converted: CMYK colours, Lab colours, and Lab colours outside sRGB,
// held at its edge.
struct Converted {
  std::size_t cmyk = 0, lab = 0, clipped = 0;
};

// Sets the table's colour of every CMYK and Lab source in `palette` to its 8-bit sRGB, CMYK
// through `profile`, and says what it converted. The swatch readers call it with the default
// profile; palconv again with the one --cmyk-profile names.
Converted ConvertSources(PaletteData& palette, const CmykProfile& profile);

// How many colours of each model and kind `palette` holds: "9 RGB, 3 CMYK, 2 Lab; 2 spot",
// a colour without a source counting as RGB; "" for a palette without sources.
std::string ModelsOf(const PaletteData& palette);

// The HSB of an 8-bit sRGB colour, each value a fraction of 1 (the hue of a full turn, 0 for
// a grey): what a format that holds only HSB writes for a colour read otherwise.
SourceColor HsbOf(COLORREF color) noexcept;

// A source colour for people, as palconv --show lists it: "CMYK 0 100 100 0 spot" (RGB 0 to
// 255, HSB in degrees and percent, CMYK and grey in percent, Lab as it is), at most two
// decimals.
std::string Described(const SourceColor& source);

// `read` with the colours of `table` (the window program's swatches after edits): a colour
// that differs from the one read loses its source, and the count reaches the last of them.
PaletteData Edited(const PaletteData& read, const Palette& table);

}  // namespace varnel
