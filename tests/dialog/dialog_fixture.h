// A main dialog open on the in-memory window system, and what its tests share.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "files.h"
#include "resource.h"
#include "varnel/app/converter_dlg.h"
#include "varnel/window/memory.h"

namespace varnel::testing {

namespace fs = std::filesystem;
namespace vw = varnel::window;

// The background the tests use: four flat quadrants, so that where the picture lands after
// the stretch can be told pixel by pixel.
inline constexpr COLORREF kQuadrant[2][2] = {{MakeColor(200, 200, 200), MakeColor(180, 180, 190)},
                                             {MakeColor(90, 90, 90), MakeColor(70, 75, 70)}};

using varnel::test::ReadBytes;
using varnel::test::WriteBytes;

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() {
    vw::NativeBitmap picture{513, 345, {}, 0};
    for (int y = 0; y < picture.height; ++y) {
      for (int x = 0; x < picture.width; ++x)
        picture.pixels.push_back(kQuadrant[y >= 172][x >= 256]);
    }
    desktop.bitmaps[IDB_BACKGROUND] = picture;
    dlg.emplace();
    desktop.Open(*dlg);
  }
  ~DialogTest() override {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    EXPECT_EQ(desktop.faults, std::vector<std::string>{});
    EXPECT_EQ(desktop.liveGdiObjects, 0) << "a brush, bitmap or memory DC was not released";
    EXPECT_TRUE(desktop.fileAnswers.empty()) << "a scripted file dialog never ran";
    EXPECT_TRUE(desktop.colorAnswers.empty()) << "a scripted colour chooser never ran";
  }

  vw::NativeWindow& window() { return desktop.WindowOf(*dlg); }
  COLORREF Pixel(vw::Point p) { return window().Pixel(p.x, p.y); }
  vw::Rect Swatch(int i) const { return dlg->GetSwatches()[static_cast<std::size_t>(i)]; }
  vw::Point Centre(int i) const {
    const vw::Rect r = Swatch(i);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  std::string InfoLine() { return window().controls[IDC_INFO]; }

  // True when the pixel shows its quadrant of the stretched picture; within 2 px of the
  // middle lines, where the stretch may round either way, a neighbouring quadrant will do.
  bool IsBackground(vw::Point p) {
    for (int dx : {-2, 0, 2}) {
      for (int dy : {-2, 0, 2}) {
        if (Pixel(p) == kQuadrant[p.y + dy >= window().height / 2][p.x + dx >= window().width / 2])
          return true;
      }
    }
    return false;
  }

  // Input as the system delivers it, each followed by the repaint it causes; a double
  // click comes as down, up, double click, up.
  void Mouse(unsigned message, vw::Point p) {
    desktop.Send(*dlg, message, message == vw::kWmLButtonUp ? 0 : 1, vw::MakePointLParam(p));
    if (message == vw::kWmLButtonUp) desktop.UpdateWindow(*dlg);
  }
  void Click(vw::Point p) {
    Mouse(vw::kWmLButtonDown, p);
    Mouse(vw::kWmLButtonUp, p);
  }
  void DoubleClick(vw::Point p) {
    Click(p);
    Mouse(vw::kWmLButtonDblClk, p);
    Mouse(vw::kWmLButtonUp, p);
  }
  void Press(int button) {
    desktop.Send(*dlg, vw::kWmCommand,
                 vw::MakeWParam(static_cast<unsigned>(button), vw::kBnClicked));
    desktop.UpdateWindow(*dlg);
  }
  void Choose(int button, const fs::path& path, int answer = vw::kIdOk) {
    desktop.fileAnswers.push_back({answer, path});
    Press(button);
  }

  vw::memory::Desktop desktop;
  std::optional<CConverterDlg> dlg;
  varnel::test::TempDir scratch;
  fs::path folder = scratch.path();  // a folder of the test's own, removed afterwards
};

}  // namespace varnel::testing
