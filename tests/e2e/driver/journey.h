// Driving the real Varnel.exe from outside, as a person would: start it, find its windows,
// post clicks, type keys on the X display, read control text and the pixels on screen.
// Everything waits with a deadline, never for a fixed time.
#pragma once

#include <windows.h>

#include <array>
#include <chrono>
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
using namespace std::chrono_literals;
using Bytes = std::vector<unsigned char>;

// How long anything may take before a test gives up on it: Wine on a loaded machine.
inline constexpr std::chrono::milliseconds kPatience = 20s;
// The name box of the Open and Save As dialogs (a combo box).
inline constexpr int kFileNameBox = 0x47C;

// Set by winebox.sh: VARNEL_EXE, VARNEL_PALCONV_EXE, VARNEL_E2E_OUT (screenshots),
// VARNEL_E2E_FILES (scratch files), VARNEL_E2E_FILES_UNIX (the same seen from Unix) and
// VARNEL_UNIX_SHELL (/bin/sh).
fs::path FromEnvironment(const wchar_t* name);

bool WaitUntil(const std::function<bool()>& ready);

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Starts `exe` in `folder`; a failed test if it cannot. (Unix programs come without a handle.)
UniqueHandle StartProcess(const fs::path& exe, const std::wstring& arguments, const fs::path& folder);
// Runs a shell command on the Unix side of Wine (xdotool on the virtual display).
bool RunUnix(const std::string& command);

std::wstring ControlText(HWND dialog, int id);
// Posts a button click and returns at once: the click may open a modal dialog.
void PostClick(HWND dialog, int id);
// Types xdotool key names ("alt+l Return"), after giving `focus` the keyboard if set.
void Keys(const std::string& keys, HWND focus = nullptr);

struct Rgb {
  int r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& c);

using Palette = std::array<Rgb, 256>;
Palette GreenRamp();  // the palette the program starts with: entry i is (0, i, 0)
Palette Sunset();     // far from it, deep blue to orange, every entry with its own red
Bytes JascPalFile(const Palette& palette);  // CR LF lines
Bytes ActFile(const Palette& palette);      // 768 bytes
Bytes ReadBytes(const fs::path& file);
void WriteBytes(const fs::path& file, const Bytes& bytes);
std::vector<std::wstring> FolderContents(const fs::path& folder);  // sorted names

struct Pixels {
  int width = 0, height = 0;
  std::vector<std::uint32_t> xrgb;  // top row first, 0xFFRRGGBB
  bool Empty() const { return xrgb.empty(); }
  Rgb At(int x, int y) const;  // outside the picture: black
  friend bool operator==(const Pixels&, const Pixels&) = default;
};
// The client area as it is on screen, once three captures in a row agree (painting is
// over); empty if it never settles.
Pixels SettledClient(HWND window);

// Swatch i (1 to 255) of the 15-column grid: left/top 7 + 18 per step, 15 pixels square.
RECT SwatchRect(int index);
POINT SwatchCentre(int index);
// The brushed-metal picture is greys and faint near-greys, never black, white or saturated.
bool IsBackground(const Rgb& c);

// A fresh Varnel.exe whose current folder is an empty folder of its own.
class Journey : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  HWND Main() const { return main_; }
  bool WaitForExit() const;
  HWND WaitForWindow(const std::wstring& caption) const;  // visible, of this process
  bool MenuOpen() const;

  // A button of the main window, then the window it opens (by caption).
  HWND Press(int button, const std::wstring& caption);
  // Types `path` into the name box of an Open or Save As dialog, confirms, waits it out.
  void ChooseFile(HWND dialog, const fs::path& path);
  void Load(const fs::path& path);
  void SaveAs(const fs::path& path);
  // Presses a button of a dialog and waits for the dialog to go.
  void Close(HWND dialog, int button);
  // The text of the message box titled "Varnel", which is then closed with OK.
  std::wstring CloseMessageBox();
  std::wstring Convert();
  // The error box of a failed file operation: what failed, on which file, and why.
  void ExpectFileError(const std::wstring& verb, const fs::path& file);

  void Click(POINT at);
  void DoubleClick(POINT at);  // as the system delivers it: down, up, double click, up
  bool InfoLineReads(const std::wstring& text);
  // Every swatch on screen (1 to 255; swatch 0 is never shown) against `palette`.
  void ExpectShown(const Palette& palette);
  // <artefact folder>/<name>.bmp, turned into a PNG by winebox.sh.
  void KeepScreenshot(HWND window, const std::string& name);

  UniqueHandle process_;
  DWORD id_ = 0;
  HWND main_ = nullptr;
  fs::path folder_;
};

}  // namespace varnel::e2e
