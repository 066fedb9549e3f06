// The reduction of many colours to a few: variance-based median cut in Oklab, refined by
// k-means, every colour weighted by its pixels (see quantize.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "varnel/palette.h"

namespace varnel {

// A colour that stands for others, and the pixels (or weight) of all it stands for.
struct Representative {
  COLORREF color = 0;
  std::uint8_t alpha = 255;
  std::uint64_t pixels = 0;
};

// At most `most` (1 or more) colours that stand best for `cells`, the colours of many pixels
// (each cell's mean colour, weighted by its pixels; cells without pixels play no role), the
// colours of the most pixels first. Deterministic: the same cells in the same order give the
// same colours on every build.
std::vector<Representative> Quantize(std::span<const ColorCell> cells, std::size_t most);

}  // namespace varnel
