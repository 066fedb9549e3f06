// The dialog base: a window made from a dialog template and run modally. One static dialog
// procedure finds the Dialog a window belongs to and hands it every message; HandleMessage
// routes it. DialogImpl<T> routes through T's message map, a constexpr table of
// {message, control id, member handler} rows searched in order, and unpacks each message
// for its handler with <windowsx.h>'s crackers:
//
//   std::span<const MessageEntry<CMyDlg>> CMyDlg::GetMessageMap() const {
//     static constexpr MessageEntry<CMyDlg> kMap[] = {
//         {WM_PAINT, 0, &CMyDlg::OnPaint},
//         {WM_COMMAND, IDC_LOAD, &CMyDlg::OnLoad},
//     };
//     return kMap;
//   }
//
// Beside it: the system's file and colour dialogs, and what the program meets beyond its
// own window (its command line, drops, the clipboard, pop-up menus). Strings are UTF-8.
// UNICODE is defined wherever this header is used, so that MessageBox names the same member
// everywhere.
#pragma once

#include <windows.h>
// After <windows.h>.
#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include <exception>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace varnel::window {

// The program's command-line arguments after its own name, split as the system splits
// them (quoted names may hold spaces).
std::vector<std::filesystem::path> CommandLineArguments();

// The first file of a drop (WM_DROPFILES' wParam); the drop is released.
std::filesystem::path TakeFirstDroppedFile(HDROP drop);

// Puts `text` (UTF-8) on the clipboard as plain text, replacing what was there. Throws
// std::runtime_error when the clipboard cannot be had.
void CopyText(HWND owner, std::string_view text);

// Shows a pop-up menu of `items` at `screen` and returns the index of the one chosen, or
// nothing when the menu was dismissed.
std::optional<std::size_t> ChooseFromMenu(HWND owner, std::span<const std::string> items,
                                          POINT screen);

class Dialog;

// A key pressed anywhere in a dialog, its focused control included, before the control
// sees it: wParam the virtual key, lParam 1 while Ctrl is held. A message of our own.
inline constexpr UINT kWmDialogKey = WM_APP + 0x3F00;

// Direction of a data exchange: into the controls, or back from them.
struct DataExchange {
  Dialog& dialog;
  bool saveAndValidate = false;  // true: controls -> members; false: members -> controls
};

// Exchanges the text of control `controlId` with `value`.
void DDX_Text(DataExchange& dx, int controlId, std::string& value);

class Dialog {
 public:
  // A dialog made from template `templateId`. `parent` is the owner; with none, the window
  // the person is working in owns it (DefaultOwner), as application frameworks do, so that
  // window stays disabled while this one runs.
  explicit Dialog(UINT templateId, Dialog* parent = nullptr) noexcept
      : templateId_(templateId), parent_(parent) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the window from its template, runs it modally until EndDialog and destroys it.
  // Returns the value given to EndDialog, or -1 when the window could not be created.
  INT_PTR DoModal();

  HWND GetSafeHwnd() const noexcept { return m_hWnd; }

 protected:
  // Routes one message: true when a handler took it, its value in `result`. The base takes
  // WM_INITDIALOG (OnInitDialog) and clicks of IDOK and IDCANCEL (Escape and the close box
  // arrive as IDCANCEL). What no handler takes gets the system's default handling.
  virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Exchanges members with controls; the base exchanges nothing.
  virtual void DoDataExchange(DataExchange&) {}

  // WM_INITDIALOG. The base copies the members into the controls (UpdateData(FALSE)) and
  // returns TRUE: the system then sets the focus.
  virtual BOOL OnInitDialog();

  // Runs DoDataExchange in the given direction. Returns TRUE.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  // Asks for the system's default handling of the message being handled; it runs once the
  // handler returns.
  void Default() noexcept { default_ = true; }

  // Button handlers of the base: IDOK exchanges data back and ends with IDOK, IDCANCEL ends
  // with IDCANCEL.
  void OnOK();
  void OnCancel() { ::EndDialog(m_hWnd, IDCANCEL); }

  // Adds `rect` (the whole client area when null) to the update region; with `erase` the
  // background of the whole update region is erased before the next paint.
  void InvalidateRect(const RECT* rect, BOOL erase = TRUE) {
    ::InvalidateRect(m_hWnd, rect, erase);
  }

  // Sets the window's big or small icon.
  void SetIcon(HICON icon, BOOL bigIcon) {
    ::SendMessageW(m_hWnd, WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL,
                   reinterpret_cast<LPARAM>(icon));
  }

  // A message box owned by this window; returns the button pressed. A null caption shows
  // the application's name (AppName()).
  int MessageBox(std::string_view text, const char* caption = nullptr, UINT type = MB_OK);

  HWND m_hWnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Shown every message of the modal loop before the dialog's keyboard handling: turns a
  // key pressed on any control into kWmDialogKey.
  static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam);
  // HandleMessage, with every exception caught and told in a message box (ReportError):
  // nothing may unwind into the system's code. False when the system's default handling
  // must run.
  bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept;
  // Tells the person that a command failed, in a box with an exclamation icon: a file that
  // could not be read or written (varnel::FileError) as "Cannot read "PATH".", then the
  // reason; anything else as "<AppName> could not finish this command." and why.
  void ReportError(const std::exception& error);

  UINT templateId_;
  Dialog* parent_;
  bool default_ = false;  // see Default()
};

// A member handler of dialog class T, in one of the shapes its messages unpack to.
template <class T>
using MessageHandler =
    std::variant<void (T::*)(),                       // WM_PAINT, WM_COMMAND, WM_APP + n
                 void (T::*)(UINT, LPARAM),           // WM_SYSCOMMAND
                 HCURSOR (T::*)(),                    // WM_QUERYDRAGICON
                 void (T::*)(UINT, POINT),            // WM_LBUTTONDOWN, WM_LBUTTONDBLCLK
                 BOOL (T::*)(HDC),                    // WM_ERASEBKGND
                 void (T::*)(std::filesystem::path),  // WM_DROPFILES: the first file
                 void (T::*)(POINT),                  // WM_CONTEXTMENU: screen, (-1, -1) by key
                 bool (T::*)(UINT, bool)>;            // kWmDialogKey: true when the key is used

template <class T>
struct MessageEntry {
  UINT message;
  UINT id;  // WM_COMMAND rows: the button whose click the row takes
  MessageHandler<T> handler;
};

// A dialog class T whose messages go through its message map first, then to Dialog's.
template <class T>
class DialogImpl : public Dialog {
 protected:
  using Dialog::Dialog;

  virtual std::span<const MessageEntry<T>> GetMessageMap() const = 0;

  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    for (const MessageEntry<T>& entry : GetMessageMap()) {
      const bool clicked = GET_WM_COMMAND_ID(wParam, lParam) == entry.id &&
                           GET_WM_COMMAND_CMD(wParam, lParam) == BN_CLICKED;
      if (entry.message == message && (message != WM_COMMAND || clicked))
        return result = Call(entry.handler, wParam, lParam), true;
    }
    return Dialog::HandleMessage(message, wParam, lParam, result);
  }

 private:
  template <class... F>
  struct Overloaded : F... {
    using F::operator()...;
  };  // an aggregate: C++20 deduces F

  // Unpacks the message for the handler's shape with <windowsx.h>'s cracker, and calls it.
  LRESULT Call(const MessageHandler<T>& handler, WPARAM wParam, LPARAM lParam) {
    T& self = static_cast<T&>(*this);
    const Overloaded call{
        [&](void (T::*f)()) { return (self.*f)(), LRESULT{0}; },
        [&](void (T::*f)(UINT, LPARAM)) {
          return HANDLE_WM_SYSCOMMAND(m_hWnd, wParam, lParam,
                                      [&](HWND, UINT id, int, int) { (self.*f)(id, lParam); });
        },
        // Not HANDLE_WM_QUERYDRAGICON, which cuts the handle to 32 bits.
        [&](HCURSOR (T::*f)()) { return reinterpret_cast<LRESULT>((self.*f)()); },
        // WM_LBUTTONDOWN's cracker unpacks WM_LBUTTONDBLCLK too (it differs only in the flag
        // that says which it was).
        [&](void (T::*f)(UINT, POINT)) {
          return HANDLE_WM_LBUTTONDOWN(m_hWnd, wParam, lParam,
                                       [&](HWND, BOOL, int x, int y, UINT flags) {
                                         (self.*f)(flags, POINT{x, y});
                                       });
        },
        [&](BOOL (T::*f)(HDC)) {
          return HANDLE_WM_ERASEBKGND(m_hWnd, wParam, lParam,
                                      [&](HWND, HDC dc) { return (self.*f)(dc); });
        },
        [&](void (T::*f)(std::filesystem::path)) {
          return HANDLE_WM_DROPFILES(m_hWnd, wParam, lParam, [&](HWND, HDROP drop) {
            (self.*f)(TakeFirstDroppedFile(drop));
          });
        },
        // The cracker gives the position's words unsigned; the keyboard's (-1, -1) is signed.
        [&](void (T::*f)(POINT)) {
          return HANDLE_WM_CONTEXTMENU(m_hWnd, wParam, lParam, [&](HWND, HWND, UINT x, UINT y) {
            (self.*f)(POINT{static_cast<short>(x), static_cast<short>(y)});
          });
        },
        [&](bool (T::*f)(UINT, bool)) {
          return LRESULT{(self.*f)(static_cast<UINT>(wParam), lParam != 0)};
        },
    };
    return std::visit(call, handler);
  }
};

// The system's Open or Save As dialog.
class FileDialog {
 public:
  // `openFileDialog`: true for Open, false for Save As. `defaultExt` (no dot) is added to
  // a name typed without extension. `fileName` fills the name box at the start. `flags`
  // are the system's option flags (added to what the dialog always uses). `filter` is
  // "Description|*.pattern|Description|*.pattern||"; its first pair is selected at the
  // start. A null `parent` makes the active window of the program the owner.
  FileDialog(bool openFileDialog, const wchar_t* defaultExt, const std::filesystem::path& fileName,
             DWORD flags, std::string_view filter, Dialog* parent = nullptr);
  FileDialog(const FileDialog&) = delete;  // m_ofn points into the dialog's own members
  FileDialog& operator=(const FileDialog&) = delete;

  // Runs the dialog; IDOK when the user confirmed a name, IDCANCEL otherwise.
  int DoModal();

  // After IDOK: the chosen file's full path, and its extension without the dot as the
  // dialog reports it (letter case kept; empty when the name has none).
  std::filesystem::path GetPathName() const { return m_ofn.lpstrFile; }
  std::wstring GetFileExt() const;

  OPENFILENAMEW m_ofn{};  // what the system's dialog is given, and gives back

 private:
  bool open_;
  std::wstring filter_, fileName_;
  std::vector<wchar_t> file_;  // the name box: the initial name, then the chosen path
};

// The system's colour chooser.
class ColorDialog {
 public:
  // `initial` is the colour selected at the start; `flags` the system's option flags.
  explicit ColorDialog(::COLORREF initial = 0, DWORD flags = 0, Dialog* parent = nullptr) noexcept;

  // Runs the chooser; IDOK when the user confirmed a colour, IDCANCEL otherwise.
  int DoModal();

  // The chosen colour after IDOK (the initial one before).
  ::COLORREF GetColor() const noexcept { return m_cc.rgbResult; }

  CHOOSECOLORW m_cc{};  // what the system's chooser is given, and gives back
};

// The application's name: the executable's file name without extension ("Varnel").
std::string AppName();

// The owner of a modal window opened without a parent: the window the person is working
// in, that is, the last active pop-up of this thread's main (unowned, visible) window.
// Null when the thread shows no window yet.
HWND DefaultOwner() noexcept;

}  // namespace varnel::window
