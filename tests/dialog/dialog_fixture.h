// A main dialog open on the in-memory window system, and what its tests share.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "resource.h"
#include "varnel/app/converter_dlg.h"
#include "varnel/window/memory.h"

namespace varnel::testing {

namespace vw = varnel::window;

// The background picture the tests use: four flat quadrants, so that the stretch can be
// told apart at the corners of the client area.
inline constexpr COLORREF kTopLeft = MakeColor(200, 200, 200);
inline constexpr COLORREF kTopRight = MakeColor(180, 180, 190);
inline constexpr COLORREF kBottomLeft = MakeColor(90, 90, 90);
inline constexpr COLORREF kBottomRight = MakeColor(70, 75, 70);
vw::NativeBitmap QuadrantPicture();

// A folder of its own for one test, removed afterwards.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::string& bytes);

// A palette unlike the green ramp in every entry, with values above 127 and 99.
Palette SamplePalette();

class DialogTest : public ::testing::Test {
 protected:
  DialogTest();
  ~DialogTest() override;

  vw::NativeWindow& window() { return desktop.WindowOf(*dlg); }
  COLORREF Pixel(int x, int y) { return window().Pixel(x, y); }
  vw::Rect Swatch(int i) const { return dlg->GetSwatches()[static_cast<std::size_t>(i)]; }
  vw::Point Centre(int i) const;

  // True when the pixel shows the background picture: its quadrant's colour, or any
  // quadrant's colour near the middle lines where the stretch may round either way.
  bool IsBackground(int x, int y);
  std::string InfoLine() { return window().controls[IDC_INFO]; }

  // Input as the system delivers it, each followed by the repaint it causes.
  void Click(vw::Point p);
  void DoubleClick(vw::Point p);
  void Press(int buttonId);
  void Load(const std::filesystem::path& path);
  void SaveAs(const std::filesystem::path& path);

  vw::memory::Desktop desktop;
  std::optional<CConverterDlg> dlg;
  TempFolder folder;
};

}  // namespace varnel::testing
