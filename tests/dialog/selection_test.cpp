// Clicks select a swatch (frame and information line), double clicks edit its colour.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dialog_fixture.h"

namespace varnel::testing {
namespace {

constexpr COLORREF kBlack = 0x000000;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kRed = MakeColor(255, 0, 0);
constexpr vw::Point kSwatchZero{1, 14};  // one of swatch 0's visible columns
constexpr vw::Point kGap{23, 10};        // between swatch 1 and swatch 2

class Selection : public DialogTest {
 protected:
  // The frame around swatch i: 1 px black outside, 2 px white inside, then the swatch.
  void ExpectFrame(int i) {
    const vw::Rect s = Swatch(i);
    for (int d = 1; d <= 3; ++d) {
      const COLORREF ring = d == 3 ? kBlack : kWhite;
      EXPECT_EQ(Pixel(s.left - d, s.top - d), ring) << "swatch " << i << " ring " << d;
      EXPECT_EQ(Pixel(s.right - 1 + d, s.bottom - 1 + d), ring) << "swatch " << i << " ring " << d;
      EXPECT_EQ(Pixel(Centre(i).x, s.top - d), ring) << "swatch " << i << " ring " << d;
      EXPECT_EQ(Pixel(s.left - d, Centre(i).y), ring) << "swatch " << i << " ring " << d;
    }
    EXPECT_EQ(Pixel(s.left, s.top), dlg->GetPalette()[static_cast<std::size_t>(i)]);
  }

  // No frame: the pixels just outside swatch i (those not in a neighbour) show background.
  void ExpectNoFrame(int i) {
    const vw::Rect s = Swatch(i);
    for (int y = s.top - 3; y < s.bottom + 3; ++y) {
      for (int x = s.left - 3; x < s.right + 3; ++x) {
        if (x < 0 || ui::HitTest(dlg->GetSwatches(), {x, y}).value_or(0) != 0) continue;
        EXPECT_TRUE(IsBackground(x, y)) << "around swatch " << i << " at (" << x << ", " << y << ")";
      }
    }
  }
};

TEST_F(Selection, ClickFramesTheSwatch) {
  Click(Centre(17));
  ExpectFrame(17);
  EXPECT_EQ(InfoLine(), "Index: 17, Red 0, Green 17, Blue 0");
}

TEST_F(Selection, MovingTheSelectionWipesTheOldFrame) {
  Click(Centre(5));
  Click(Centre(6));
  ExpectFrame(6);
  // Left, top and bottom sides of swatch 5's frame; its right side is under 6's frame.
  for (int y = Swatch(5).top - 3; y < Swatch(5).bottom + 3; ++y) {
    EXPECT_TRUE(IsBackground(Swatch(5).left - 3, y)) << y;
  }
  EXPECT_TRUE(IsBackground(Centre(5).x, Swatch(5).top - 3));
  EXPECT_TRUE(IsBackground(Centre(5).x, Swatch(5).bottom + 2));
  EXPECT_EQ(Pixel(Centre(5).x, Centre(5).y), MakeColor(0, 5, 0));
}

TEST_F(Selection, SecondClickInvalidatesOldFrameWithEraseAndNewFrameWithout) {
  Click(Centre(5));
  window().invalidations.clear();
  Click(Centre(40));
  vw::Rect oldFrame = Swatch(5);
  oldFrame.InflateRect(3);
  vw::Rect newFrame = Swatch(40);
  newFrame.InflateRect(3);
  ASSERT_EQ(window().invalidations.size(), 2u);
  EXPECT_EQ(window().invalidations[0].rect, oldFrame);
  EXPECT_TRUE(window().invalidations[0].erase);
  EXPECT_EQ(window().invalidations[1].rect, newFrame);
  EXPECT_FALSE(window().invalidations[1].erase);
}

struct ClickCase {
  const char* why;
  std::vector<vw::Point> clicks;
  std::string info;
  int selected;
};

class ClickSequence : public Selection, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ClickSequence, SetsSelectionAndInformationLine) {
  for (const vw::Point& p : GetParam().clicks) Click(p);
  EXPECT_EQ(InfoLine(), GetParam().info);
  EXPECT_EQ(dlg->GetSelected(), GetParam().selected);
}

// Centres of swatches under the default layout: swatch i sits in column (i - 1) % 15,
// row (i - 1) / 15.
constexpr vw::Point At(int i) { return {7 + 18 * ((i - 1) % 15) + 7, 7 + 18 * ((i - 1) / 15) + 7}; }

INSTANTIATE_TEST_SUITE_P(
    Clicks, ClickSequence,
    ::testing::Values(
        ClickCase{"swatch 0 is the selected one at start", {kSwatchZero}, "", 0},
        ClickCase{"a gap hits nothing", {kGap}, "", 0},
        ClickCase{"right edge of swatch 1 is exclusive", {{22, 7}}, "", 0},
        ClickCase{"below the grid", {{140, 330}}, "", 0},
        ClickCase{"one swatch", {At(17)}, "Index: 17, Red 0, Green 17, Blue 0", 17},
        ClickCase{"the last swatch", {At(255)}, "Index: 255, Red 0, Green 255, Blue 0", 255},
        ClickCase{"the newer selection wins", {At(5), At(6)}, "Index: 6, Red 0, Green 6, Blue 0", 6},
        ClickCase{"swatch 0 after another", {At(4), kSwatchZero}, "Index: 0, Red 0, Green 0, Blue 0", 0},
        ClickCase{"swatch 0 twice", {At(4), kSwatchZero, kSwatchZero}, "Index: 0, Red 0, Green 0, Blue 0", 0},
        ClickCase{"a gap keeps the selection", {At(4), kGap}, "Index: 4, Red 0, Green 4, Blue 0", 4}));

TEST_F(Selection, SwatchZeroWipesTheFrameAndDrawsNone) {
  Click(Centre(4));
  Click(kSwatchZero);
  ExpectNoFrame(4);
  // Swatch 0 grown by 3 would reach x 0 to 6, y 4 to 24: none of it is drawn.
  for (int y = 4; y < 25; ++y) {
    for (int x = 0; x < 7; ++x) EXPECT_TRUE(IsBackground(x, y)) << "(" << x << ", " << y << ")";
  }
}

TEST_F(Selection, ClickOnTheSelectedSwatchDoesNothingAtAll) {
  Click(Centre(9));
  window().invalidations.clear();
  window().defaults.clear();
  Click(Centre(9));
  EXPECT_TRUE(window().invalidations.empty());
  for (const vw::Message& m : window().defaults) {
    EXPECT_NE(m.id, vw::kWmLButtonDown) << "no default handling either";
  }
  EXPECT_EQ(InfoLine(), "Index: 9, Red 0, Green 9, Blue 0");
}

TEST_F(Selection, OtherClicksGoOnToDefaultHandling) {
  const vw::Point points[] = {Centre(9), kGap, {140, 330}};
  for (const vw::Point& p : points) {
    window().defaults.clear();
    Click(p);
    ASSERT_FALSE(window().defaults.empty());
    EXPECT_EQ(window().defaults.front().id, vw::kWmLButtonDown);
  }
}

TEST_F(Selection, DoubleClickReplacesTheColourAndKeepsTheOldText) {
  desktop.colorAnswers.push_back({vw::kIdOk, kRed});
  DoubleClick(Centre(9));

  ASSERT_EQ(desktop.colorDialogs.size(), 1u);
  EXPECT_EQ(desktop.colorDialogs[0].initial, 0u) << "the chooser starts at black";
  EXPECT_EQ(desktop.colorDialogs[0].flags, 0u);
  EXPECT_EQ(desktop.colorDialogs[0].parent, nullptr);
  EXPECT_EQ(dlg->GetPalette()[9], kRed);
  EXPECT_EQ(Pixel(Centre(9).x, Centre(9).y), kRed);
  EXPECT_EQ(Pixel(Swatch(9).right - 1, Swatch(9).bottom - 1), kRed);
  EXPECT_EQ(InfoLine(), "Index: 9, Red 0, Green 9, Blue 0");
  ExpectFrame(9);
  ASSERT_FALSE(window().invalidations.empty());
  EXPECT_EQ(window().invalidations.back().rect, Swatch(9));
  EXPECT_FALSE(window().invalidations.back().erase);
}

TEST_F(Selection, CancelledChooserChangesNothing) {
  desktop.colorAnswers.push_back({vw::kIdCancel, kRed});
  DoubleClick(Centre(9));
  EXPECT_EQ(dlg->GetPalette(), GreenRamp());
  EXPECT_EQ(Pixel(Centre(9).x, Centre(9).y), MakeColor(0, 9, 0));
}

TEST_F(Selection, DoubleClickOutsideTheSwatchesOpensNoChooser) {
  // No answer is scripted: a chooser that opened would fail the test.
  DoubleClick(kGap);
  DoubleClick({140, 330});
  EXPECT_TRUE(desktop.colorDialogs.empty());
}

TEST_F(Selection, EditedSwatchZeroIsSavedButNeverShown) {
  Click(Centre(4));
  desktop.colorAnswers.push_back({vw::kIdOk, kRed});
  DoubleClick(kSwatchZero);
  EXPECT_EQ(dlg->GetPalette()[0], kRed);
  EXPECT_TRUE(IsBackground(kSwatchZero.x, kSwatchZero.y));
  ExpectNoFrame(4);

  SaveAs(folder / "zero.act");
  EXPECT_EQ(ReadBytes(folder / "zero.act").substr(0, 6), std::string("\xFF\x00\x00\x00\x01\x00", 6));
}

}  // namespace
}  // namespace varnel::testing
