#include <optional>

#include <gtest/gtest.h>

#include "varnel/ui/swatch_grid.h"

namespace varnel::ui {
namespace {

using window::Point;
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

TEST(SwatchGrid, PlacesTheCornerSwatches) {
  const struct {
    int index;
    Rect rect;
    const char* why;
  } cases[] = {
      {0, {-11, 7, 4, 22}, "one step left of swatch 1, mostly outside the window"},
      {1, {7, 7, 22, 22}, "the grid starts at the margin"},
      {15, {259, 7, 274, 22}, "15 to a row, not 16"},
      {16, {7, 25, 22, 40}, "the second row starts after the 3 px gap"},
      {30, {259, 25, 274, 40}, "end of the second row"},
      {31, {7, 43, 22, 58}, "third row"},
      {255, {259, 295, 274, 310}, "the last swatch ends the 17th row"},
  };
  const Grid grid;
  for (const auto& c : cases) {
    EXPECT_EQ(grid.swatches[static_cast<std::size_t>(c.index)], c.rect) << c.index << ": " << c.why;
  }
}

// Each swatch from 1 on lies by its column and row; checked against the closed form.
TEST(SwatchGrid, LaysOutFifteenColumnsBySeventeenRows) {
  const Grid grid;
  for (int i = 1; i < 256; ++i) {
    const int left = 7 + 18 * ((i - 1) % 15);
    const int top = 7 + 18 * ((i - 1) / 15);
    EXPECT_EQ(grid.swatches[static_cast<std::size_t>(i)], (Rect{left, top, left + 15, top + 15}))
        << "swatch " << i;
  }
}

TEST(SwatchGrid, WritesTheGreenRampInTheSamePass) {
  const Grid grid;
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(grid.palette[static_cast<std::size_t>(i)], MakeColor(0, i, 0)) << "entry " << i;
  }
}

TEST(SwatchGrid, HitTestsWithRightAndBottomEdgesExcluded) {
  const struct {
    Point point;
    std::optional<int> swatch;
    const char* why;
  } cases[] = {
      {{7, 7}, 1, "top-left pixel of swatch 1"},
      {{21, 21}, 1, "bottom-right pixel of swatch 1"},
      {{22, 7}, std::nullopt, "right edge is exclusive: gap column"},
      {{24, 7}, std::nullopt, "last gap column"},
      {{25, 7}, 2, "next swatch after the gap"},
      {{6, 7}, std::nullopt, "margin left of the grid"},
      {{7, 6}, std::nullopt, "margin above the grid"},
      {{0, 10}, 0, "swatch 0's visible columns"},
      {{3, 21}, 0, "last visible pixel of swatch 0"},
      {{4, 10}, std::nullopt, "swatch 0 ends at x 4"},
      {{7, 22}, std::nullopt, "gap row under the first row"},
      {{7, 25}, 16, "second row"},
      {{273, 309}, 255, "last pixel of the grid"},
      {{274, 309}, std::nullopt, "right of the grid"},
      {{265, 312}, std::nullopt, "below the grid"},
      {{140, 330}, std::nullopt, "over the buttons"},
  };
  const Grid grid;
  for (const auto& c : cases) {
    EXPECT_EQ(HitTest(grid.swatches, c.point), c.swatch)
        << "(" << c.point.x << ", " << c.point.y << "): " << c.why;
  }
}

}  // namespace
}  // namespace varnel::ui
