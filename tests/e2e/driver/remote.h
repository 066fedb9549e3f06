// Driving Varnel.exe from outside, as a person at the keyboard and mouse would: start it,
// find its windows, press keys, post clicks, read control text, wait with deadlines.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

namespace varnel::e2e {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;

// How long anything may take before a test gives up on it. Generous: Wine on a loaded machine.
inline constexpr Milliseconds kPatience = 20s;

// Where the run keeps its things, from the environment the harness sets up:
// VARNEL_EXE (the program), VARNEL_E2E_OUT (screenshots), VARNEL_E2E_FILES (scratch files),
// VARNEL_E2E_FILES_UNIX (the same folder, seen from Unix), VARNEL_UNIX_SHELL (/bin/sh).
std::filesystem::path ProgramPath();
std::filesystem::path ArtefactFolder();
std::filesystem::path ScratchFolder();

// Polls `ready` until it returns true or `limit` has passed; returns its last answer.
bool WaitUntil(const std::function<bool()>& ready, Milliseconds limit = kPatience);

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// A running Varnel.exe. Ends the process on destruction if it is still running.
class Program {
 public:
  // Starts the program with `folder` as its current folder and waits for its main window.
  // Fails the calling test (and returns an object without a window) if none appears.
  static Program Start(const std::filesystem::path& folder = ScratchFolder());

  Program(Program&&) = default;
  Program& operator=(Program&&) = default;
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program();

  HWND MainWindow() const { return main_; }
  DWORD Id() const { return id_; }
  bool Running() const;
  bool WaitForExit(Milliseconds limit = kPatience) const;

  // A visible top-level window of this process with exactly this caption, or null.
  HWND FindWindowByCaption(const std::wstring& caption) const;
  // Waits for such a window; null if none appears in time.
  HWND WaitForWindow(const std::wstring& caption, Milliseconds limit = kPatience) const;
  // Whether one of the process's menus (a popup of the system's menu class) is open.
  bool MenuOpen() const;

 private:
  Program(UniqueHandle process, DWORD id) : process_(std::move(process)), id_(id) {}
  UniqueHandle process_;
  DWORD id_ = 0;
  HWND main_ = nullptr;
};

// Text of control `id` in `dialog`.
std::wstring ControlText(HWND dialog, int id);
// Position of control `id` in the client coordinates of `dialog`.
RECT ControlRect(HWND dialog, int id);

// Posts a click on a push button, as a mouse click would, and returns at once: the click may
// open a modal dialog that only returns when that dialog closes.
void PostClick(HWND button);

// Makes `window` the foreground window (so the keyboard goes to it); false if it did not.
bool BringToFront(HWND window);

// A key for Press: a virtual-key code, pressed with or without Alt held.
struct Key {
  WORD code;
  bool alt = false;
};

// Runs a shell command line on the Unix side of Wine (for xdotool on the virtual display) and
// waits for it to finish; false if it failed or did not finish in time.
bool RunUnix(const std::string& command, Milliseconds limit = kPatience);

// Presses and releases the keys one after another through the system's input queue, as the
// keyboard would. The window that is to receive them must be in front.
void Press(std::initializer_list<Key> keys);

}  // namespace varnel::e2e
