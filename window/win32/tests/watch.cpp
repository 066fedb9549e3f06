#include "watch.h"

#include <vector>

namespace varnel::window::win32::testing {
namespace {

Watch* g_current = nullptr;

// A modal window the test never expected would block the test for good; after this
// long every dialog of the thread is cancelled instead.
constexpr ULONGLONG kPatienceMs = 20000;

struct Search {
  const std::wstring* caption;
  HWND found;
};

BOOL CALLBACK FindByCaption(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (::IsWindowVisible(window) && Caption(window) == *search->caption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CancelDialog(HWND window, LPARAM) {
  if (::IsWindowVisible(window)) Press(window, IDCANCEL);
  return TRUE;
}

}  // namespace

Watch::Watch() {
  g_current = this;
  timer_ = ::SetTimer(nullptr, 0, 30, &Tick);
  deadline_ = ::GetTickCount64() + kPatienceMs;
}

Watch::~Watch() {
  ::KillTimer(nullptr, timer_);
  g_current = nullptr;
}

void Watch::On(std::wstring caption, std::function<void(HWND)> action) {
  pending_.push_back({std::move(caption), std::move(action)});
}

void CALLBACK Watch::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (g_current != nullptr) g_current->Step();
}

void Watch::Step() {
  if (::GetTickCount64() > deadline_) {
    ::EnumThreadWindows(::GetCurrentThreadId(), &CancelDialog, 0);
    return;
  }
  if (pending_.empty()) return;
  Search search{&pending_.front().caption, nullptr};
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindByCaption, reinterpret_cast<LPARAM>(&search));
  if (search.found == nullptr) return;
  // Taken off the list first: the action may run a modal loop that ticks again.
  Pending next = std::move(pending_.front());
  pending_.pop_front();
  next.action(search.found);
}

std::wstring Caption(HWND window) {
  std::vector<wchar_t> text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1);
  const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  return std::wstring(text.data(), static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring ItemText(HWND dialog, int id) {
  HWND item = ::GetDlgItem(dialog, id);
  return item != nullptr ? Caption(item) : std::wstring();
}

void Press(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

}  // namespace varnel::window::win32::testing
