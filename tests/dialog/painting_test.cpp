// What the main window shows: the stretched background, the swatches, and the icon when
// minimised.
#include <gtest/gtest.h>

#include <algorithm>

#include "dialog_fixture.h"

namespace varnel::testing {
namespace {

using Painting = DialogTest;

// Every client pixel: its swatch's colour inside swatches 1 to 255; elsewhere (gaps,
// margins, swatch 0's columns, down to the last row) the picture stretched over the
// whole client area.
TEST_F(Painting, ShowsEachSwatchInItsColourOverTheStretchedPicture) {
  for (int y = 0; y < window().height; ++y) {
    for (int x = 0; x < window().width; ++x) {
      const int i = ui::HitTest(dlg->GetSwatches(), {x, y}).value_or(0);
      if (i != 0) {
        ASSERT_EQ(Pixel({x, y}), MakeColor(0, i, 0)) << "(" << x << ", " << y << ")";
      } else {
        ASSERT_TRUE(IsBackground({x, y})) << "(" << x << ", " << y << ")";
      }
    }
  }
}

TEST_F(Painting, DrawsTheCentredIconWhileMinimisedAndEverythingAfterRestore) {
  desktop.Send(*dlg, vw::kWmSysCommand, vw::kScMinimize, 0);
  window().received.clear();
  desktop.UpdateWindow(*dlg);

  EXPECT_TRUE(std::any_of(window().received.begin(), window().received.end(), [](auto& m) {
    return m.id == vw::kWmIconEraseBkgnd && m.wParam != 0 && m.lParam == 0;
  })) << "WM_ICONERASEBKGND with the paint context's handle";
  // 279 x 372 client, 32 x 32 icon: x = (279 - 32 + 1) / 2 = 124, y = (372 - 32 + 1) / 2 = 170.
  const COLORREF icon = desktop.icons.at(IDR_MAINFRAME).color;
  for (vw::Point p :
       {vw::Point{123, 170}, {124, 169}, {124, 170}, {155, 201}, {156, 201}, {155, 202}}) {
    EXPECT_EQ(Pixel(p) == icon, p.x >= 124 && p.x < 156 && p.y >= 170 && p.y < 202)
        << p.x << ", " << p.y;
  }
  EXPECT_TRUE(IsBackground(Centre(1))) << "no swatches while minimised";

  desktop.Send(*dlg, vw::kWmSysCommand, vw::kScRestore, 0);
  desktop.UpdateWindow(*dlg);
  for (int i : {1, 100, 255}) EXPECT_EQ(Pixel(Centre(i)), MakeColor(0, i, 0)) << i;
  EXPECT_NE(Pixel({124, 170}), icon);
}

}  // namespace
}  // namespace varnel::testing
