// The system's handles behind the window layer's opaque handle types, and what the
// layer's sources share.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After <windows.h>, which it needs.
#include <commdlg.h>
// Names of the window layer that <windows.h> turns into A/W macros, whichever header
// came first; the layer calls the system's W functions by their full names.
#undef AppendMenu
#undef GetDlgItemText
#undef LoadIcon
#undef LoadString
#undef MessageBox
#undef SendMessage
#undef PostMessage
#undef SetDlgItemText

#include "varnel/window/constants.h"

namespace varnel::window::win32 {

// The opaque handles are the system's handles, reinterpreted both ways.
#define VARNEL_HANDLE_PAIR(OPAQUE, SYSTEM)                                        \
  inline SYSTEM Native(OPAQUE h) noexcept { return reinterpret_cast<SYSTEM>(h); } \
  inline OPAQUE Opaque(SYSTEM h) noexcept { return reinterpret_cast<OPAQUE>(h); }
VARNEL_HANDLE_PAIR(WindowHandle, HWND)
VARNEL_HANDLE_PAIR(DcHandle, HDC)
VARNEL_HANDLE_PAIR(IconHandle, HICON)
VARNEL_HANDLE_PAIR(MenuHandle, HMENU)
VARNEL_HANDLE_PAIR(BrushHandle, HBRUSH)
VARNEL_HANDLE_PAIR(BitmapHandle, HBITMAP)
#undef VARNEL_HANDLE_PAIR

// The executable, whose resources the window layer loads.
inline HINSTANCE Instance() noexcept { return ::GetModuleHandleW(nullptr); }

// The owner of a modal window opened without a parent: the window the person is
// working in, that is, the last active pop-up of this thread's main (unowned, visible)
// window. Null when the thread shows no window yet.
HWND DefaultOwner() noexcept;

}  // namespace varnel::window::win32
