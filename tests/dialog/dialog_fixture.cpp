#include "dialog_fixture.h"

#include <atomic>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace varnel::testing {

vw::NativeBitmap QuadrantPicture() {
  vw::NativeBitmap picture{513, 345, {}, 0};
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const bool left = x < picture.width / 2;
      const bool top = y < picture.height / 2;
      picture.pixels.push_back(top ? (left ? kTopLeft : kTopRight)
                                   : (left ? kBottomLeft : kBottomRight));
    }
  }
  return picture;
}

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  path_ = std::filesystem::temp_directory_path() /
          ("varnel-dialog-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

Palette SamplePalette() {
  Palette palette{};
  for (int i = 0; i < 256; ++i) {
    palette[static_cast<std::size_t>(i)] = MakeColor(255 - i, (i * 7) % 256, 128 + i / 2);
  }
  return palette;
}

DialogTest::DialogTest() {
  desktop.bitmaps[IDB_BACKGROUND] = QuadrantPicture();
  dlg.emplace();
  desktop.Open(*dlg);
}

DialogTest::~DialogTest() {
  EXPECT_EQ(desktop.faults, std::vector<std::string>{});
  EXPECT_EQ(desktop.liveGdiObjects, 0) << "a brush, bitmap or memory DC was not released";
  EXPECT_TRUE(desktop.fileAnswers.empty()) << "a scripted file dialog never ran";
  EXPECT_TRUE(desktop.colorAnswers.empty()) << "a scripted colour chooser never ran";
}

vw::Point DialogTest::Centre(int i) const {
  const vw::Rect r = Swatch(i);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool DialogTest::IsBackground(int x, int y) {
  const COLORREF pixel = Pixel(x, y);
  const vw::Rect client = dlg->GetClientRect();
  const int midX = client.Width() / 2;
  const int midY = client.Height() / 2;
  if (std::abs(x - midX) <= 2 || std::abs(y - midY) <= 2) {
    return pixel == kTopLeft || pixel == kTopRight || pixel == kBottomLeft ||
           pixel == kBottomRight;
  }
  const bool left = x < midX;
  const bool top = y < midY;
  return pixel == (top ? (left ? kTopLeft : kTopRight) : (left ? kBottomLeft : kBottomRight));
}

void DialogTest::Click(vw::Point p) {
  desktop.Send(*dlg, vw::kWmLButtonDown, 1, vw::MakePointLParam(p));
  desktop.Send(*dlg, vw::kWmLButtonUp, 0, vw::MakePointLParam(p));
  desktop.UpdateWindow(*dlg);
}

// The system delivers a double click as down, up, double click, up.
void DialogTest::DoubleClick(vw::Point p) {
  desktop.Send(*dlg, vw::kWmLButtonDown, 1, vw::MakePointLParam(p));
  desktop.Send(*dlg, vw::kWmLButtonUp, 0, vw::MakePointLParam(p));
  desktop.UpdateWindow(*dlg);
  desktop.Send(*dlg, vw::kWmLButtonDblClk, 1, vw::MakePointLParam(p));
  desktop.Send(*dlg, vw::kWmLButtonUp, 0, vw::MakePointLParam(p));
  desktop.UpdateWindow(*dlg);
}

void DialogTest::Press(int buttonId) {
  desktop.Send(*dlg, vw::kWmCommand,
               vw::MakeWParam(static_cast<unsigned>(buttonId), vw::kBnClicked), 0);
  desktop.UpdateWindow(*dlg);
}

void DialogTest::Load(const std::filesystem::path& path) {
  desktop.fileAnswers.push_back({vw::kIdOk, path});
  Press(IDC_LOAD);
}

void DialogTest::SaveAs(const std::filesystem::path& path) {
  desktop.fileAnswers.push_back({vw::kIdOk, path});
  Press(IDC_SAVEAS);
}

}  // namespace varnel::testing
