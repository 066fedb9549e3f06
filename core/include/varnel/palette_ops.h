// What can be done to a palette's colours as a whole: merge, drop repeats, snap to a colour
// depth, reduce to fewer, sort. Each works on a list of swatches, which may hold more than the
// table's 256 (several palettes merged, the colours of a photograph) until it is made a
// palette again; palconv applies them in the order merge, repeats, depth, reduction, sort.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "varnel/palette.h"

namespace varnel {

// One colour and all that travels with it.
struct Swatch {
  COLORREF color = 0;
  std::uint8_t alpha = 255;
  std::string name;
  std::optional<SourceColor> source;  // see PaletteData::sources
  bool transparent = false;           // the palette's transparent entry
  std::uint64_t weight = 1;           // a picture's pixels of this colour; 1 for a palette's
};
using Swatches = std::vector<Swatch>;

// The palette's colours in order, with their pixels where it is a picture; for a picture of
// more than 256 colours, the mean colour of each of its cells of like colours instead.
Swatches SwatchesOf(const PaletteData& palette);

// The palette of `swatches`, with `facts`' title and its colours beyond the 256th, none of
// what reading said; the first transparent swatch is its transparent entry, any later one an
// opaque colour. Throws std::length_error for no swatch or more than 256.
PaletteData PaletteOf(const Swatches& swatches, const PaletteData& facts = {});

// Appends `more` to `swatches`: merge, in order. Each keeps its transparent entry, so that
// --dedup finds a repeated one; PaletteOf makes the first of them the palette's.
void Merge(Swatches& swatches, Swatches more);

// Drops every swatch equal to an earlier one (the same sRGB colour and alpha, the transparent
// entry counting as alpha 0); the first keeps its name and source and gains the weight of
// those dropped. Returns how many went.
std::size_t DropRepeats(Swatches& swatches);

// Each of red, green and blue rounded to the nearest value of `bits` (1 to 8) bits and widened
// back to 8 bits by repeating its bits (3 bits: 0, 36, 73, 109, 146, 182, 219, 255). A colour
// that changes loses its source. Throws std::out_of_range for other bits.
struct DepthChange {
  std::size_t changed = 0;  // swatches whose colour changed
  std::size_t joined = 0;   // distinct colours (with alpha) fewer than before
};
DepthChange SnapToDepth(Swatches& swatches, const std::array<int, 3>& bits);

// At most `most` (1 to 256) swatches that stand best for all of them, weighted by their
// pixels, through median cut and k-means in Oklab (quantize.cpp); the transparent entry stays
// one of them as it is. Swatches that are already few enough stay exactly as they are; else
// the new ones have no names and no sources, the most pixels first. Returns whether it
// reduced.
bool Reduce(Swatches& swatches, std::size_t most);

enum class SortKey { Lightness, Hue, Chroma };

// A stable sort, ascending, by Oklab L, by Oklch hue (from pink through orange, yellow, green
// and blue; greys, R = G = B, first in their order) or by Oklch chroma. Everything of a
// swatch moves with it.
void Sort(Swatches& swatches, SortKey key);

}  // namespace varnel
