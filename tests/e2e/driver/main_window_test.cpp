// The real Varnel.exe right after start, looked at and driven from outside.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "capture.h"
#include "remote.h"
#include "resource.h"
#include "screen.h"

namespace varnel::e2e {
namespace {

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    program_.emplace(Program::Start());
    window_ = program_->MainWindow();
    ASSERT_NE(window_, nullptr);
    client_ = SettledClient(window_);
    ASSERT_FALSE(client_.Empty()) << "the main window never stopped changing";
  }

  std::optional<Program> program_;
  HWND window_ = nullptr;
  Pixels client_;
};

TEST_F(MainWindow, ClientAreaHasItsFixedSize) {
  // Dialog units of the 8-point "MS Sans Serif" at 96 dpi; a fallback font or a different
  // template size shows up here first, and the pixel-placed swatches would no longer fit.
  RECT client{};
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 279);
  EXPECT_EQ(client.bottom, 372);
  // ...and nobody can change it: no sizing border, no maximise box; minimising is allowed.
  const auto style = static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE));
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0u);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_SYSMENU | WS_CAPTION), static_cast<DWORD>(WS_MINIMIZEBOX | WS_SYSMENU | WS_CAPTION));
  EXPECT_NE(GetWindowLongW(window_, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0) << "not on the taskbar";
  KeepScreenshot(CaptureWindow(window_), "main-window");
}

TEST_F(MainWindow, ControlsSitUnderTheSwatchGrid) {
  struct Row {
    int id;
    std::wstring text;
    int top;
    int height;
    const char* why;
  };
  const Row rows[] = {
      {IDC_INFO, L"", 314, 18, "four pixels under the last swatch row; blank after the first exchange"},
      {IDC_LOAD, L"&Load Pallete...", 338, 23, "left button, the default one"},
      {IDC_CONVERT, L"&Convert", 338, 23, "middle button"},
      {IDC_SAVEAS, L"&Save as...", 338, 23, "right button"},
  };
  int previousLeft = -1;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    ASSERT_NE(GetDlgItem(window_, row.id), nullptr) << "no control " << row.id;
    EXPECT_EQ(ControlText(window_, row.id), row.text);
    const RECT r = ControlRect(window_, row.id);
    EXPECT_EQ(r.top, row.top);
    EXPECT_EQ(r.bottom - r.top, row.height);
    EXPECT_GT(r.left, previousLeft);
    previousLeft = row.id == IDC_INFO ? -1 : r.left;
  }
}

TEST_F(MainWindow, SwatchCentresShowTheGreenRamp) {
  struct Row {
    int index;
    const char* why;
  };
  const Row rows[] = {
      {1, "first swatch, top left: nearly black"},
      {2, "second column"},
      {15, "end of the first row (15 columns, not 16)"},
      {16, "start of the second row"},
      {128, "middle of the palette"},
      {241, "start of the last row"},
      {255, "last swatch, bottom right: pure green"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    const POINT centre = SwatchCentre(row.index);
    const Rgb seen = client_.At(centre.x, centre.y);
    EXPECT_EQ(seen, (Rgb{0, row.index, 0}))
        << "swatch " << row.index << " shows " << Describe(seen);
  }
}

TEST_F(MainWindow, GreenRampRisesSwatchBySwatch) {
  int previousGreen = 0;
  for (int i = 1; i <= 255; ++i) {
    const POINT centre = SwatchCentre(i);
    const Rgb seen = client_.At(centre.x, centre.y);
    EXPECT_TRUE(seen.r == 0 && seen.b == 0 && seen.g > previousGreen)
        << "swatch " << i << " shows " << Describe(seen) << " after green " << previousGreen;
    previousGreen = seen.g;
  }
}

TEST_F(MainWindow, SwatchesFillExactlyTheirSquares) {
  // Every pixel of the 15x15 square has the swatch's colour, and the ring just outside it
  // (right and bottom edges are exclusive) shows the background.
  for (int index : {1, 15, 16, 137, 255}) {
    const RECT r = SwatchRect(index);
    for (int y = r.top - 1; y <= r.bottom; ++y) {
      for (int x = r.left - 1; x <= r.right; ++x) {
        const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
        const Rgb seen = client_.At(x, y);
        if (inside) {
          ASSERT_EQ(seen, (Rgb{0, index, 0})) << "swatch " << index << " at " << x << "," << y;
        } else {
          ASSERT_TRUE(IsBackground(seen))
              << "around swatch " << index << " at " << x << "," << y << ": " << Describe(seen);
        }
      }
    }
  }
}

TEST_F(MainWindow, GapsAndSwatchZeroShowTheBackground) {
  struct Row {
    POINT at;
    const char* why;
  };
  const Row rows[] = {
      {{0, 7}, "swatch 0's columns 0..3 are never painted (top)"},
      {{3, 21}, "swatch 0's columns 0..3 are never painted (bottom)"},
      {{5, 14}, "left margin"},
      {{22, 14}, "gap between swatches 1 and 2, first column"},
      {{24, 14}, "gap between swatches 1 and 2, last column"},
      {{14, 22}, "gap row between rows 1 and 2"},
      {{14, 24}, "gap row between rows 1 and 2, last line"},
      {{275, 100}, "right of the last column"},
      {{140, 3}, "above the first row"},
      {{140, 311}, "between the last row and the information line"},
      {{4, 330}, "left of the information line"},
  };
  for (const Row& row : rows) {
    const Rgb seen = client_.At(row.at.x, row.at.y);
    EXPECT_TRUE(IsBackground(seen))
        << row.why << ": " << row.at.x << "," << row.at.y << " shows " << Describe(seen);
  }
}

TEST_F(MainWindow, BackgroundIsTheMetalPictureBrightAtTheTop) {
  // Mean brightness along gap rows near the top and near the bottom of the grid: the picture
  // is stretched over the whole client area, so its dark bottom is under the last rows. A
  // plain dialog face (or a picture upside down) is flat or brighter at the bottom.
  auto rowMean = [&](int y) {
    long sum = 0;
    for (int x = 0; x < 279; ++x) {
      const Rgb c = client_.At(x, y);
      sum += c.r + c.g + c.b;
    }
    return static_cast<double>(sum) / (3.0 * 279);
  };
  const double top = (rowMean(2) + rowMean(23)) / 2;
  const double bottom = (rowMean(311) + rowMean(312)) / 2;
  EXPECT_GT(top - bottom, 40.0) << "top " << top << ", bottom " << bottom;
}

TEST_F(MainWindow, EscapeEndsTheProgram) {
  ASSERT_TRUE(BringToFront(window_));
  Press({{VK_ESCAPE}});
  EXPECT_TRUE(program_->WaitForExit()) << "still running after Escape";
}

// How a person closes the About box.
enum class Closing { kOkButton, kEscapeKey };

class AboutBox : public MainWindow, public ::testing::WithParamInterface<Closing> {};

TEST_P(AboutBox, OpensFromTheSystemMenuAndCloses) {
  // The system menu of another process cannot be read from here, so it is used as a person
  // would: Alt+Space opens it, Up wraps round to its last entry, Enter picks it. (Its
  // mnemonic A would do on Windows; Wine puts an "About Wine" entry before ours.)
  ASSERT_TRUE(BringToFront(window_));
  Press({{VK_SPACE, true}});
  ASSERT_TRUE(WaitUntil([&] { return program_->MenuOpen(); })) << "no system menu after Alt+Space";
  Press({{VK_UP}, {VK_RETURN}});
  const HWND about = program_->WaitForWindow(L"About Varnel");
  ASSERT_NE(about, nullptr) << "the system menu's last entry opened no About box";

  EXPECT_EQ(ControlText(about, IDOK), L"OK");
  bool versionShown = false;
  bool iconShown = false;
  for (HWND child = GetWindow(about, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    versionShown = versionShown || std::wstring(text) == L"Varnel Version 1.0";
    iconShown = iconShown || (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
  }
  EXPECT_TRUE(versionShown) << "no \"Varnel Version 1.0\" line";
  EXPECT_TRUE(iconShown) << "no icon";
  EXPECT_FALSE(IsWindowEnabled(window_)) << "the About box is not modal";
  if (GetParam() == Closing::kOkButton) KeepScreenshot(CaptureWindow(about), "about-box");

  if (GetParam() == Closing::kOkButton) {
    PostClick(GetDlgItem(about, IDOK));
  } else {
    ASSERT_TRUE(BringToFront(about));
    Press({{VK_ESCAPE}});
  }
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); })) << "About box still open";
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(window_) != FALSE; }));
  EXPECT_TRUE(program_->Running()) << "closing the About box ended the program";
  // The main window comes back as it was: the area the box covered is repainted.
  EXPECT_TRUE(WaitUntil([&] { return SettledClient(window_) == client_; }))
      << "the main window looks different after the About box closed";
}

INSTANTIATE_TEST_SUITE_P(Closing, AboutBox, ::testing::Values(Closing::kOkButton, Closing::kEscapeKey),
                         [](const ::testing::TestParamInfo<Closing>& closing) {
                           return closing.param == Closing::kOkButton ? "WithOk" : "WithEscape";
                         });

}  // namespace
}  // namespace varnel::e2e
