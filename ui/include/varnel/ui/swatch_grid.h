// Where the 256 swatches lie on the main window, and which one a point hits.
#pragma once

#include <windows.h>

#include <array>
#include <optional>

#include "varnel/palette.h"

namespace varnel::ui {

// Layout in client pixels: the first column and row start 7 px in, each swatch is a
// 15 px square, 3 px apart, 15 to a row. Swatches 1 to 255 fill 15 columns by 17 rows;
// swatch 0 sits one step left of swatch 1, mostly outside the client area.
inline constexpr int kSwatchMargin = 7;
inline constexpr int kSwatchSize = 15;
inline constexpr int kSwatchGap = 3;
inline constexpr int kSwatchPitch = kSwatchSize + kSwatchGap;
inline constexpr int kSwatchesPerRow = 15;

using Swatches = std::array<RECT, kPaletteSize>;

// One pass over the 256 entries: entry i of `palette` becomes (0, i, 0), the green ramp,
// and `swatches[i]` gets its square.
void InitSwatches(Palette& palette, Swatches& swatches) noexcept;

// The first swatch, in index order, that contains `point` (PtInRect: right and bottom
// edges excluded); none in the gaps or outside the grid.
std::optional<int> HitTest(const Swatches& swatches, POINT point) noexcept;

}  // namespace varnel::ui
