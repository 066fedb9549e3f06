// Numbers the window layer shares with the system: message numbers, command ids, flags,
// and the opaque handle types. Every value is the real Win32 value, so both backends
// and the resource script agree.
//
// The names carry a k prefix because <windows.h> defines the plain names (WM_PAINT,
// IDOK, ...) as macros.
#pragma once

#include <cstdint>

#include "varnel/window/geometry.h"

namespace varnel::window {

using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// Opaque handles. Each backend defines these structs (or reinterprets the system's
// handles as pointers to them); code above the window layer only passes them around.
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
inline constexpr unsigned kWmClose = 0x0010;
inline constexpr unsigned kWmPaint = 0x000F;
inline constexpr unsigned kWmEraseBkgnd = 0x0014;
inline constexpr unsigned kWmIconEraseBkgnd = 0x0027;
inline constexpr unsigned kWmQueryDragIcon = 0x0037;
inline constexpr unsigned kWmSetIcon = 0x0080;
inline constexpr unsigned kWmInitDialog = 0x0110;
inline constexpr unsigned kWmCommand = 0x0111;
inline constexpr unsigned kWmSysCommand = 0x0112;
inline constexpr unsigned kWmLButtonDown = 0x0201;
inline constexpr unsigned kWmLButtonUp = 0x0202;
inline constexpr unsigned kWmLButtonDblClk = 0x0203;

// Notification code of a push button press, in the high word of WM_COMMAND's wParam.
inline constexpr unsigned kBnClicked = 0;

// System commands (WM_SYSCOMMAND's wParam; the low four bits belong to the system).
inline constexpr unsigned kScMove = 0xF010;
inline constexpr unsigned kScMinimize = 0xF020;
inline constexpr unsigned kScClose = 0xF060;
inline constexpr unsigned kScRestore = 0xF120;

// Dialog and message box results.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Message box types.
inline constexpr unsigned kMbOk = 0x0000;
inline constexpr unsigned kMbIconExclamation = 0x0030;

// Menu item flags.
inline constexpr unsigned kMfString = 0x0000;
inline constexpr unsigned kMfSeparator = 0x0800;

// WM_SETICON's wParam.
inline constexpr unsigned kIconSmall = 0;
inline constexpr unsigned kIconBig = 1;

// GetSystemMetrics indices.
inline constexpr int kSmCxIcon = 11;
inline constexpr int kSmCyIcon = 12;

// Raster operation of StretchBlt: copy the source.
inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;

// wParam of WM_COMMAND and friends: low word and high word.
constexpr WParam MakeWParam(unsigned low, unsigned high) noexcept {
  return static_cast<WParam>((low & 0xFFFFu) | (high & 0xFFFFu) << 16);
}
constexpr unsigned LoWord(WParam w) noexcept { return static_cast<unsigned>(w & 0xFFFFu); }
constexpr unsigned HiWord(WParam w) noexcept { return static_cast<unsigned>((w >> 16) & 0xFFFFu); }

// lParam of a mouse message: x in the low word, y in the high word, both signed 16-bit.
constexpr LParam MakePointLParam(Point p) noexcept {
  return static_cast<LParam>(static_cast<std::int32_t>(
      (static_cast<std::uint32_t>(p.x) & 0xFFFFu) | (static_cast<std::uint32_t>(p.y) & 0xFFFFu) << 16));
}
constexpr Point PointFromLParam(LParam l) noexcept {
  const auto bits = static_cast<std::uint32_t>(l);
  return {static_cast<std::int16_t>(bits & 0xFFFFu), static_cast<std::int16_t>(bits >> 16)};
}

}  // namespace varnel::window
