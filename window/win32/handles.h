// Owners of the system handles the win32 backend holds for the length of one call.
// None can be copied; each gives its handle back exactly once.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace varnel::window::win32 {

// BeginPaint on construction, EndPaint on destruction. The device context comes with
// the system's defaults: a 1-pixel black pen and a white brush.
class PaintDc {
 public:
  explicit PaintDc(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() {
    if (dc_ != nullptr) ::EndPaint(window_, &paint_);
  }

  HDC Get() const noexcept { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

}  // namespace varnel::window::win32
