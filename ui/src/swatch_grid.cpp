#include "varnel/ui/swatch_grid.h"

namespace varnel::ui {

void InitSwatches(Palette& palette, Swatches& swatches) noexcept {
  // x starts two steps left of the margin: the first step puts swatch 0 one step left
  // of the grid, and the row test wraps after indices 15, 30, 45, ...
  int x = kSwatchMargin - 2 * kSwatchPitch;
  int y = kSwatchMargin;
  int row = 1;
  for (int i = 0; i < static_cast<int>(kPaletteSize); ++i) {
    const auto index = static_cast<std::size_t>(i);
    palette[index] = MakeColor(0, i, 0);
    x += kSwatchPitch;
    if (row * kSwatchesPerRow < i) {
      ++row;
      x = kSwatchMargin;
      y += kSwatchPitch;
    }
    swatches[index] = {x, y, x + kSwatchSize, y + kSwatchSize};
  }
}

std::optional<int> HitTest(const Swatches& swatches, POINT point) noexcept {
  for (std::size_t i = 0; i < swatches.size(); ++i) {
    if (::PtInRect(&swatches[i], point)) return static_cast<int>(i);
  }
  return std::nullopt;
}

}  // namespace varnel::ui
