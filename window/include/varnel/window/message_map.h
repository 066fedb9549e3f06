// Building a message map: typed rows that unpack a message for an OnXxx handler.
//
//   const MessageMap& CMyDlg::GetMessageMap() const {
//     using M = MapOf<CMyDlg>;
//     static constexpr MessageEntry kEntries[] = {
//         M::Paint<&CMyDlg::OnPaint>(),
//         M::Command<IDC_LOAD, &CMyDlg::OnLoad>(),
//     };
//     static constexpr MessageMap kMap{&Dialog::kMessageMap, kEntries};
//     return kMap;
//   }
//
// The rows are searched in order; the first that takes a message wins.
#pragma once

#include <filesystem>

#include "varnel/window/desktop.h"
#include "varnel/window/dialog.h"
#include "varnel/window/gdi.h"

namespace varnel::window {

// Rows for dialog class D (derived from Dialog). Handlers may be private members of D
// when the map is built inside D's own member function.
template <class D>
struct MapOf {
  // WM_SYSCOMMAND: void OnSysCommand(unsigned id, LParam lParam).
  template <void (D::*F)(unsigned, LParam)>
  static constexpr MessageEntry SysCommand() noexcept {
    return {kWmSysCommand, 0, [](Dialog& d, const Message& m) -> LResult {
              (static_cast<D&>(d).*F)(static_cast<unsigned>(m.wParam), m.lParam);
              return 0;
            }};
  }

  // WM_PAINT: void OnPaint().
  template <void (D::*F)()>
  static constexpr MessageEntry Paint() noexcept {
    return {kWmPaint, 0, [](Dialog& d, const Message&) -> LResult {
              (static_cast<D&>(d).*F)();
              return 0;
            }};
  }

  // WM_QUERYDRAGICON: IconHandle OnQueryDragIcon(); the icon shown while dragging the
  // minimised window.
  template <IconHandle (D::*F)()>
  static constexpr MessageEntry QueryDragIcon() noexcept {
    return {kWmQueryDragIcon, 0, [](Dialog& d, const Message&) -> LResult {
              return reinterpret_cast<LResult>((static_cast<D&>(d).*F)());
            }};
  }

  // WM_LBUTTONDOWN: void OnLButtonDown(unsigned flags, Point point), client coordinates.
  template <void (D::*F)(unsigned, Point)>
  static constexpr MessageEntry LButtonDown() noexcept {
    return {kWmLButtonDown, 0, &Mouse<F>};
  }

  // WM_LBUTTONDBLCLK: void OnLButtonDblClk(unsigned flags, Point point).
  template <void (D::*F)(unsigned, Point)>
  static constexpr MessageEntry LButtonDblClk() noexcept {
    return {kWmLButtonDblClk, 0, &Mouse<F>};
  }

  // WM_COMMAND for a click of button `Id`: void OnXxx().
  template <unsigned Id, void (D::*F)()>
  static constexpr MessageEntry Command() noexcept {
    return {kWmCommand, Id, [](Dialog& d, const Message&) -> LResult {
              (static_cast<D&>(d).*F)();
              return 0;
            }};
  }

  // A message of the program's own (kWmApp and up), posted or sent: void OnXxx().
  template <unsigned Id, void (D::*F)()>
  static constexpr MessageEntry Own() noexcept {
    static_assert(Id >= kWmApp && Id < kWmDialogKey);
    return {Id, 0, [](Dialog& d, const Message&) -> LResult {
              (static_cast<D&>(d).*F)();
              return 0;
            }};
  }

  // WM_DROPFILES (after DragAcceptFiles): void OnDropFiles(std::filesystem::path first).
  template <void (D::*F)(std::filesystem::path)>
  static constexpr MessageEntry DropFiles() noexcept {
    return {kWmDropFiles, 0, [](Dialog& d, const Message& m) -> LResult {
              (static_cast<D&>(d).*F)(TakeFirstDroppedFile(m.wParam));
              return 0;
            }};
  }

  // WM_CONTEXTMENU: void OnContextMenu(Point screen); (-1, -1) when it came from the
  // keyboard.
  template <void (D::*F)(Point)>
  static constexpr MessageEntry ContextMenu() noexcept {
    return {kWmContextMenu, 0, &Mouse<F>};
  }

  // A key pressed anywhere in the dialog, before the focused control sees it:
  // bool OnDialogKey(unsigned key, bool control); true when the key was used, and the
  // control then never sees it.
  template <bool (D::*F)(unsigned, bool)>
  static constexpr MessageEntry DialogKey() noexcept {
    return {kWmDialogKey, 0, [](Dialog& d, const Message& m) -> LResult {
              return (static_cast<D&>(d).*F)(static_cast<unsigned>(m.wParam), m.lParam != 0) ? 1
                                                                                             : 0;
            }};
  }

  // WM_ERASEBKGND: bool OnEraseBkgnd(DC& dc); true when the background is erased.
  template <bool (D::*F)(DC&)>
  static constexpr MessageEntry EraseBkgnd() noexcept {
    return {kWmEraseBkgnd, 0, [](Dialog& d, const Message& m) -> LResult {
              DC dc(reinterpret_cast<DcHandle>(m.wParam));
              return (static_cast<D&>(d).*F)(dc) ? 1 : 0;
            }};
  }

 private:
  template <void (D::*F)(unsigned, Point)>
  static LResult Mouse(Dialog& d, const Message& m) {
    (static_cast<D&>(d).*F)(static_cast<unsigned>(m.wParam), PointFromLParam(m.lParam));
    return 0;
  }
  template <void (D::*F)(Point)>
  static LResult Mouse(Dialog& d, const Message& m) {
    (static_cast<D&>(d).*F)(PointFromLParam(m.lParam));
    return 0;
  }
};

}  // namespace varnel::window
