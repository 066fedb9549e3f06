#include "varnel/window/desktop.h"

#include <cstring>
#include <stdexcept>

#include "native.h"
// After <windows.h>.
#include <shellapi.h>

#include "varnel/utf.h"

namespace varnel::window {

using win32::Native;

std::vector<std::filesystem::path> CommandLineArguments() {
  int count = 0;
  wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::filesystem::path> arguments;
  for (int i = 1; words != nullptr && i < count; ++i) arguments.emplace_back(words[i]);
  ::LocalFree(words);
  return arguments;
}

std::filesystem::path TakeFirstDroppedFile(WParam drop) {
  const auto handle = reinterpret_cast<HDROP>(drop);
  std::wstring name(::DragQueryFileW(handle, 0, nullptr, 0), L'\0');
  if (!name.empty()) ::DragQueryFileW(handle, 0, name.data(), static_cast<UINT>(name.size() + 1));
  ::DragFinish(handle);
  return name;
}

void CopyText(WindowHandle owner, std::string_view text) {
  const std::wstring wide = Widen(text);
  const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
  if (::OpenClipboard(Native(owner)) == FALSE)
    throw std::runtime_error("The clipboard is in use by another program. Try again.");
  // The clipboard owns the memory once SetClipboardData takes it.
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool taken = false;
  if (memory != nullptr) {
    if (void* target = ::GlobalLock(memory)) {
      std::memcpy(target, wide.c_str(), bytes);
      ::GlobalUnlock(memory);
      taken = ::EmptyClipboard() != FALSE && ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
  }
  ::CloseClipboard();
  if (!taken) {
    ::GlobalFree(memory);
    throw std::runtime_error("The colour could not be put on the clipboard.");
  }
}

std::optional<std::size_t> ChooseFromMenu(WindowHandle owner, std::span<const std::string> items,
                                          Point screen) {
  HMENU menu = ::CreatePopupMenu();
  if (menu == nullptr) return std::nullopt;
  for (std::size_t i = 0; i < items.size(); ++i)
    ::AppendMenuW(menu, MF_STRING, i + 1, Widen(items[i]).c_str());
  const UINT chosen =
      static_cast<UINT>(::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                         screen.x, screen.y, 0, Native(owner), nullptr));
  ::DestroyMenu(menu);
  if (chosen == 0) return std::nullopt;
  return chosen - 1;
}

}  // namespace varnel::window
