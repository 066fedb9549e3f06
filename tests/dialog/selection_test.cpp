// Clicks select a swatch (frame and information line), double clicks edit its colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialog_fixture.h"

namespace varnel::testing {
namespace {

constexpr COLORREF kRed = MakeColor(255, 0, 0);
constexpr vw::Point kSwatchZero{1, 14};  // one of swatch 0's visible columns
constexpr vw::Point kGap{23, 10};        // between swatch 1 and swatch 2
constexpr vw::Point kBelow{140, 330};    // under the grid, over the buttons

class Selection : public DialogTest {
 protected:
  // 1 px black outside, 2 px white inside, then the swatch in its colour.
  void ExpectFrame(int i) {
    const vw::Rect s = Swatch(i);
    const vw::Point c = Centre(i);
    for (int d = 1; d <= 3; ++d) {
      const COLORREF ring = d == 3 ? 0x000000u : 0xFFFFFFu;
      for (vw::Point p : {vw::Point{s.left - d, s.top - d},
                          {s.right - 1 + d, s.bottom - 1 + d},
                          {c.x, s.top - d},
                          {s.left - d, c.y}}) {
        EXPECT_EQ(Pixel(p), ring) << "swatch " << i << " ring " << d;
      }
    }
    EXPECT_EQ(Pixel({s.left, s.top}), dlg->GetPalette()[static_cast<std::size_t>(i)]);
  }

  // No frame: every pixel within 3 px of swatch i that no other swatch covers shows the
  // background.
  void ExpectNoFrame(int i) {
    const vw::Rect s = Swatch(i);
    for (int y = s.top - 3; y < s.bottom + 3; ++y) {
      for (int x = std::max(s.left - 3, 0); x < s.right + 3; ++x) {
        if (ui::HitTest(dlg->GetSwatches(), {x, y}).value_or(0) != 0) continue;
        EXPECT_TRUE(IsBackground({x, y}))
            << "around swatch " << i << " at (" << x << ", " << y << ")";
      }
    }
  }

  bool WentDefault(unsigned message) {
    return std::any_of(window().defaults.begin(), window().defaults.end(),
                       [message](const vw::Message& m) { return m.id == message; });
  }
};

struct ClickCase {
  const char* why;
  std::vector<int> clicks;  // swatches by index; -1 is a gap
  const char* info;
  int selected;
  bool lastGoesOn;  // the last click gets default handling; without, nothing at all happens
};

class ClickSequence : public Selection, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ClickSequence, FramesTheSelectionAndFillsTheInformationLine) {
  const ClickCase& c = GetParam();
  SCOPED_TRACE(c.why);
  for (int i : c.clicks) {
    window().defaults.clear();
    window().invalidations.clear();
    Click(i < 0 ? kGap : i == 0 ? kSwatchZero : Centre(i));
  }
  EXPECT_EQ(WentDefault(vw::kWmLButtonDown), c.lastGoesOn);
  EXPECT_TRUE(c.lastGoesOn || window().invalidations.empty());
  EXPECT_EQ(InfoLine(), c.info);
  EXPECT_EQ(dlg->GetSelected(), c.selected);
  for (int i : c.clicks) {
    if (i == 0 || (i > 0 && i != c.selected)) ExpectNoFrame(i);
  }
  if (c.selected != 0) ExpectFrame(c.selected);
}

const ClickCase kClicks[] = {
    {"swatch 0 is selected at start: clicking it does nothing", {0}, "", 0, false},
    {"the last swatch", {255}, "Index: 255, Red 0, Green 255, Blue 0", 255, true},
    {"the newer selection wins, the old frame goes",
     {5, 40},
     "Index: 40, Red 0, Green 40, Blue 0",
     40,
     true},
    {"the selected swatch again does nothing",
     {9, 9},
     "Index: 9, Red 0, Green 9, Blue 0",
     9,
     false},
    {"a gap keeps the selection", {4, -1}, "Index: 4, Red 0, Green 4, Blue 0", 4, true},
    {"swatch 0 is selected but never framed", {4, 0}, "Index: 0, Red 0, Green 0, Blue 0", 0, true},
};
INSTANTIATE_TEST_SUITE_P(Clicks, ClickSequence, ::testing::ValuesIn(kClicks));

TEST_F(Selection, DoubleClickReplacesTheColourAndKeepsTheOldText) {
  desktop.colorAnswers.push_back({vw::kIdOk, kRed});
  DoubleClick(Centre(9));

  ASSERT_EQ(desktop.colorDialogs.size(), 1u);
  EXPECT_EQ(desktop.colorDialogs[0].initial, 0u) << "the chooser starts at black";
  EXPECT_EQ(desktop.colorDialogs[0].flags, 0u);
  EXPECT_EQ(desktop.colorDialogs[0].parent, nullptr);
  EXPECT_EQ(dlg->GetPalette()[9], kRed);
  EXPECT_EQ(Pixel({Swatch(9).right - 1, Swatch(9).bottom - 1}), kRed);
  EXPECT_EQ(InfoLine(), "Index: 9, Red 0, Green 9, Blue 0");
  ExpectFrame(9);
  EXPECT_TRUE(WentDefault(vw::kWmLButtonDblClk));
}

// No answer is scripted outside the swatches: a chooser that opened would fail the test.
TEST_F(Selection, CancelledOrMissedDoubleClicksChangeNothing) {
  desktop.colorAnswers.push_back({vw::kIdCancel, kRed});
  for (vw::Point p : {Centre(9), kGap, kBelow}) DoubleClick(p);
  EXPECT_EQ(desktop.colorDialogs.size(), 1u);
  EXPECT_EQ(dlg->GetPalette(), GreenRamp());
  EXPECT_EQ(Pixel(Centre(9)), MakeColor(0, 9, 0));
}

TEST_F(Selection, EditedSwatchZeroIsSavedButNeverShown) {
  Click(Centre(4));
  desktop.colorAnswers.push_back({vw::kIdOk, kRed});
  DoubleClick(kSwatchZero);
  EXPECT_EQ(dlg->GetPalette()[0], kRed);
  ExpectNoFrame(0);
  ExpectNoFrame(4);

  Choose(IDC_SAVEAS, folder / "zero.act");
  EXPECT_EQ(ReadBytes(folder / "zero.act").substr(0, 6),
            std::string("\xFF\x00\x00\x00\x01\x00", 6));
}

}  // namespace
}  // namespace varnel::testing
