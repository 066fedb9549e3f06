#include "varnel/window/desktop.h"

#include <cstring>
#include <stdexcept>

#include "varnel/utf.h"
#include "varnel/window/scoped.h"

namespace varnel::window {

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
  const ScopedMenu menu(::CreatePopupMenu());
  if (menu == nullptr) return std::nullopt;
  for (std::size_t i = 0; i < items.size(); ++i)
    ::AppendMenuW(menu, MF_STRING, i + 1, Widen(items[i]).c_str());
  const UINT chosen = static_cast<UINT>(::TrackPopupMenu(
      menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen.x, screen.y, 0, owner, nullptr));
  if (chosen == 0) return std::nullopt;
  return chosen - 1;
}

}  // namespace varnel::window
