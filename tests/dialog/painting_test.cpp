// What the main window shows: background picture, swatches, and the icon when minimised.
#include <gtest/gtest.h>

#include "dialog_fixture.h"

namespace varnel::testing {
namespace {

using Painting = DialogTest;

TEST_F(Painting, ShowsEverySwatchInItsPaletteColour) {
  for (int i = 1; i < 256; ++i) {
    const vw::Rect r = Swatch(i);
    const COLORREF green = MakeColor(0, i, 0);
    EXPECT_EQ(Pixel(r.left, r.top), green) << "swatch " << i;
    EXPECT_EQ(Pixel(r.right - 1, r.bottom - 1), green) << "swatch " << i;
    EXPECT_EQ(Pixel(Centre(i).x, Centre(i).y), green) << "swatch " << i;
  }
}

// Outside the swatches the background picture shows: in the gaps, in the margins, over
// swatch 0's columns, and down to the last row of the client area.
TEST_F(Painting, ShowsTheBackgroundWhereNoSwatchIsPainted) {
  int checked = 0;
  for (int y = 0; y < 372; ++y) {
    for (int x = 0; x < 279; ++x) {
      const bool inGrid = ui::HitTest(dlg->GetSwatches(), {x, y}).value_or(0) != 0;
      if (inGrid) continue;
      ASSERT_TRUE(IsBackground(x, y)) << "(" << x << ", " << y << ")";
      ++checked;
    }
  }
  EXPECT_EQ(checked, 279 * 372 - 255 * 15 * 15);
}

TEST_F(Painting, StretchesThePictureOverTheWholeClientArea) {
  const struct {
    int x, y;
    COLORREF colour;
    const char* why;
  } cases[] = {
      {0, 0, kTopLeft, "top-left corner"},
      {278, 0, kTopRight, "the picture is narrowed to the client width"},
      {0, 371, kBottomLeft, "the picture is stretched to the client height"},
      {278, 371, kBottomRight, "bottom-right corner"},
      {2, 14, kTopLeft, "swatch 0's visible columns are never painted"},
  };
  for (const auto& c : cases) EXPECT_EQ(Pixel(c.x, c.y), c.colour) << c.why;
}

TEST_F(Painting, DrawsTheCentredIconWhileMinimisedAndEverythingAfterRestore) {
  desktop.Send(*dlg, vw::kWmSysCommand, vw::kScMinimize, 0);
  window().received.clear();
  desktop.UpdateWindow(*dlg);

  bool iconBackgroundAsked = false;
  for (const vw::Message& m : window().received) {
    iconBackgroundAsked |= m.id == vw::kWmIconEraseBkgnd && m.wParam != 0 && m.lParam == 0;
  }
  EXPECT_TRUE(iconBackgroundAsked) << "WM_ICONERASEBKGND with the paint context's handle";

  // 279 x 372 client, 32 x 32 icon: x = (279 - 32 + 1) / 2 = 124, y = (372 - 32 + 1) / 2 = 170.
  const COLORREF icon = desktop.icons.at(IDR_MAINFRAME).color;
  EXPECT_EQ(Pixel(124, 170), icon);
  EXPECT_EQ(Pixel(155, 201), icon);
  EXPECT_NE(Pixel(123, 170), icon);
  EXPECT_NE(Pixel(124, 169), icon);
  EXPECT_NE(Pixel(156, 201), icon);
  EXPECT_TRUE(IsBackground(Centre(1).x, Centre(1).y)) << "no swatches while minimised";

  desktop.Send(*dlg, vw::kWmSysCommand, vw::kScRestore, 0);
  desktop.UpdateWindow(*dlg);
  for (int i : {1, 100, 255}) EXPECT_EQ(Pixel(Centre(i).x, Centre(i).y), MakeColor(0, i, 0)) << i;
  EXPECT_NE(Pixel(124, 170), icon);
}

}  // namespace
}  // namespace varnel::testing
