// The dialog base of the window layer: a window made from a dialog template, run
// modally, whose messages are routed through a per-class static message map to typed
// OnXxx handlers (see message_map.h for building the maps).
//
// Strings are UTF-8.
//
// Several member names (MessageBox, SendMessage, AppendMenu, LoadIcon, LoadString) are
// macros in <windows.h>. A source that includes both must include <windows.h> first;
// this header then drops those macros, so call the system's W functions by their full
// names (MessageBoxW, ...) after it.
#pragma once

#ifdef MessageBox
#undef MessageBox
#endif
#ifdef SendMessage
#undef SendMessage
#endif
#ifdef PostMessage
#undef PostMessage
#endif
#ifdef AppendMenu
#undef AppendMenu
#endif
#ifdef LoadIcon
#undef LoadIcon
#endif
#ifdef LoadString
#undef LoadString
#endif

#include <exception>
#include <span>
#include <string>
#include <string_view>

#include "varnel/window/constants.h"
#include "varnel/window/geometry.h"

namespace varnel::window {

class Dialog;

// A message as the window received it.
struct Message {
  unsigned id = 0;
  WParam wParam = 0;
  LParam lParam = 0;
};

// One row of a message map: which message (and, for WM_COMMAND, which control) goes to
// which handler. `call` unpacks the parameters, calls the typed handler and packs its
// result.
struct MessageEntry {
  unsigned message = 0;
  unsigned controlId = 0;  // WM_COMMAND rows only: the control whose button was clicked
  LResult (*call)(Dialog& dialog, const Message& message) = nullptr;
};

// A class's message map: its own rows in order, then its base class's map.
struct MessageMap {
  const MessageMap* base = nullptr;
  std::span<const MessageEntry> entries;

  // The first row, searching this map and then its bases, that takes `message`;
  // WM_COMMAND rows take only a button click (kBnClicked) of their control.
  // Null when no row does.
  const MessageEntry* Find(const Message& message) const noexcept;
};

// How a message fared in Dialog::Dispatch.
struct DispatchResult {
  bool handled = false;     // a handler (or OnInitDialog) ran
  bool runDefault = false;  // the system's default handling must run: no handler, or
                            // the handler called Default()
  LResult value = 0;        // the handler's result
};

// Direction of a data exchange: into the controls, or back from them.
struct DataExchange {
  Dialog& dialog;
  bool saveAndValidate = false;  // true: controls -> members; false: members -> controls
};

// Exchanges the text of control `controlId` with `value`.
void DDX_Text(DataExchange& dx, int controlId, std::string& value);

// A menu owned by the system (the window's system menu). Does not own the menu.
class Menu {
 public:
  explicit Menu(MenuHandle handle = nullptr) noexcept : handle_(handle) {}

  explicit operator bool() const noexcept { return handle_ != nullptr; }

  // Appends an item: kMfSeparator (id and text unused) or kMfString with a command id
  // and its text. Returns false when the system refuses.
  bool AppendMenu(unsigned flags, unsigned id = 0, std::string_view text = {});

 private:
  MenuHandle handle_;
};

class Dialog {
 public:
  // A dialog made from template `templateId`. `parent` is the owner window; null means
  // none was given, and the dialog is then owned by the active main window
  // (as application frameworks do), so that window stays disabled while this one runs.
  explicit Dialog(unsigned templateId, Dialog* parent = nullptr) noexcept;
  virtual ~Dialog();

  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Creates the window from its template, sends WM_INITDIALOG (OnInitDialog), runs it
  // modally until EndDialog, and destroys the window. Returns the value given to
  // EndDialog, or -1 when the window could not be created.
  int DoModal();

  // Ends the modal run with `result` once the current message has been handled.
  void EndDialog(int result);

  // The class's message map. Each class with handlers overrides it and returns a
  // static map whose base is its base class's map (see message_map.h).
  virtual const MessageMap& GetMessageMap() const;

  // Dialog's own map (IDOK and IDCANCEL): the base of every class's map.
  static const MessageMap kMessageMap;

  // Exchanges members with controls; the base exchanges nothing.
  virtual void DoDataExchange(DataExchange& dx);

  // Called for WM_INITDIALOG. The base copies the members into the controls
  // (UpdateData(false)) and returns true: the system then sets the focus.
  virtual bool OnInitDialog();

  // Runs DoDataExchange in the given direction. Returns true.
  bool UpdateData(bool saveAndValidate = true);

  // Asks for the system's default handling of the message being handled; it runs once
  // the handler returns. Outside a handler it does nothing.
  void Default() noexcept;

  // Adds `rect` (the whole client area when null) to the update region; with `erase`
  // the background of the whole update region is erased before the next paint.
  void InvalidateRect(const Rect* rect, bool erase = true);

  // The client area, with left and top 0.
  Rect GetClientRect() const;

  // True while the window is minimised.
  bool IsIconic() const;

  // Shows a message box owned by this window and returns the button pressed (kIdOk).
  // A null caption shows the application's name (AppName()).
  int MessageBox(std::string_view text, const char* caption = nullptr, unsigned type = kMbOk);

  // The window's system menu; `revert` restores the system's own menu first.
  // Empty (false) when the window has none.
  Menu GetSystemMenu(bool revert);

  // Sets the window's big (true) or small (false) icon; returns the previous one.
  IconHandle SetIcon(IconHandle icon, bool bigIcon);

  // Sends a message to this window and returns its result (through the message map,
  // with default handling for what the map does not take).
  LResult SendMessage(unsigned message, WParam wParam = 0, LParam lParam = 0);

  // Puts a message in the window's queue: it is handled once the messages before it are.
  void PostMessage(unsigned message, WParam wParam = 0, LParam lParam = 0);

  // Lets files be dropped on the window: each drop arrives as WM_DROPFILES.
  void DragAcceptFiles();

  // A point on the screen in client coordinates, and back.
  Point ScreenToClient(Point screen) const;
  Point ClientToScreen(Point client) const;

  // Text of a control of this dialog (UTF-8).
  std::string GetDlgItemText(int controlId) const;
  void SetDlgItemText(int controlId, std::string_view text);

  WindowHandle GetSafeHwnd() const noexcept { return window_; }

  // Routes one message: WM_INITDIALOG to OnInitDialog, everything else through the
  // message map. An exception escaping the handler is handed to ReportError; the message
  // then counts as handled, with value 0. Called by the dialog procedure.
  DispatchResult Dispatch(const Message& message);

  // Binds the dialog to its window (null when the window is gone).
  void AttachWindow(WindowHandle window) noexcept { window_ = window; }

 protected:
  // Tells the person that a command failed: a message box, caption AppName(),
  // exclamation icon, saying "<AppName> could not finish this command." and why.
  virtual void ReportError(const std::exception& error);

  // Button handlers of the base map: IDOK exchanges data back and ends with kIdOk,
  // IDCANCEL ends with kIdCancel (Escape and the close box arrive as IDCANCEL).
  void OnOK();
  void OnCancel();

 private:
  unsigned templateId_;
  Dialog* parent_;
  WindowHandle window_ = nullptr;
  bool defaultRequested_ = false;
};

// The application's name: the executable's file name without extension ("Varnel").
std::string AppName();

// String resource `id` of the executable (UTF-8); empty when there is none.
std::string LoadString(unsigned id);

// Icon resource `id` of the executable at the system's large icon size. Shared: never
// destroyed. Null when there is none.
IconHandle LoadIcon(unsigned id);

// A system metric (kSmCxIcon, kSmCyIcon).
int GetSystemMetrics(int index);

// The application object: one per program. The entry point constructs it and calls
// InitInstance; the program ends when InitInstance returns.
class WinApp {
 public:
  WinApp() = default;
  virtual ~WinApp() = default;
  WinApp(const WinApp&) = delete;
  WinApp& operator=(const WinApp&) = delete;

  // Runs the application; a false result ends it.
  virtual bool InitInstance() = 0;
};

}  // namespace varnel::window
