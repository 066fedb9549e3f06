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
#undef SetDlgItemText

#include "varnel/window/constants.h"

namespace varnel::window::win32 {

// The opaque handles are the system's handles, reinterpreted.
inline HWND Native(WindowHandle h) noexcept { return reinterpret_cast<HWND>(h); }
inline HDC Native(DcHandle h) noexcept { return reinterpret_cast<HDC>(h); }
inline HICON Native(IconHandle h) noexcept { return reinterpret_cast<HICON>(h); }
inline HMENU Native(MenuHandle h) noexcept { return reinterpret_cast<HMENU>(h); }
inline HBRUSH Native(BrushHandle h) noexcept { return reinterpret_cast<HBRUSH>(h); }
inline HBITMAP Native(BitmapHandle h) noexcept { return reinterpret_cast<HBITMAP>(h); }

inline WindowHandle Opaque(HWND h) noexcept { return reinterpret_cast<WindowHandle>(h); }
inline DcHandle Opaque(HDC h) noexcept { return reinterpret_cast<DcHandle>(h); }
inline IconHandle Opaque(HICON h) noexcept { return reinterpret_cast<IconHandle>(h); }
inline MenuHandle Opaque(HMENU h) noexcept { return reinterpret_cast<MenuHandle>(h); }
inline BrushHandle Opaque(HBRUSH h) noexcept { return reinterpret_cast<BrushHandle>(h); }
inline BitmapHandle Opaque(HBITMAP h) noexcept { return reinterpret_cast<BitmapHandle>(h); }

// The executable, whose resources the window layer loads.
inline HINSTANCE Instance() noexcept { return ::GetModuleHandleW(nullptr); }

// The owner of a modal window opened without a parent: the window the person is
// working in, that is, the last active pop-up of this thread's main (unowned, visible)
// window. Null when the thread shows no window yet.
HWND DefaultOwner() noexcept;

}  // namespace varnel::window::win32
