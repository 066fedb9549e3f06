// The real Varnel.exe right after start: its window, the green ramp on the background
// picture, the About box from the system menu, and the ways it ends.
#include "journey.h"
#include "resource.h"

namespace varnel::e2e {
namespace {

using MainWindow = Journey;

TEST_F(MainWindow, HasItsFixedSizeAndControls) {
  // Dialog units of the 8-point "MS Sans Serif" at 96 dpi; a fallback font or another
  // template size shows up here first, and the pixel-placed swatches would no longer fit.
  RECT client{};
  GetClientRect(Main(), &client);
  EXPECT_EQ(client.right, 279);
  EXPECT_EQ(client.bottom, 372);
  const LONG style = GetWindowLongW(Main(), GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0) << "its size can be changed";
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);

  const struct {
    int id;
    const wchar_t* text;
    int top;
    const char* why;
  } rows[] = {
      {IDC_INFO, L"", 314, "four pixels under the last swatch row, blank"},
      {IDC_LOAD, L"&Load Pallete...", 338, "the left button"},
      {IDC_CONVERT, L"&Convert", 338, "right of Load"},
      {IDC_SAVEAS, L"&Save as...", 338, "right of Convert"},
  };
  LONG left = -1;
  for (const auto& row : rows) {
    RECT r{};
    GetWindowRect(GetDlgItem(Main(), row.id), &r);
    MapWindowPoints(HWND_DESKTOP, Main(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(ControlText(Main(), row.id), row.text) << row.why;
    EXPECT_EQ(r.top, row.top) << row.why;
    EXPECT_GT(r.left, row.id == IDC_LOAD ? -1 : left) << row.why;
    left = r.left;
  }
  KeepScreenshot(Main(), "main-window");
}

TEST_F(MainWindow, ShowsTheGreenRampOnTheBackgroundPicture) {
  ExpectShown(GreenRamp());
  const Pixels shown = SettledClient(Main());
  ASSERT_FALSE(shown.Empty());
  // Every pixel of a swatch's square, and the ring just outside it (right and bottom edges
  // are exclusive) shows the background.
  for (int index : {1, 15, 16, 255}) {
    const RECT r = SwatchRect(index);
    for (int y = r.top - 1; y <= r.bottom; ++y) {
      for (int x = r.left - 1; x <= r.right; ++x) {
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
          ASSERT_EQ(shown.At(x, y), (Rgb{0, index, 0})) << "swatch " << index << " at " << x << "," << y;
        } else {
          ASSERT_TRUE(IsBackground(shown.At(x, y))) << "around swatch " << index << " at " << x << "," << y;
        }
      }
    }
  }
  const struct {
    POINT at;
    const char* why;
  } rows[] = {
      {{0, 7}, "swatch 0's visible columns are never painted (top)"},
      {{3, 21}, "swatch 0's visible columns are never painted (bottom)"},
      {{23, 100}, "middle of a gap column"},
      {{100, 23}, "middle of a gap row"},
      {{275, 100}, "right of the last column"},
      {{140, 3}, "above the first row"},
      {{140, 311}, "between the last row and the information line"},
  };
  for (const auto& row : rows) EXPECT_TRUE(IsBackground(shown.At(row.at.x, row.at.y))) << row.why;

  // The picture is stretched over the whole client area, bright at the top and dark under
  // the last row; a plain dialog face is flat, a picture upside down the other way round.
  auto rowMean = [&](int y) {
    double sum = 0;
    for (int x = 0; x < 279; ++x) sum += shown.At(x, y).r + shown.At(x, y).g + shown.At(x, y).b;
    return sum / (3 * 279);
  };
  EXPECT_GT(rowMean(2) - rowMean(311), 40.0);
}

struct Ending {
  bool aboutByEscape;  // else its OK button
  bool endByEscape;    // else the close box
  const char* why;
};

class AboutThenEnd : public Journey, public ::testing::WithParamInterface<Ending> {};

TEST_P(AboutThenEnd, AboutComesFromTheSystemMenuAndGoesAndTheProgramEnds) {
  const Ending& c = GetParam();
  const Pixels before = SettledClient(Main());
  // The system menu of another process cannot be read here, so it is used by keys: Up wraps
  // round to its last entry. (Wine puts an "About Wine" entry before ours: no mnemonic.)
  Keys("alt+space", Main());
  ASSERT_TRUE(WaitUntil([&] { return MenuOpen(); })) << "no system menu after Alt+Space";
  Keys("Up Return");
  const HWND about = WaitForWindow(L"About Varnel");
  ASSERT_NE(about, nullptr) << "the system menu's last entry opened no About box";

  EXPECT_EQ(GetWindow(about, GW_OWNER), Main());
  EXPECT_FALSE(IsWindowEnabled(Main())) << "the About box is not modal";
  EXPECT_EQ(ControlText(about, IDOK), L"OK");
  EXPECT_NE(FindWindowExW(about, nullptr, L"Static", L"Varnel Version 1.0"), nullptr);
  bool icon = false;
  for (HWND child = GetWindow(about, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    icon = icon || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
  }
  EXPECT_TRUE(icon) << "no icon";
  if (c.aboutByEscape) {
    Keys("Escape", about);
  } else {
    KeepScreenshot(about, "about-box");
    PostClick(about, IDOK);
  }
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(Main()); })) << c.why;
  // Only the box went: the program runs on and repaints what the box covered.
  EXPECT_TRUE(WaitUntil([&] { return SettledClient(Main()) == before; })) << c.why;

  if (c.endByEscape) {
    Keys("Escape", Main());
  } else {
    PostMessageW(Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
  }
  EXPECT_TRUE(WaitForExit()) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Journey, AboutThenEnd,
    ::testing::Values(Ending{false, true, "About closed with OK, the program with Escape"},
                      Ending{true, false, "About closed with Escape, the program with the close box"}));

}  // namespace
}  // namespace varnel::e2e
