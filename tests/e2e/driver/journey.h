// Driving the real Varnel.exe from outside, as a person would: start it, find its windows,
// post clicks, type keys on the X display, read control text and the pixels on screen.
// Everything waits with a deadline, never for a fixed time.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace varnel::e2e {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

// Set by winebox.sh: VARNEL_EXE, VARNEL_PALCONV_EXE, VARNEL_E2E_FILES (scratch files, seen from Unix as VARNEL_E2E_FILES_UNIX),
// VARNEL_E2E_DATA (tests/data), VARNEL_UNIX_SHELL (/bin/sh), VARNEL_INSTALLER (the build's setup.exe) and
// VARNEL_E2E_SHOTS (where screenshots go); VARNEL_E2E_REFERENCE, passed on when set, holds earlier ones.
fs::path FromEnvironment(const wchar_t* name);
bool WaitUntil(const std::function<bool()>& ready);  // for 20 s at most

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;
UniqueHandle StartProcess(const fs::path& exe, const std::wstring& arguments, const fs::path& folder);
// Sent with a deadline: returns once the program has handled everything asked before.
LRESULT Send(HWND window, UINT message, WPARAM w = 0, LPARAM l = 0);
std::wstring ControlText(HWND dialog, int id);
// Types xdotool key names ("alt+l Return"), after giving `focus` the keyboard if set.
void Keys(const std::string& keys, HWND focus = nullptr);
bool RunUnix(const std::string& command);
// palconv.exe's exit status, or -1 if it did not run or end.
int RunPalconv(const std::wstring& arguments);

struct Rgb {
  int r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& c);
using Palette = std::array<Rgb, 256>;
Bytes ReadBytes(const fs::path& file);
Palette PaletteOf(const fs::path& act);  // the colours of an ACT file

struct Pixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> xrgb;  // top row first
  Rgb At(int x, int y) const;       // outside the picture: black
  friend bool operator==(const Pixels&, const Pixels&) = default;
};

// Saves `shown` as NAME.bmp in VARNEL_E2E_SHOTS; NAME.bmp in VARNEL_E2E_REFERENCE, if set, must be the same.
void ExpectScreenshot(const std::string& name, const Pixels& shown);

// Swatch i (1 to 255): left/top 7 + 18 per step, 15 pixels square, 15 to a row.
RECT SwatchRect(int index);
POINT SwatchCentre(int index);
// The brushed-metal picture is greys and faint near-greys, never black, white or saturated.
bool IsBackground(const Rgb& c);

// A fresh Varnel.exe whose current folder is an empty folder of its own.
class Journey : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  bool WaitForExit() const;
  HWND TopLevel(const std::wstring& caption, const wchar_t* windowClass = nullptr) const;
  HWND WaitForWindow(const std::wstring& caption) const;
  HWND Press(int button, const std::wstring& caption);  // a button, then the window it opens
  void Close(HWND dialog, int button);                  // and wait until it is gone
  // Types `path` into the Open or Save As dialog that `button` opens, and confirms.
  void Choose(int button, const fs::path& path);
  // The text of the message box titled "Varnel" after `button`, closed with OK.
  std::wstring MessageAfter(int button);
  void ExpectFileError(int button, const std::wstring& verb, const fs::path& file);
  // Down and up, handled when this returns; twice: then double click and up, posted.
  void Click(POINT at, bool twice = false);
  // The client area of `window` (or main_), or all of it if `whole`, once three captures agree; else empty.
  Pixels Shown(HWND window = nullptr, bool whole = false);
  void ExpectShown(const Palette& palette);  // swatches 1 to 255 (0 is never shown)
  // The 3-pixel ring round a swatch: a frame (black outside, two white) or background
  // where the frame of `framedNow` does not reach.
  void ExpectFrame(const Pixels& shown, int index, bool framed, int framedNow = 0);

  fs::path program_;        // empty: VARNEL_EXE
  std::wstring arguments_;  // Varnel.exe's command line after its name
  UniqueHandle process_;
  DWORD id_ = 0;
  HWND main_ = nullptr;
  fs::path folder_;
};

}  // namespace varnel::e2e
