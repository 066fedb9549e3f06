// Selecting swatches with clicks, replacing colours through the real colour chooser, and
// real X input (xdotool) in place of posted messages.
#include <cstdio>
#include <fstream>

#include "journey.h"
#include "resource.h"

namespace varnel::e2e {
namespace {

std::wstring InfoLine(int index, const Rgb& c) {
  return L"Index: " + std::to_wstring(index) + L", Red " + std::to_wstring(c.r) + L", Green " +
         std::to_wstring(c.g) + L", Blue " + std::to_wstring(c.b);
}

constexpr POINT kSwatchZero{1, 14};  // one of swatch 0's visible columns
constexpr POINT kGap{23, 10};        // between swatches 1 and 2
constexpr POINT kBelow{140, 330};    // under the grid, between the line and the buttons

using MouseJourney = Journey;

TEST_F(MouseJourney, ClicksSelectDoubleClicksEditAndRealInputArrives) {
  const Palette green = PaletteOf(FromEnvironment(L"VARNEL_E2E_DATA") / "green-ramp.act");
  // Each click, then the information line and which frames are drawn and wiped. At start
  // swatch 0 is the selection: clicking it does nothing at all.
  const struct {
    POINT at;
    int line;  // -1: still blank
    int framed, wiped;
  } clicks[] = {{kSwatchZero, -1, 0, 4},         {SwatchCentre(4), 4, 4, 0}, {kGap, 4, 4, 0},
                {kBelow, 4, 4, 0},               {kSwatchZero, 0, 0, 4},     {kSwatchZero, 0, 0, 4},
                {SwatchCentre(5), 5, 5, 0},      {SwatchCentre(6), 6, 6, 5}, {SwatchCentre(255), 255, 255, 6}};
  for (const auto& c : clicks) {
    Click(c.at);
    EXPECT_EQ(ControlText(main_, IDC_INFO), c.line < 0 ? L"" : InfoLine(c.line, green[static_cast<std::size_t>(c.line)]));
    const Pixels shown = Shown();
    if (c.framed != 0) ExpectFrame(shown, c.framed, true);
    if (c.wiped != 0) ExpectFrame(shown, c.wiped, false, c.framed);
    for (int y = 4; c.framed == 0 && y < 25; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_TRUE(IsBackground(shown.At(x, y))) << "drawn for swatch 0 at " << x << "," << y;
  }

  // Double clicks: none in a gap (sent: a chooser it opened would hold the call up); a
  // cancelled chooser changes nothing; the first click of a double click selects; the line
  // keeps the old values; swatch 0 changes but never shows.
  Send(main_, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(kGap.x, kGap.y));
  EXPECT_EQ(TopLevel(L"Color"), nullptr) << "a chooser opened for a gap";
  Palette edited = green;
  for (const auto& [index, colour, ok] :
       {std::tuple{9, Rgb{255, 0, 0}, false}, {9, Rgb{255, 0, 0}, true}, {0, Rgb{0, 0, 255}, true}}) {
    Click(index == 0 ? kSwatchZero : SwatchCentre(index), true);
    const HWND chooser = WaitForWindow(L"Color");
    ASSERT_NE(chooser, nullptr) << "no colour chooser after a double click";
    EXPECT_EQ(GetWindow(chooser, GW_OWNER), main_);
    for (const auto& [id, value] : {std::pair{706, colour.r}, {707, colour.g}, {708, colour.b}})  // even hidden
      SendMessageW(GetDlgItem(chooser, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(std::to_wstring(value).c_str()));
    Close(chooser, ok ? IDOK : IDCANCEL);
    if (ok) edited[static_cast<std::size_t>(index)] = colour;
    ExpectShown(edited);
  }
  EXPECT_EQ(ControlText(main_, IDC_INFO), InfoLine(0, green[0])) << "the line shows the values of before";
  ExpectFrame(Shown(), 9, false);
  Choose(IDC_SAVEAS, folder_ / "edited.act");
  EXPECT_EQ(PaletteOf(folder_ / "edited.act"), edited);

  // A 16-colour named GIMP palette keeps its count and names through an edit and Save as
  // .gpl; Save as .act says in one box what ACT cannot keep.
  auto gimp = [](int changed) {
    std::string text = "GIMP Palette\nName: Named\nColumns: 16\n#\n";
    for (int i = 0; i < 16; ++i) {
      char line[40];
      std::snprintf(line, sizeof line, "%3d %3d %3d\tcolour %d\n", i == changed ? 1 : 16 * i,
                    i == changed ? 2 : 8, i == changed ? 3 : 255 - 16 * i, i);
      text += line;
    }
    return text;
  };
  std::ofstream(folder_ / "named.gpl", std::ios::binary) << gimp(-1);
  Choose(IDC_LOAD, folder_ / "named.gpl");
  Click(SwatchCentre(3), true);
  const HWND picker = WaitForWindow(L"Color");
  ASSERT_NE(picker, nullptr);
  for (const auto& [id, value] : {std::pair{706, 1}, {707, 2}, {708, 3}})
    SendMessageW(GetDlgItem(picker, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(std::to_wstring(value).c_str()));
  Close(picker, IDOK);
  fs::create_directory(folder_ / "saved");  // named after its own Name: line, not the file
  Choose(IDC_SAVEAS, folder_ / "saved" / "named.gpl");
  const Bytes saved = ReadBytes(folder_ / "saved" / "named.gpl");
  EXPECT_EQ(std::string(saved.begin(), saved.end()), gimp(3));
  Choose(IDC_SAVEAS, folder_ / "named.act");
  EXPECT_EQ(MessageAfter(0), (folder_ / "named.act").wstring() +
                                 L" cannot keep everything:\ncolour and palette names dropped (act holds none)\n");
  Choose(IDC_LOAD, folder_ / "edited.act");
  ExpectShown(edited);

  // Real input: a double click of the X mouse, the mnemonic of "&Load Pallete...", Enter on
  // the default button, Escape.
  POINT at = SwatchCentre(20);
  ClientToScreen(main_, &at);
  Keys("", main_);
  ASSERT_TRUE(RunUnix("xdotool mousemove --sync " + std::to_string(at.x) + " " + std::to_string(at.y) +
                      " click --repeat 2 --delay 80 1"));
  const HWND chooser = WaitForWindow(L"Color");
  ASSERT_NE(chooser, nullptr) << "a real double click opened no colour chooser";
  EXPECT_TRUE(WaitUntil([&] { return ControlText(main_, IDC_INFO) == InfoLine(20, green[20]); })) << "its first click selected nothing";
  Close(chooser, IDCANCEL);
  for (const char* keys : {"alt+l", "Return"}) {
    Keys(keys, main_);
    const HWND open = WaitForWindow(L"Open");
    ASSERT_NE(open, nullptr) << keys;
    Close(open, IDCANCEL);
  }
  Keys("Escape", main_);
  EXPECT_TRUE(WaitForExit()) << "Escape did not end the program";
}

}  // namespace
}  // namespace varnel::e2e
