// Acting on the modal windows that the code under test opens in this thread (message
// boxes, dialogs, the common dialogs): a thread timer, served by whatever modal loop is
// running, looks for them and runs the test's action on each as it appears.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include "../native.h"

namespace varnel::window::win32::testing {

class Watch {
 public:
  Watch();
  ~Watch();
  Watch(const Watch&) = delete;
  Watch& operator=(const Watch&) = delete;

  // When a visible window of this thread captioned `caption` appears, runs `action` on
  // it, once. Actions run in the order given.
  void On(std::wstring caption, std::function<void(HWND)> action);

  // True when every action has run.
  bool Done() const noexcept { return pending_.empty(); }

 private:
  struct Pending {
    std::wstring caption;
    std::function<void(HWND)> action;
  };
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  void Step();

  std::deque<Pending> pending_;
  UINT_PTR timer_ = 0;
  ULONGLONG deadline_ = 0;
};

// A window's caption and the text of one of its controls.
std::wstring Caption(HWND window);
std::wstring ItemText(HWND dialog, int id);

// Presses a dialog's button by posting its command, as a click does.
void Press(HWND dialog, int id);

// Id of the text control in a system message box.
inline constexpr int kMessageBoxText = 0xFFFF;

}  // namespace varnel::window::win32::testing
