// Scoped Win32 handles: each releases its handle when it goes out of scope. None can be
// copied, so no copy releases a handle twice; all but the paint can be moved.
#pragma once

#include <windows.h>

#include <utility>

namespace varnel::window {

// A handle released by `Release` (DeleteObject, DeleteDC, ...) unless it is null.
template <class Handle, auto Release>
class Scoped {
 public:
  explicit Scoped(Handle handle = nullptr) noexcept : handle_(handle) {}
  ~Scoped() {
    if (handle_ != nullptr) Release(handle_);
  }
  Scoped(Scoped&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  Scoped& operator=(Scoped other) noexcept {  // the handle held so far goes with `other`
    std::swap(handle_, other.handle_);
    return *this;
  }
  Scoped(const Scoped&) = delete;

  operator Handle() const noexcept { return handle_; }

 private:
  Handle handle_;
};

using ScopedBrush = Scoped<HBRUSH, &::DeleteObject>;
using ScopedBitmap = Scoped<HBITMAP, &::DeleteObject>;
using ScopedDC = Scoped<HDC, &::DeleteDC>;  // a DC of CreateCompatibleDC
using ScopedMenu = Scoped<HMENU, &::DestroyMenu>;
using ScopedHook = Scoped<HHOOK, &::UnhookWindowsHookEx>;

// An object selected into a device context; the one it replaced goes back on scope exit,
// so that both the context and the object can then be deleted.
class ScopedSelect {
 public:
  ScopedSelect(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~ScopedSelect() {
    if (previous_ != nullptr) ::SelectObject(dc_, previous_);
  }
  ScopedSelect(const ScopedSelect&) = delete;
  ScopedSelect& operator=(const ScopedSelect&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// The device context of WM_PAINT: BeginPaint (which erases the background first when the
// update region asks for it) on construction, EndPaint on scope exit. Drawing is clipped to
// the update region; the context starts with a 1-pixel black pen and a white brush.
class PaintDC {
 public:
  explicit PaintDC(HWND window) noexcept : window_(window), dc_(::BeginPaint(window, &paint_)) {}
  ~PaintDC() {
    if (dc_ != nullptr) ::EndPaint(window_, &paint_);
  }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;

  operator HDC() const noexcept { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

}  // namespace varnel::window
