#include "remote.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

namespace varnel::e2e {
namespace {

constexpr wchar_t kMainCaption[] = L"Varnel Pallete Converter";

std::filesystem::path FromEnvironment(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  if (value == nullptr || *value == L'\0') {
    ADD_FAILURE() << "environment variable " << std::filesystem::path(name).string()
                  << " is not set; run the driver through tests/e2e/winebox.sh";
    return {};
  }
  return value;
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  const int length = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

struct WindowSearch {
  DWORD processId;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && IsWindowVisible(window)) search->found.push_back(window);
  return TRUE;
}

std::vector<HWND> TopLevelWindows(DWORD processId) {
  WindowSearch search{processId, {}};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

std::filesystem::path ProgramPath() { return FromEnvironment(L"VARNEL_EXE"); }
std::filesystem::path ArtefactFolder() { return FromEnvironment(L"VARNEL_E2E_OUT"); }
std::filesystem::path ScratchFolder() { return FromEnvironment(L"VARNEL_E2E_FILES"); }

bool WaitUntil(const std::function<bool()>& ready, Milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!ready()) {
    if (std::chrono::steady_clock::now() >= deadline) return ready();
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

Program Program::Start(const std::filesystem::path& folder) {
  const std::filesystem::path exe = ProgramPath();
  std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &info)) {
    ADD_FAILURE() << "cannot start " << exe.string() << ": error " << GetLastError();
    return Program(UniqueHandle(), 0);
  }
  CloseHandle(info.hThread);
  Program program(UniqueHandle(info.hProcess), info.dwProcessId);
  program.main_ = program.WaitForWindow(kMainCaption);
  if (program.main_ == nullptr) {
    ADD_FAILURE() << "no window \"Varnel Pallete Converter\" appeared";
  }
  return program;
}

Program::~Program() {
  if (!process_ || !Running()) return;
  if (main_ != nullptr) PostMessageW(main_, WM_CLOSE, 0, 0);
  if (!WaitForExit(5s)) TerminateProcess(process_.get(), 1);
  WaitForSingleObject(process_.get(), INFINITE);
}

bool Program::Running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

bool Program::WaitForExit(Milliseconds limit) const {
  return process_ &&
         WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
}

HWND Program::FindWindowByCaption(const std::wstring& caption) const {
  for (HWND window : TopLevelWindows(id_)) {
    if (WindowText(window) == caption) return window;
  }
  return nullptr;
}

HWND Program::WaitForWindow(const std::wstring& caption, Milliseconds limit) const {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindWindowByCaption(caption)) != nullptr; }, limit);
  return found;
}

bool Program::MenuOpen() const {
  for (HWND window : TopLevelWindows(id_)) {
    if (ClassName(window) == L"#32768") return true;
  }
  return false;
}

std::wstring ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

RECT ControlRect(HWND dialog, int id) {
  RECT rect{};
  GetWindowRect(GetDlgItem(dialog, id), &rect);
  MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void PostClick(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool BringToFront(HWND window) {
  return WaitUntil([&] {
    if (GetForegroundWindow() == window) return true;
    SetForegroundWindow(window);
    return false;
  });
}

bool RunUnix(const std::string& command, Milliseconds limit) {
  // Wine starts Unix programs without a process handle to wait on, so the command leaves a
  // file behind when it is done, and its status in it.
  static int runs = 0;
  const std::string marker = "unix-" + std::to_string(++runs) + ".done";
  const std::filesystem::path shell = FromEnvironment(L"VARNEL_UNIX_SHELL");
  const std::filesystem::path unixFolder = FromEnvironment(L"VARNEL_E2E_FILES_UNIX");
  if (shell.empty() || unixFolder.empty()) return false;
  const std::string script =
      command + "; echo $? > '" + unixFolder.generic_string() + "/" + marker + "'";
  std::wstring commandLine = L"\"" + shell.wstring() + L"\" -c \"" +
                             std::filesystem::path(script).wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    ADD_FAILURE() << "cannot run " << command << ": error " << GetLastError();
    return false;
  }
  if (info.hThread != nullptr) CloseHandle(info.hThread);
  if (info.hProcess != nullptr) CloseHandle(info.hProcess);
  const std::filesystem::path done = ScratchFolder() / marker;
  std::string status;
  const bool finished = WaitUntil(
      [&] {
        std::ifstream in(done);
        return static_cast<bool>(std::getline(in, status));
      },
      limit);
  if (!finished) ADD_FAILURE() << command << " did not finish";
  else if (status != "0") ADD_FAILURE() << command << " failed with status " << status;
  return finished && status == "0";
}

void Press(std::initializer_list<Key> keys) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD code, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = code;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  for (const Key& key : keys) {
    if (key.alt) add(VK_MENU, false);
    add(key.code, false);
    add(key.code, true);
    if (key.alt) add(VK_MENU, true);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace varnel::e2e
