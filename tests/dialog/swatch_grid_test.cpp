#include "varnel/ui/swatch_grid.h"

#include <gtest/gtest.h>

#include <optional>

namespace varnel::ui {
namespace {

using window::Rect;

struct Grid {
  Palette palette;
  Swatches swatches;
  Grid() {
    palette.fill(0xFFFFFFFF);  // nothing of the old contents may survive
    swatches.fill(Rect{1, 1, 1, 1});
    InitSwatches(palette, swatches);
  }
};

// Swatches 1 to 255 by column and row, 15 to a row; swatch 0 one step left of swatch 1.
TEST(SwatchGrid, LaysOutFifteenColumnsAndWritesTheGreenRamp) {
  const Grid grid;
  EXPECT_EQ(grid.swatches[0], (Rect{-11, 7, 4, 22}));
  for (int i = 1; i < 256; ++i) {
    const int left = 7 + 18 * ((i - 1) % 15);
    const int top = 7 + 18 * ((i - 1) / 15);
    EXPECT_EQ(grid.swatches[static_cast<std::size_t>(i)], (Rect{left, top, left + 15, top + 15}))
        << i;
  }
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(grid.palette[static_cast<std::size_t>(i)], MakeColor(0, i, 0)) << i;
}

TEST(SwatchGrid, HitTestsWithRightAndBottomEdgesExcluded) {
  const struct {
    window::Point point;
    std::optional<int> swatch;
    const char* why;
  } cases[] = {
      {{7, 7}, 1, "top-left pixel of swatch 1"},
      {{21, 21}, 1, "bottom-right pixel of swatch 1"},
      {{22, 7}, std::nullopt, "right edge is exclusive: gap column"},
      {{7, 22}, std::nullopt, "bottom edge is exclusive: gap row"},
      {{25, 7}, 2, "next swatch after the gap"},
      {{0, 10}, 0, "swatch 0's visible columns"},
      {{4, 10}, std::nullopt, "swatch 0 ends at x 4"},
      {{273, 309}, 255, "last pixel of the grid"},
      {{274, 309}, std::nullopt, "right of the grid"},
      {{140, 330}, std::nullopt, "below the grid, over the buttons"},
  };
  const Grid grid;
  for (const auto& c : cases) EXPECT_EQ(HitTest(grid.swatches, c.point), c.swatch) << c.why;
}

}  // namespace
}  // namespace varnel::ui
