// The dialog base over USER32: the static dialog procedure, the dispatch that keeps
// exceptions out of the system's code, the Ctrl+C hook, and what the dialogs share.
#include "varnel/window/dialog.h"

#include <stdexcept>
#include <utility>

#include "varnel/file_error.h"
#include "varnel/utf.h"
#include "varnel/window/scoped.h"

namespace varnel::window {
namespace {

// The window property that holds the Dialog of a window made by DoModal; message boxes and
// common dialogs have none.
constexpr const wchar_t* kDialogProperty = L"varnel.window.Dialog";

BOOL CALLBACK FindMainWindow(HWND window, LPARAM found) {
  if (::IsWindowVisible(window) && ::GetWindow(window, GW_OWNER) == nullptr) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    // DoModal passes the Dialog as the init parameter; the window keeps it from now on.
    auto* dialog = reinterpret_cast<Dialog*>(lParam);
    dialog->m_hWnd = hwnd;
    ::SetPropW(hwnd, kDialogProperty, dialog);
  }
  // Messages that come before WM_INITDIALOG (WM_SETFONT, ...) get the system's defaults.
  auto* self = static_cast<Dialog*>(::GetPropW(hwnd, kDialogProperty));
  if (self == nullptr) return FALSE;

  LRESULT result = 0;
  const bool handled = self->Dispatch(message, wParam, lParam, result);
  if (message == WM_NCDESTROY) {
    ::RemovePropW(hwnd, kDialogProperty);
    self->m_hWnd = nullptr;
  }
  // FALSE: the system's dialog code does its default handling.
  return handled ? SetDlgMsgResult(hwnd, message, result) : FALSE;
}

LRESULT CALLBACK Dialog::KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const MSG*>(lParam);
  if (code == MSGF_DIALOGBOX && msg->message == WM_KEYDOWN) {
    auto* dialog =
        static_cast<Dialog*>(::GetPropW(::GetAncestor(msg->hwnd, GA_ROOT), kDialogProperty));
    LRESULT used = 0;
    if (dialog != nullptr &&
        dialog->Dispatch(kWmDialogKey, msg->wParam, ::GetKeyState(VK_CONTROL) < 0, used) &&
        used != 0)
      return 1;
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

bool Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) noexcept {
  // A handler may send messages itself; each keeps its own request for default handling.
  const bool outer = std::exchange(default_, false);
  bool handled = true;  // a command that failed has been reported: nothing more to do
  try {
    try {
      handled = HandleMessage(message, wParam, lParam, result);
    } catch (const std::exception& error) {
      ReportError(error);
    } catch (...) {
      ReportError(std::runtime_error("An unexpected error occurred."));
    }
  } catch (...) {
    // Not even the report could be made (no memory left): nothing more to do.
  }
  const bool runDefault = std::exchange(default_, outer);
  return handled && !runDefault;
}

bool Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (message == WM_INITDIALOG) return result = OnInitDialog(), true;
  const bool clicked = message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED;
  if (clicked && LOWORD(wParam) == IDOK) return OnOK(), true;
  if (clicked && LOWORD(wParam) == IDCANCEL) return OnCancel(), true;
  return false;
}

INT_PTR Dialog::DoModal() {
  const HWND owner = parent_ != nullptr ? parent_->m_hWnd : DefaultOwner();
  const ScopedHook keys(
      ::SetWindowsHookExW(WH_MSGFILTER, &KeyFilter, nullptr, ::GetCurrentThreadId()));
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), owner,
                           &DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL Dialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

BOOL Dialog::UpdateData(BOOL saveAndValidate) {
  DataExchange dx{*this, saveAndValidate != FALSE};
  DoDataExchange(dx);
  return TRUE;
}

void Dialog::OnOK() {
  UpdateData(TRUE);
  ::EndDialog(m_hWnd, IDOK);
}

void Dialog::ReportError(const std::exception& error) {
  std::string text = AppName() + " could not finish this command.\n\n" + error.what();
  if (const auto* file = dynamic_cast<const FileError*>(&error)) {
    const char* verb = file->operation() == FileOperation::Read ? "read" : "write";
    text =
        std::string("Cannot ") + verb + " \"" + PathText(file->path()) + "\".\n\n" + file->reason();
  }
  MessageBox(text, nullptr, MB_OK | MB_ICONEXCLAMATION);
}

int Dialog::MessageBox(std::string_view text, const char* caption, UINT type) {
  return ::MessageBoxW(m_hWnd, Widen(text).c_str(),
                       Widen(caption != nullptr ? caption : AppName()).c_str(), type);
}

void DDX_Text(DataExchange& dx, int controlId, std::string& value) {
  if (!dx.saveAndValidate) {
    ::SetDlgItemTextW(dx.dialog.GetSafeHwnd(), controlId, Widen(value).c_str());
    return;
  }
  const HWND control = ::GetDlgItem(dx.dialog.GetSafeHwnd(), controlId);
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  value = Narrow(text);
}

std::string AppName() {
  std::wstring file(32 * 1024, L'\0');  // room for any path
  file.resize(::GetModuleFileNameW(nullptr, file.data(), static_cast<DWORD>(file.size())));
  return Narrow(std::filesystem::path(file).stem().native());
}

HWND DefaultOwner() noexcept {
  HWND main = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindMainWindow, reinterpret_cast<LPARAM>(&main));
  return main != nullptr ? ::GetLastActivePopup(main) : nullptr;
}

}  // namespace varnel::window
