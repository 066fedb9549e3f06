// The dialog base over USER32: a static dialog procedure finds the Dialog that a window
// belongs to and hands every message to its message map (Dialog::Dispatch), then turns
// the outcome into what a dialog procedure must return.
#include "varnel/window/dialog.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "native.h"
// After <windows.h>.
#include <shellapi.h>

#include "varnel/utf.h"
#include "varnel/window/message_map.h"

namespace varnel::window {
namespace {

using varnel::Narrow;
using varnel::Widen;
using win32::Native;
using win32::Opaque;

// Marks the windows of Dialog objects, whose DWLP_USER holds the object; the windows of
// message boxes and common dialogs use DWLP_USER for their own ends.
constexpr const wchar_t* kDialogProperty = L"varnel.window.Dialog";

// Messages whose result a dialog procedure returns itself instead of through
// DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) noexcept {
  switch (message) {
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
      return true;
    default:
      return false;
  }
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* dialog = nullptr;
  if (message == WM_INITDIALOG) {
    // DialogBoxParamW passes the Dialog as the init parameter; keep it with the window.
    dialog = reinterpret_cast<Dialog*>(lParam);
    ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    ::SetPropW(window, kDialogProperty, dialog);
    dialog->AttachWindow(Opaque(window));
  } else {
    dialog = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(window, DWLP_USER));
  }
  // Messages that come before WM_INITDIALOG (WM_SETFONT, ...) get the system's defaults.
  if (dialog == nullptr) return FALSE;

  const DispatchResult result =
      dialog->Dispatch({message, static_cast<WParam>(wParam), static_cast<LParam>(lParam)});

  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, DWLP_USER, 0);
    ::RemovePropW(window, kDialogProperty);
    dialog->AttachWindow(nullptr);
  }
  if (message == WM_INITDIALOG) return static_cast<INT_PTR>(result.value);
  // A dialog procedure's "not handled" is FALSE: the system's dialog code then does its
  // default handling.
  if (!result.handled || result.runDefault) return FALSE;
  if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(result.value);
  ::SetWindowLongPtrW(window, DWLP_MSGRESULT, static_cast<LONG_PTR>(result.value));
  return TRUE;
}

// The system's modal loop shows this filter every message before the dialog's own keyboard
// handling, so a key pressed on any control can reach the dialog's kWmDialogKey row.
LRESULT CALLBACK DialogKeyFilter(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const MSG*>(lParam);
  if (code == MSGF_DIALOGBOX && msg->message == WM_KEYDOWN) {
    const HWND root = ::GetAncestor(msg->hwnd, GA_ROOT);
    if (auto* dialog = static_cast<Dialog*>(::GetPropW(root, kDialogProperty))) {
      const bool control = ::GetKeyState(VK_CONTROL) < 0;
      const DispatchResult result = dialog->Dispatch({kWmDialogKey, msg->wParam, control ? 1 : 0});
      if (result.handled && !result.runDefault && result.value != 0) return 1;
    }
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CALLBACK FindMainWindow(HWND window, LPARAM found) {
  if (::IsWindowVisible(window) && ::GetWindow(window, GW_OWNER) == nullptr) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

HWND win32::DefaultOwner() noexcept {
  HWND main = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindMainWindow, reinterpret_cast<LPARAM>(&main));
  return main != nullptr ? ::GetLastActivePopup(main) : nullptr;
}

const MessageEntry* MessageMap::Find(const Message& message) const noexcept {
  for (const MessageMap* map = this; map != nullptr; map = map->base) {
    for (const MessageEntry& entry : map->entries) {
      if (entry.message != message.id) continue;
      if (message.id == kWmCommand &&
          (LoWord(message.wParam) != entry.controlId || HiWord(message.wParam) != kBnClicked)) {
        continue;
      }
      return &entry;
    }
  }
  return nullptr;
}

void DDX_Text(DataExchange& dx, int controlId, std::string& value) {
  if (dx.saveAndValidate) {
    value = dx.dialog.GetDlgItemText(controlId);
  } else {
    dx.dialog.SetDlgItemText(controlId, value);
  }
}

Dialog::Dialog(unsigned templateId, Dialog* parent) noexcept
    : templateId_(templateId), parent_(parent) {}

// Built in class scope, where the protected handlers can be named.
const MessageMap Dialog::kMessageMap = [] {
  static constexpr MessageEntry kEntries[] = {
      MapOf<Dialog>::Command<kIdOk, &Dialog::OnOK>(),
      MapOf<Dialog>::Command<kIdCancel, &Dialog::OnCancel>(),
  };
  return MessageMap{nullptr, kEntries};
}();

const MessageMap& Dialog::GetMessageMap() const { return kMessageMap; }

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

bool Dialog::UpdateData(bool saveAndValidate) {
  DataExchange dx{*this, saveAndValidate};
  DoDataExchange(dx);
  return true;
}

void Dialog::Default() noexcept { defaultRequested_ = true; }

void Dialog::OnOK() {
  UpdateData(true);
  EndDialog(kIdOk);
}

void Dialog::OnCancel() { EndDialog(kIdCancel); }

DispatchResult Dialog::Dispatch(const Message& message) {
  const MessageEntry* entry = nullptr;
  if (message.id != kWmInitDialog) {
    entry = GetMessageMap().Find(message);
    if (entry == nullptr) return {false, true, 0};
  }
  // A handler may send messages itself; each keeps its own request for default handling.
  const bool outer = std::exchange(defaultRequested_, false);
  DispatchResult result{true, false, 0};
  // Nothing may unwind into the system's code that called the dialog procedure.
  try {
    try {
      result.value = entry != nullptr ? entry->call(*this, message) : (OnInitDialog() ? 1 : 0);
    } catch (const std::exception& error) {
      ReportError(error);
    } catch (...) {
      ReportError(std::runtime_error("An unexpected error occurred."));
    }
  } catch (...) {
    // Not even the report could be made (no memory left): nothing more to do.
  }
  result.runDefault = std::exchange(defaultRequested_, outer);
  return result;
}

void Dialog::ReportError(const std::exception& error) {
  MessageBox(AppName() + " could not finish this command.\n\n" + error.what(), nullptr,
             kMbOk | kMbIconExclamation);
}

bool Menu::AppendMenu(unsigned flags, unsigned id, std::string_view text) {
  const std::wstring wide = Widen(text);
  const wchar_t* item = (flags & kMfSeparator) != 0 ? nullptr : wide.c_str();
  return ::AppendMenuW(Native(handle_), flags, id, item) != FALSE;
}

Dialog::~Dialog() {
  // A modal run destroys its window before DoModal returns; should the object go first
  // anyway, the window must no longer find it.
  if (window_ != nullptr) ::SetWindowLongPtrW(Native(window_), DWLP_USER, 0);
}

int Dialog::DoModal() {
  HWND owner = parent_ != nullptr ? Native(parent_->window_) : win32::DefaultOwner();
  HHOOK filter =
      ::SetWindowsHookExW(WH_MSGFILTER, &DialogKeyFilter, nullptr, ::GetCurrentThreadId());
  const INT_PTR result = ::DialogBoxParamW(win32::Instance(), MAKEINTRESOURCEW(templateId_), owner,
                                           &DialogProc, reinterpret_cast<LPARAM>(this));
  if (filter != nullptr) ::UnhookWindowsHookEx(filter);
  window_ = nullptr;
  return static_cast<int>(result);
}

void Dialog::PostMessage(unsigned message, WParam wParam, LParam lParam) {
  ::PostMessageW(Native(window_), message, static_cast<WPARAM>(wParam),
                 static_cast<LPARAM>(lParam));
}

void Dialog::DragAcceptFiles() { ::DragAcceptFiles(Native(window_), TRUE); }

Point Dialog::ScreenToClient(Point screen) const {
  POINT p{screen.x, screen.y};
  ::ScreenToClient(Native(window_), &p);
  return {p.x, p.y};
}

Point Dialog::ClientToScreen(Point client) const {
  POINT p{client.x, client.y};
  ::ClientToScreen(Native(window_), &p);
  return {p.x, p.y};
}

void Dialog::EndDialog(int result) { ::EndDialog(Native(window_), result); }

void Dialog::InvalidateRect(const Rect* rect, bool erase) {
  if (rect == nullptr) {
    ::InvalidateRect(Native(window_), nullptr, erase);
    return;
  }
  const RECT native{rect->left, rect->top, rect->right, rect->bottom};
  ::InvalidateRect(Native(window_), &native, erase);
}

Rect Dialog::GetClientRect() const {
  RECT rect{};
  ::GetClientRect(Native(window_), &rect);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

bool Dialog::IsIconic() const { return ::IsIconic(Native(window_)) != FALSE; }

int Dialog::MessageBox(std::string_view text, const char* caption, unsigned type) {
  const std::wstring wideText = Widen(text);
  const std::wstring wideCaption = Widen(caption != nullptr ? std::string(caption) : AppName());
  return ::MessageBoxW(Native(window_), wideText.c_str(), wideCaption.c_str(), type);
}

Menu Dialog::GetSystemMenu(bool revert) {
  return Menu(Opaque(::GetSystemMenu(Native(window_), revert)));
}

IconHandle Dialog::SetIcon(IconHandle icon, bool bigIcon) {
  const LRESULT previous =
      ::SendMessageW(Native(window_), WM_SETICON, bigIcon ? ICON_BIG : ICON_SMALL,
                     reinterpret_cast<LPARAM>(Native(icon)));
  return Opaque(reinterpret_cast<HICON>(previous));
}

LResult Dialog::SendMessage(unsigned message, WParam wParam, LParam lParam) {
  return static_cast<LResult>(::SendMessageW(Native(window_), message, static_cast<WPARAM>(wParam),
                                             static_cast<LPARAM>(lParam)));
}

std::string Dialog::GetDlgItemText(int controlId) const {
  HWND control = ::GetDlgItem(Native(window_), controlId);
  if (control == nullptr) return {};
  const int length = ::GetWindowTextLengthW(control);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = ::GetWindowTextW(control, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return Narrow(text);
}

void Dialog::SetDlgItemText(int controlId, std::string_view text) {
  ::SetDlgItemTextW(Native(window_), controlId, Widen(text).c_str());
}

std::string AppName() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), size);
    if (length == 0) return {};  // no file name to go by
    if (length < size) {
      const std::filesystem::path module(std::wstring(buffer.data(), length));
      return Narrow(module.stem().native());
    }
    buffer.resize(buffer.size() * 2);  // cut short: try again with more room
  }
}

std::string LoadString(unsigned id) {
  // With no buffer, LoadStringW gives a pointer to the resource text and its length.
  const wchar_t* text = nullptr;
  const int length = ::LoadStringW(win32::Instance(), id, reinterpret_cast<LPWSTR>(&text), 0);
  if (length <= 0 || text == nullptr) return {};
  return Narrow(std::wstring_view(text, static_cast<std::size_t>(length)));
}

IconHandle LoadIcon(unsigned id) {
  return Opaque(::LoadIconW(win32::Instance(), MAKEINTRESOURCEW(id)));
}

int GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

}  // namespace varnel::window
