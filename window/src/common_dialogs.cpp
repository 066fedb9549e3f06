// The system's file-open/save dialog and colour chooser (COMDLG32, wide API).
#include "varnel/window/common_dialogs.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

// After <windows.h>, which common_dialogs.h includes.
#include <commdlg.h>

#include "varnel/utf.h"

namespace varnel::window {
namespace {

// Room for the chosen path: far beyond MAX_PATH, so long paths fit.
constexpr std::size_t kFileBufferChars = 32 * 1024;

HWND OwnerOf(Dialog* parent) noexcept {
  return parent != nullptr ? parent->GetSafeHwnd() : DefaultOwner();
}

// A common dialog that could not even open is an error the person meets: say so, with
// the file name it was given, if any.
void ReportDialogFailure(HWND owner, const char* which, const std::wstring& fileName, DWORD code) {
  char number[16];
  std::snprintf(number, sizeof number, "0x%04lX", static_cast<unsigned long>(code));
  std::wstring text = varnel::Widen(std::string("The ") + which + " could not be opened");
  if (!fileName.empty()) text += L" for \"" + fileName + L"\"";
  text += varnel::Widen(std::string(" (common dialog error ") + number + ").");
  const std::wstring caption = varnel::Widen(AppName());
  ::MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

// A filter in the "Text|*.txt|All|*.*||" form as the file dialogs take it: every '|'
// becomes a NUL, and two more end the list.
std::wstring DialogFilter(std::string_view filter) {
  std::wstring out = varnel::Widen(filter);
  std::replace(out.begin(), out.end(), L'|', L'\0');
  return out.append(2, L'\0');
}

}  // namespace

FileDialog::FileDialog(bool openFileDialog, std::wstring defaultExt, std::filesystem::path fileName,
                       DWORD flags, std::string_view filter, Dialog* parent)
    : open_(openFileDialog),
      defaultExt_(std::move(defaultExt)),
      fileName_(std::move(fileName)),
      flags_(flags),
      filter_(filter),
      parent_(parent) {}

int FileDialog::DoModal() {
  const std::wstring filter = DialogFilter(filter_);
  const std::wstring& initial = fileName_.native();
  std::vector<wchar_t> buffer(kFileBufferChars, L'\0');

  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = OwnerOf(parent_);
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrDefExt = defaultExt_.empty() ? nullptr : defaultExt_.c_str();
  ofn.Flags = flags_ | OFN_EXPLORER;

  // The name box starts with the initial file name (dropped if it could not fit).
  if (initial.size() < buffer.size()) std::copy(initial.begin(), initial.end(), buffer.begin());

  const BOOL ok = open_ ? ::GetOpenFileNameW(&ofn) : ::GetSaveFileNameW(&ofn);
  if (ok) {
    const std::wstring chosen(buffer.data());
    path_ = chosen;
    // The dialog points at the extension: 0 when the name ends in a dot, the end of the
    // name when it has none.
    ext_ = ofn.nFileExtension != 0 && ofn.nFileExtension < chosen.size()
               ? chosen.substr(ofn.nFileExtension)
               : std::wstring();
    return IDOK;
  }
  const DWORD error = ::CommDlgExtendedError();
  if (error != 0) {
    ReportDialogFailure(ofn.hwndOwner, open_ ? "Open dialog" : "Save As dialog", initial, error);
  }
  return IDCANCEL;  // cancelled, or could not open
}

int ColorDialog::DoModal() {
  // The chooser's sixteen custom colours last for the whole run, as the system's own
  // programs keep them; they start white.
  static std::array<COLORREF, 16> customColors = [] {
    std::array<COLORREF, 16> colors{};
    colors.fill(RGB(255, 255, 255));
    return colors;
  }();

  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = OwnerOf(parent_);
  cc.rgbResult = color_;
  cc.lpCustColors = customColors.data();
  // The initial colour only shows with CC_RGBINIT; black is the chooser's own start.
  cc.Flags = flags_ | (color_ != 0 ? CC_RGBINIT : 0);

  if (::ChooseColorW(&cc)) {
    color_ = cc.rgbResult;
    return IDOK;
  }
  const DWORD error = ::CommDlgExtendedError();
  if (error != 0) ReportDialogFailure(cc.hwndOwner, "colour chooser", {}, error);
  return IDCANCEL;
}

}  // namespace varnel::window
