// The system's file and colour dialogs (COMDLG32, wide API), and what the program meets
// beyond its own window: its command line, drops, the clipboard and pop-up menus.
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <stdexcept>

#include "varnel/utf.h"
#include "varnel/window/dialog.h"
#include "varnel/window/scoped.h"

namespace varnel::window {
namespace {

// Room for the chosen path: far beyond MAX_PATH, so long paths fit.
constexpr std::size_t kFileBufferChars = 32 * 1024;

HWND OwnerOf(Dialog* parent) noexcept {
  return parent != nullptr ? parent->GetSafeHwnd() : DefaultOwner();
}

// A common dialog that could not even open is an error the person meets: say so, with
// the file name it was given, if any.
void ReportDialogFailure(HWND owner, const wchar_t* which, const std::wstring& fileName,
                         DWORD code) {
  std::wstring text = std::wstring(L"The ") + which + L" could not be opened";
  if (!fileName.empty()) text += L" for \"" + fileName + L"\"";
  wchar_t number[40];
  std::swprintf(number, sizeof number / sizeof *number, L" (common dialog error 0x%04lX).",
                static_cast<unsigned long>(code));
  ::MessageBoxW(owner, (text + number).c_str(), Widen(AppName()).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

// A filter in the "Text|*.txt|All|*.*||" form as the file dialogs take it: every '|'
// becomes a NUL, and two more end the list.
std::wstring DialogFilter(std::string_view filter) {
  std::wstring out = varnel::Widen(filter);
  std::replace(out.begin(), out.end(), L'|', L'\0');
  return out.append(2, L'\0');
}

}  // namespace

FileDialog::FileDialog(bool openFileDialog, const wchar_t* defaultExt,
                       const std::filesystem::path& fileName, DWORD flags, std::string_view filter,
                       Dialog* parent)
    : open_(openFileDialog),
      filter_(DialogFilter(filter)),
      fileName_(fileName.native()),
      file_(kFileBufferChars, L'\0') {
  // The name box starts with the initial file name (dropped if it could not fit).
  if (fileName_.size() < file_.size()) std::ranges::copy(fileName_, file_.begin());
  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.hwndOwner = OwnerOf(parent);
  m_ofn.lpstrFilter = filter_.c_str();
  m_ofn.nFilterIndex = 1;
  m_ofn.lpstrFile = file_.data();
  m_ofn.nMaxFile = static_cast<DWORD>(file_.size());
  m_ofn.lpstrDefExt = defaultExt != nullptr && *defaultExt != L'\0' ? defaultExt : nullptr;
  m_ofn.Flags = flags | OFN_EXPLORER;
}

int FileDialog::DoModal() {
  if (open_ ? ::GetOpenFileNameW(&m_ofn) : ::GetSaveFileNameW(&m_ofn)) return IDOK;
  const DWORD error = ::CommDlgExtendedError();
  if (error != 0)
    ReportDialogFailure(m_ofn.hwndOwner, open_ ? L"Open dialog" : L"Save As dialog", fileName_,
                        error);
  return IDCANCEL;  // cancelled, or could not open
}

std::wstring FileDialog::GetFileExt() const {
  // The dialog points at the extension: 0 when the name ends in a dot, the end of the name
  // when it has none.
  const std::wstring_view chosen = m_ofn.lpstrFile;
  return m_ofn.nFileExtension != 0 && m_ofn.nFileExtension < chosen.size()
             ? std::wstring(chosen.substr(m_ofn.nFileExtension))
             : std::wstring();
}

ColorDialog::ColorDialog(::COLORREF initial, DWORD flags, Dialog* parent) noexcept {
  // The chooser's sixteen custom colours last for the whole run, as the system's own
  // programs keep them; they start white.
  static std::vector<::COLORREF> customColors(16, RGB(255, 255, 255));
  m_cc.lStructSize = sizeof m_cc;
  m_cc.hwndOwner = OwnerOf(parent);
  m_cc.rgbResult = initial;
  m_cc.lpCustColors = customColors.data();
  // The initial colour only shows with CC_RGBINIT; black is the chooser's own start.
  m_cc.Flags = flags | (initial != 0 ? CC_RGBINIT : 0);
}

int ColorDialog::DoModal() {
  if (::ChooseColorW(&m_cc)) return IDOK;
  const DWORD error = ::CommDlgExtendedError();
  if (error != 0) ReportDialogFailure(m_cc.hwndOwner, L"colour chooser", {}, error);
  return IDCANCEL;
}

std::vector<std::filesystem::path> CommandLineArguments() {
  int count = 0;
  wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::filesystem::path> arguments;
  for (int i = 1; words != nullptr && i < count; ++i) arguments.emplace_back(words[i]);
  ::LocalFree(words);
  return arguments;
}

std::filesystem::path TakeFirstDroppedFile(HDROP drop) {
  std::wstring name(::DragQueryFileW(drop, 0, nullptr, 0), L'\0');
  if (!name.empty()) ::DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size() + 1));
  ::DragFinish(drop);
  return name;
}

void CopyText(HWND owner, std::string_view text) {
  const std::wstring wide = Widen(text);
  const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  if (::OpenClipboard(owner) == FALSE)
    throw std::runtime_error("The clipboard is in use by another program. Try again.");
  // The clipboard owns the memory once SetClipboardData takes it.
  const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  void* target = memory != nullptr ? ::GlobalLock(memory) : nullptr;
  if (target != nullptr) {
    std::memcpy(target, wide.c_str(), bytes);
    ::GlobalUnlock(memory);
  }
  const bool taken = target != nullptr && ::EmptyClipboard() != FALSE &&
                     ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
  ::CloseClipboard();
  if (!taken) {
    ::GlobalFree(memory);
    throw std::runtime_error("The colour could not be put on the clipboard.");
  }
}

std::optional<std::size_t> ChooseFromMenu(HWND owner, std::span<const std::string> items,
                                          POINT screen) {
  const ScopedMenu menu(::CreatePopupMenu());  // none: no item, and nothing chosen
  for (std::size_t i = 0; i < items.size(); ++i)
    ::AppendMenuW(menu.get(), MF_STRING, i + 1, Widen(items[i]).c_str());
  const UINT chosen =
      static_cast<UINT>(::TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                         screen.x, screen.y, 0, owner, nullptr));
  return chosen == 0 ? std::nullopt : std::optional<std::size_t>(chosen - 1);
}

}  // namespace varnel::window
