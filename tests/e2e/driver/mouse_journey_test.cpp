// Selecting swatches with clicks, replacing a colour through the real colour chooser, and
// one run with real X input (xdotool) in place of posted messages.
#include <algorithm>

#include "journey.h"
#include "resource.h"

namespace varnel::e2e {
namespace {

std::wstring InfoLine(int index, const Rgb& c) {
  return L"Index: " + std::to_wstring(index) + L", Red " + std::to_wstring(c.r) + L", Green " +
         std::to_wstring(c.g) + L", Blue " + std::to_wstring(c.b);
}

// The 3-pixel ring round a swatch: a frame (outer pixel black, two white inside) or, once
// wiped, the background.
void ExpectFrame(const Pixels& shown, int index, bool framed) {
  const RECT s = SwatchRect(index);
  for (int y = s.top - 3; y < s.bottom + 3; ++y) {
    for (int x = s.left - 3; x < s.right + 3; ++x) {
      const int ring = std::min({x - s.left + 3, s.right + 2 - x, y - s.top + 3, s.bottom + 2 - y});
      if (ring >= 3) continue;
      const Rgb seen = shown.At(x, y);
      if (framed) {
        ASSERT_EQ(seen, (ring == 0 ? Rgb{0, 0, 0} : Rgb{255, 255, 255})) << "swatch " << index << " at " << x << "," << y;
      } else {
        ASSERT_TRUE(IsBackground(seen)) << "frame of swatch " << index << " left at " << x << "," << y << ": " << seen;
      }
    }
  }
}

using MouseJourney = Journey;

TEST_F(MouseJourney, LoadedColoursAreShownSelectedByClicksAndConverted) {
  WriteBytes(folder_ / "sky.pal", JascPalFile(Sunset()));
  Load(folder_ / "sky.pal");
  const Palette sunset = Sunset();
  ExpectShown(sunset);
  Click(SwatchCentre(5));
  ASSERT_TRUE(InfoLineReads(InfoLine(5, sunset[5])));
  Click(SwatchCentre(6));
  ASSERT_TRUE(InfoLineReads(InfoLine(6, sunset[6])));
  ExpectFrame(SettledClient(Main()), 6, true);
  KeepScreenshot(Main(), "loaded-palette-with-selection");

  // Swatch 0 lies mostly left of the client area: its visible columns select it, and no
  // frame is drawn for it; both older frames are gone.
  Click({1, 14});
  ASSERT_TRUE(InfoLineReads(InfoLine(0, sunset[0])));
  const Pixels shown = SettledClient(Main());
  ExpectFrame(shown, 5, false);
  ExpectFrame(shown, 6, false);
  for (int y = 4; y < 25; ++y) {
    for (int x = 0; x < 7; ++x) ASSERT_TRUE(IsBackground(shown.At(x, y))) << "drawn for swatch 0 at " << x << "," << y;
  }

  // Convert writes the other format beside the loaded file, and says so.
  EXPECT_EQ(Convert(), L"Pallete saved as " + (folder_ / "sky.act").wstring());
  EXPECT_EQ(ReadBytes(folder_ / "sky.act"), ActFile(sunset));
}

TEST_F(MouseJourney, DoubleClickChoosesPureRedAndTheSavedFileHasIt) {
  DoubleClick(SwatchCentre(9));
  const HWND chooser = WaitForWindow(L"Color");
  ASSERT_NE(chooser, nullptr) << "no colour chooser after a double click";
  // Its red, green and blue boxes take text even while hidden.
  for (const auto& [id, value] : {std::pair{706, L"255"}, {707, L"0"}, {708, L"0"}}) {
    SendMessageW(GetDlgItem(chooser, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value));
  }
  Close(chooser, IDOK);
  Palette edited = GreenRamp();
  edited[9] = {255, 0, 0};
  ExpectShown(edited);
  // The double click's first click selected swatch 9; the line keeps the old values.
  EXPECT_EQ(ControlText(Main(), IDC_INFO), InfoLine(9, GreenRamp()[9]));
  ExpectFrame(SettledClient(Main()), 9, true);
  SaveAs(folder_ / "edited.act");
  EXPECT_EQ(ReadBytes(folder_ / "edited.act"), ActFile(edited));
}

TEST_F(MouseJourney, RealDoubleClickKeysAndEscapeReachTheProgram) {
  POINT at = SwatchCentre(20);
  ClientToScreen(Main(), &at);
  Keys("", Main());
  ASSERT_TRUE(RunUnix("xdotool mousemove --sync " + std::to_string(at.x) + " " + std::to_string(at.y) +
                      " click --repeat 2 --delay 80 1"));
  const HWND chooser = WaitForWindow(L"Color");
  ASSERT_NE(chooser, nullptr) << "a real double click opened no colour chooser";
  EXPECT_TRUE(InfoLineReads(InfoLine(20, GreenRamp()[20]))) << "its first click selected nothing";
  Close(chooser, IDCANCEL);
  // The mnemonic of "&Load Pallete...", and Enter on the default button.
  for (const char* keys : {"alt+l", "Return"}) {
    Keys(keys, Main());
    const HWND open = WaitForWindow(L"Open");
    ASSERT_NE(open, nullptr) << keys;
    Close(open, IDCANCEL);
  }
  Keys("Escape", Main());
  EXPECT_TRUE(WaitForExit()) << "Escape did not end the program";
}

}  // namespace
}  // namespace varnel::e2e
