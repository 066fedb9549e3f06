// Drawing over GDI32. Every object here gives its system handle back when it goes out
// of scope; a memory DC puts its original bitmap back before it is deleted, so the
// bitmap it held can be deleted too.
#include "varnel/window/gdi.h"

#include "native.h"
#include "varnel/window/dialog.h"

namespace varnel::window {

using win32::Native;
using win32::Opaque;

Brush::Brush(Color color) : handle_(Opaque(::CreateSolidBrush(color))) {}

Brush::~Brush() {
  if (handle_ != nullptr) ::DeleteObject(Native(handle_));
}

Bitmap::Bitmap(unsigned resourceId)
    : handle_(Opaque(::LoadBitmapW(win32::Instance(), MAKEINTRESOURCEW(resourceId)))) {}

Bitmap::~Bitmap() {
  if (handle_ != nullptr) ::DeleteObject(Native(handle_));
}

namespace {

BITMAP Describe(BitmapHandle handle) {
  BITMAP info{};
  if (handle == nullptr || ::GetObjectW(Native(handle), sizeof info, &info) != sizeof info) {
    return BITMAP{};
  }
  return info;
}

}  // namespace

int Bitmap::Width() const { return Describe(handle_).bmWidth; }

int Bitmap::Height() const { return Describe(handle_).bmHeight; }

void DC::FillRect(const Rect& rect, const Brush& brush) {
  const RECT native{rect.left, rect.top, rect.right, rect.bottom};
  ::FillRect(Native(hdc_), &native, Native(brush.Handle()));
}

bool DC::Rectangle(const Rect& rect) {
  return ::Rectangle(Native(hdc_), rect.left, rect.top, rect.right, rect.bottom) != FALSE;
}

bool DC::DrawIcon(int x, int y, IconHandle icon) {
  return ::DrawIcon(Native(hdc_), x, y, Native(icon)) != FALSE;
}

bool DC::StretchBlt(int x, int y, int width, int height, const DC& source, int sx, int sy, int sw,
                    int sh, std::uint32_t rop) {
  return ::StretchBlt(Native(hdc_), x, y, width, height, Native(source.hdc_), sx, sy, sw, sh,
                      rop) != FALSE;
}

// The paint in progress: BeginPaint's record, ended by EndPaint when it goes. The device
// context comes with the system's defaults: a 1-pixel black pen and a white brush.
struct PaintDC::State {
  HWND window;
  PAINTSTRUCT paint{};
};

PaintDC::PaintDC(Dialog& window)
    : DC(nullptr), state_(std::make_unique<State>(State{Native(window.GetSafeHwnd())})) {
  hdc_ = Opaque(::BeginPaint(state_->window, &state_->paint));
}

PaintDC::~PaintDC() {
  if (hdc_ != nullptr) ::EndPaint(state_->window, &state_->paint);
}

MemoryDC::MemoryDC(const DC& compatible)
    : DC(Opaque(::CreateCompatibleDC(Native(compatible.GetSafeHdc())))) {}

MemoryDC::~MemoryDC() {
  if (hdc_ == nullptr) return;
  if (original_ != nullptr) ::SelectObject(Native(hdc_), Native(original_));
  ::DeleteDC(Native(hdc_));
}

void MemoryDC::SelectBitmap(const Bitmap& bitmap) {
  if (hdc_ == nullptr || bitmap.Handle() == nullptr) return;
  HGDIOBJ previous = ::SelectObject(Native(hdc_), Native(bitmap.Handle()));
  if (previous == nullptr) return;  // selecting a bitmap fails with null
  if (original_ == nullptr) original_ = Opaque(static_cast<HBITMAP>(previous));
}

}  // namespace varnel::window
