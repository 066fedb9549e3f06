// Scoped Win32 handles: each releases its handle when it goes out of scope. None can be
// copied, so no copy releases a handle twice; the plain handles can be moved.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace varnel::window {

// A handle released by `Release` (DeleteObject, DeleteDC, ...) on scope exit unless it is
// null: a std::unique_ptr, so it can be moved but never copied; get() gives the handle.
template <auto Release>
struct Releaser {
  void operator()(auto handle) const noexcept { Release(handle); }
};
template <class Handle, auto Release>
using Scoped = std::unique_ptr<std::remove_pointer_t<Handle>, Releaser<Release>>;

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
