// The memory backend's drawing: straight into a window's frame buffer, clipped to the
// update region of the paint in progress.
#include <algorithm>
#include <cstdint>

#include "varnel/window/gdi.h"
#include "varnel/window/memory.h"

namespace varnel::window {
namespace {

using memory::Desktop;

// Sets one pixel of the DC's target if it lies in the client area and the clip.
void Plot(NativeDc& dc, int x, int y, COLORREF color) {
  NativeWindow* window = dc.window;
  if (window == nullptr || x < 0 || y < 0 || x >= window->width || y >= window->height) return;
  const auto i = static_cast<std::size_t>(y) * static_cast<std::size_t>(window->width) +
                 static_cast<std::size_t>(x);
  if (dc.clip != nullptr && (*dc.clip)[i] == 0) return;
  window->pixels[i] = color;
}

void Fill(NativeDc& dc, const Rect& r, COLORREF color) {
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) Plot(dc, x, y, color);
  }
}

constexpr COLORREF kBlackPen = 0x00000000;
constexpr COLORREF kWhiteBrush = 0x00FFFFFF;

}  // namespace

Brush::Brush(COLORREF color) : handle_(new NativeBrush{color}) {
  ++Desktop::Current().liveGdiObjects;
}

Brush::~Brush() {
  if (handle_ == nullptr) return;
  delete handle_;
  --Desktop::Current().liveGdiObjects;
}

Bitmap::Bitmap(unsigned resourceId) : handle_(nullptr) {
  Desktop& desktop = Desktop::Current();
  const auto found = desktop.bitmaps.find(resourceId);
  if (found == desktop.bitmaps.end()) return;
  handle_ = new NativeBitmap(found->second);
  handle_->selections = 0;
  ++desktop.liveGdiObjects;
}

Bitmap::~Bitmap() {
  if (handle_ == nullptr) return;
  Desktop& desktop = Desktop::Current();
  if (handle_->selections != 0) {
    // The system refuses to delete a selected bitmap: it would leak.
    desktop.faults.push_back("bitmap deleted while selected into a device context");
    return;
  }
  delete handle_;
  --desktop.liveGdiObjects;
}

int Bitmap::Width() const { return handle_ != nullptr ? handle_->width : 0; }
int Bitmap::Height() const { return handle_ != nullptr ? handle_->height : 0; }

void DC::FillRect(const Rect& rect, const Brush& brush) { Fill(*hdc_, rect, brush.Handle()->color); }

bool DC::Rectangle(const Rect& r) {
  if (r.IsRectEmpty()) return true;
  Fill(*hdc_, r, kBlackPen);
  Fill(*hdc_, {r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, kWhiteBrush);
  return true;
}

bool DC::DrawIcon(int x, int y, IconHandle icon) {
  if (icon == nullptr) return false;
  Fill(*hdc_, {x, y, x + icon->width, y + icon->height}, icon->color);
  return true;
}

bool DC::StretchBlt(int x, int y, int width, int height, const DC& source, int sx, int sy,
                    int sw, int sh, std::uint32_t rop) {
  const NativeBitmap* bitmap = source.hdc_->bitmap;
  if (rop != kSrcCopy || bitmap == nullptr || width <= 0 || height <= 0) return false;
  // Nearest source pixel for each target pixel, each axis scaled on its own.
  for (int dy = 0; dy < height; ++dy) {
    const auto by = sy + static_cast<int>(std::int64_t{dy} * sh / height);
    if (by < 0 || by >= bitmap->height) continue;
    for (int dx = 0; dx < width; ++dx) {
      const auto bx = sx + static_cast<int>(std::int64_t{dx} * sw / width);
      if (bx < 0 || bx >= bitmap->width) continue;
      Plot(*hdc_, x + dx, y + dy, bitmap->At(bx, by));
    }
  }
  return true;
}

struct PaintDC::State {
  std::vector<std::uint8_t> clip;
  NativeDc dc;
};

PaintDC::PaintDC(Dialog& window) : DC(nullptr), state_(std::make_unique<State>()) {
  NativeWindow& native = Desktop::Current().WindowOf(window);
  state_->dc = NativeDc{&native, &state_->clip, nullptr};
  hdc_ = &state_->dc;
  Desktop::Current().BeginPaint(native, state_->clip);
}

PaintDC::~PaintDC() = default;

MemoryDC::MemoryDC(const DC&) : DC(new NativeDc{}) { ++Desktop::Current().liveGdiObjects; }

MemoryDC::~MemoryDC() {
  if (hdc_->bitmap != nullptr) --hdc_->bitmap->selections;
  hdc_->bitmap = original_;
  delete hdc_;
  --Desktop::Current().liveGdiObjects;
}

void MemoryDC::SelectBitmap(const Bitmap& bitmap) {
  if (hdc_->bitmap != nullptr) --hdc_->bitmap->selections;
  if (original_ == nullptr) original_ = hdc_->bitmap;
  hdc_->bitmap = bitmap.Handle();
  if (hdc_->bitmap != nullptr) ++hdc_->bitmap->selections;
}

}  // namespace varnel::window
