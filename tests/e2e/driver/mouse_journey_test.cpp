// Selecting swatches with clicks and replacing colours with double clicks through the real
// colour chooser; and one run with real X input (xdotool) instead of posted messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "journey.h"
#include "resource.h"
#include "screen.h"

namespace varnel::e2e {
namespace {

std::wstring InfoLine(int index, const Rgb& c) {
  return L"Index: " + std::to_wstring(index) + L", Red " + std::to_wstring(c.r) + L", Green " +
         std::to_wstring(c.g) + L", Blue " + std::to_wstring(c.b);
}

// The selection frame around `index`: the swatch grown by 3 pixels, its outer pixel black and
// the two inside it white.
void ExpectFrame(const Pixels& pixels, int index) {
  const RECT s = SwatchRect(index);
  for (int y = s.top - 3; y < s.bottom + 3; ++y) {
    for (int x = s.left - 3; x < s.right + 3; ++x) {
      const int ring = std::min({x - (s.left - 3), (s.right + 2) - x, y - (s.top - 3), (s.bottom + 2) - y});
      if (ring >= 3) continue;  // the swatch itself
      const Rgb want = ring == 0 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
      ASSERT_EQ(pixels.At(x, y), want) << "frame of swatch " << index << " at " << x << "," << y;
    }
  }
}

using SelectionJourney = Journey;

TEST_F(SelectionJourney, ClickingTwoSwatchesMovesTheFrameAndTheInformationLine) {
  WriteBytes(folder_ / "sky.pal", JascPalFile(Sunset()));
  Load(folder_ / "sky.pal");
  const Palette sunset = Sunset();

  Click(SwatchCentre(5));
  ASSERT_TRUE(InfoLineReads(InfoLine(5, sunset[5])));
  Click(SwatchCentre(6));
  ASSERT_TRUE(InfoLineReads(InfoLine(6, sunset[6])));

  const Pixels pixels = SettledClient(Main());
  ASSERT_FALSE(pixels.Empty());
  ExpectFrame(pixels, 6);
  // Swatch 5's old frame is wiped, where swatch 6's frame does not cover it.
  const RECT old = SwatchRect(5);
  for (int y = old.top - 3; y < old.bottom + 3; ++y) {
    for (int x = old.left - 3; x < SwatchRect(6).left - 3; ++x) {
      if (x >= old.left && x < old.right && y >= old.top && y < old.bottom) continue;
      EXPECT_TRUE(IsBackground(pixels.At(x, y)))
          << "old frame left at " << x << "," << y << ": " << Describe(pixels.At(x, y));
    }
  }
  EXPECT_EQ(pixels.At(SwatchCentre(6).x, SwatchCentre(6).y), sunset[6]);
  KeepScreenshot(CaptureWindow(Main()), "loaded-palette-with-selection");
}

TEST_F(SelectionJourney, ClickInAGapChangesNothing) {
  Click(SwatchCentre(20));
  ASSERT_TRUE(InfoLineReads(InfoLine(20, GreenRamp()[20])));
  const Pixels before = SettledClient(Main());
  Click({SwatchRect(20).right + 1, SwatchCentre(20).y});  // between swatches 20 and 21
  Click({SwatchCentre(20).x, SwatchRect(20).bottom + 1});  // between swatches 20 and 35
  Click({276, SwatchCentre(20).y});                        // right of the grid
  // The Convert press queues behind the clicks: when its box shows, they are done.
  PostClick(GetDlgItem(Main(), IDC_CONVERT));
  ReadAndClose(WaitForMessageBox());
  EXPECT_EQ(ControlText(Main(), IDC_INFO), InfoLine(20, GreenRamp()[20]));
  // The swatch area only: the pressed button now has the focus and is drawn so.
  const Pixels after = SettledClient(Main());
  ASSERT_FALSE(after.Empty());
  for (int y = 0; y < 312; ++y) {
    for (int x = 0; x < 279; ++x) {
      ASSERT_EQ(after.At(x, y), before.At(x, y)) << "changed at " << x << "," << y;
    }
  }
}

TEST_F(SelectionJourney, SwatchZeroCanBeSelectedButShowsNoFrame) {
  // Swatch 0 lies mostly left of the client area; its columns 0 to 3 can be clicked.
  Click(SwatchCentre(4));
  ASSERT_TRUE(InfoLineReads(InfoLine(4, GreenRamp()[4])));
  Click({1, 14});
  ASSERT_TRUE(InfoLineReads(InfoLine(0, GreenRamp()[0])));
  const Pixels pixels = SettledClient(Main());
  ASSERT_FALSE(pixels.Empty());
  const RECT old = SwatchRect(4);
  for (int y = old.top - 3; y < old.bottom + 3; ++y) {
    for (int x = old.left - 3; x < old.right + 3; ++x) {
      if (x >= old.left && x < old.right && y >= old.top && y < old.bottom) continue;
      ASSERT_TRUE(IsBackground(pixels.At(x, y))) << "frame of swatch 4 left at " << x << "," << y;
    }
  }
  for (int y = 4; y < 25; ++y) {
    for (int x = 0; x < 7; ++x) {
      ASSERT_TRUE(IsBackground(pixels.At(x, y))) << "something drawn for swatch 0 at " << x << "," << y;
    }
  }
}

using ColourJourney = Journey;

TEST_F(ColourJourney, DoubleClickReplacesTheColourAndTheSavedFileHasIt) {
  DoubleClick(SwatchCentre(9));
  const HWND chooser = program_->WaitForWindow(L"Color");
  ASSERT_NE(chooser, nullptr) << "no colour chooser after a double click";
  ChooseColour(chooser, 255, 0, 0);

  Palette edited = GreenRamp();
  edited[9] = {255, 0, 0};
  ExpectShown(edited);
  // The first click of the double click selected swatch 9; the line keeps the old values.
  EXPECT_EQ(ControlText(Main(), IDC_INFO), InfoLine(9, GreenRamp()[9]));
  ExpectFrame(SettledClient(Main()), 9);

  SaveAs(folder_ / "edited.act");
  EXPECT_EQ(ReadBytes(folder_ / "edited.act"), ActFile(edited));
}

TEST_F(ColourJourney, CancelledChooserChangesNothing) {
  DoubleClick(SwatchCentre(9));
  const HWND chooser = program_->WaitForWindow(L"Color");
  ASSERT_NE(chooser, nullptr);
  Cancel(chooser);
  ExpectShown(GreenRamp());
  SaveAs(folder_ / "same.act");
  EXPECT_EQ(ReadBytes(folder_ / "same.act"), ActFile(GreenRamp()));
}

TEST_F(ColourJourney, DoubleClickOutsideTheSwatchesOpensNoChooser) {
  DoubleClick({SwatchRect(1).right + 1, SwatchCentre(1).y});  // gap between swatches 1 and 2
  DoubleClick({140, 312});                                    // under the grid
  // The Convert press queues behind the double clicks: when its box shows, they are done.
  PostClick(GetDlgItem(Main(), IDC_CONVERT));
  const HWND box = WaitForMessageBox();
  EXPECT_EQ(program_->FindWindowByCaption(L"Color"), nullptr) << "a chooser opened";
  ReadAndClose(box);
}

// Real X input on the virtual display, through xdotool: what the posted messages stand in for.
class RealInput : public Journey {
 protected:
  // Gives the keyboard to a window of the program, at the X server too.
  void Focus(HWND window) {
    ASSERT_TRUE(BringToFront(window));
    const auto xWindow = reinterpret_cast<std::uintptr_t>(GetPropW(window, L"__wine_x11_whole_window"));
    ASSERT_NE(xWindow, 0u) << "no X window behind the program's window";
    ASSERT_TRUE(RunUnix("xdotool windowfocus --sync " + std::to_string(xWindow)));
  }
};

TEST_F(RealInput, DoubleClickKeysAndEscapeReachTheProgram) {
  POINT at = SwatchCentre(20);
  ClientToScreen(Main(), &at);
  Focus(Main());
  ASSERT_TRUE(RunUnix("xdotool mousemove --sync " + std::to_string(at.x) + " " +
                      std::to_string(at.y) + " click --repeat 2 --delay 80 1"));
  const HWND chooser = program_->WaitForWindow(L"Color");
  ASSERT_NE(chooser, nullptr) << "a real double click opened no colour chooser";
  EXPECT_TRUE(InfoLineReads(InfoLine(20, GreenRamp()[20]))) << "the first click did not select";
  Cancel(chooser);

  struct Row {
    const char* keys;
    const char* why;
  };
  for (const Row& row : {Row{"alt+l", "the mnemonic of \"&Load Pallete...\""},
                         Row{"Return", "Enter presses the default button, Load"}}) {
    SCOPED_TRACE(row.why);
    Focus(Main());
    ASSERT_TRUE(RunUnix(std::string("xdotool key ") + row.keys));
    const HWND open = program_->WaitForWindow(L"Open");
    ASSERT_NE(open, nullptr);
    Cancel(open);
  }

  Focus(Main());
  ASSERT_TRUE(RunUnix("xdotool key Escape"));
  EXPECT_TRUE(program_->WaitForExit()) << "Escape did not end the program";
}

}  // namespace
}  // namespace varnel::e2e
