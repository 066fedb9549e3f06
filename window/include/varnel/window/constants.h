// Numbers the window layer shares with the system: message numbers, command ids, flags,
// and opaque handle types, so that code above the layer needs no <windows.h>. Every
// value is the real Win32 value. The names carry a k prefix because <windows.h> defines
// the plain names (WM_PAINT, IDOK, ...) as macros.
#pragma once

#include <cstdint>

#include "varnel/window/geometry.h"

namespace varnel::window {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// A colour as the system takes it: 0x00BBGGRR.
using Color = std::uint32_t;

// Opaque handles: the system's handles, reinterpreted; code above the window layer only
// passes them around.
struct NativeWindow;
struct NativeDc;
struct NativeIcon;
struct NativeMenu;
struct NativeBrush;
struct NativeBitmap;

using WindowHandle = NativeWindow*;
using DcHandle = NativeDc*;
using IconHandle = NativeIcon*;
using MenuHandle = NativeMenu*;
using BrushHandle = NativeBrush*;
using BitmapHandle = NativeBitmap*;

// Window messages.
inline constexpr unsigned kWmPaint = 0x000F;
inline constexpr unsigned kWmEraseBkgnd = 0x0014;
inline constexpr unsigned kWmIconEraseBkgnd = 0x0027;
inline constexpr unsigned kWmQueryDragIcon = 0x0037;
inline constexpr unsigned kWmInitDialog = 0x0110;
inline constexpr unsigned kWmCommand = 0x0111;
inline constexpr unsigned kWmSysCommand = 0x0112;
inline constexpr unsigned kWmLButtonDown = 0x0201;
inline constexpr unsigned kWmLButtonDblClk = 0x0203;
inline constexpr unsigned kWmContextMenu = 0x007B;
inline constexpr unsigned kWmDropFiles = 0x0233;
// The first of the numbers a program may give its own messages.
inline constexpr unsigned kWmApp = 0x8000;
// A key pressed anywhere in a dialog, its focused control included (see message_map.h).
inline constexpr unsigned kWmDialogKey = kWmApp + 0x3F00;

// Notification code of a push button press, in the high word of WM_COMMAND's wParam.
inline constexpr unsigned kBnClicked = 0;

// Virtual key codes; letters are their capitals ('C').
inline constexpr unsigned kVkApps = 0x5D;

// Dialog and message box results.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Message box types.
inline constexpr unsigned kMbOk = 0x0000;
inline constexpr unsigned kMbIconExclamation = 0x0030;

// Menu item flags.
inline constexpr unsigned kMfString = 0x0000;
inline constexpr unsigned kMfSeparator = 0x0800;

// GetSystemMetrics indices.
inline constexpr int kSmCxIcon = 11;
inline constexpr int kSmCyIcon = 12;

// Raster operation of StretchBlt: copy the source.
inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;

// wParam of WM_COMMAND and friends: low word and high word.
constexpr unsigned LoWord(WParam w) noexcept { return static_cast<unsigned>(w & 0xFFFFu); }
constexpr unsigned HiWord(WParam w) noexcept { return static_cast<unsigned>((w >> 16) & 0xFFFFu); }

// lParam of a mouse message: x in the low word, y in the high word, both signed 16-bit.
constexpr Point PointFromLParam(LParam l) noexcept {
  const auto bits = static_cast<std::uint32_t>(l);
  return {static_cast<std::int16_t>(bits & 0xFFFFu), static_cast<std::int16_t>(bits >> 16)};
}

}  // namespace varnel::window
