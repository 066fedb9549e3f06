// What a person does with Varnel.exe through the real common dialogs and message boxes, as
// small steps the journey tests string together; and the palette files they expect on disk.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture.h"
#include "remote.h"

namespace varnel::e2e {

namespace fs = std::filesystem;
using Palette = std::array<Rgb, 256>;
using Bytes = std::vector<unsigned char>;

// The palette the program starts with: entry i is (0, i, 0).
Palette GreenRamp();
// A palette far from the green ramp, from deep blue to orange: every entry has its own red.
Palette Sunset();

// A palette as the JASC-PAL text file (CR LF lines) and as the 768-byte ACT file.
Bytes JascPalFile(const Palette& palette);
Bytes ActFile(const Palette& palette);

Bytes ReadBytes(const fs::path& file);
void WriteBytes(const fs::path& file, const Bytes& bytes);
// Names in a folder, sorted.
std::vector<std::wstring> FolderContents(const fs::path& folder);

// A fresh Varnel.exe whose current folder is an empty folder of its own.
class Journey : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  HWND Main() const { return program_->MainWindow(); }

  // Presses a button of the main window and waits for the window it opens (by caption).
  HWND Press(int button, const std::wstring& caption);
  // Types `path` into the name box of an Open or Save As dialog and confirms it.
  void ChooseFile(HWND fileDialog, const fs::path& path);
  // The whole Open / Save As step: button, dialog, name, OK, dialog gone.
  void Load(const fs::path& path);
  void SaveAs(const fs::path& path);

  // Waits for a message box of the program ("Varnel" in its title bar).
  HWND WaitForMessageBox();
  // Its text; then its OK button is pressed and the box waited away.
  std::wstring ReadAndClose(HWND box);
  // Convert, then the text of the message box it shows, which is then closed.
  std::wstring Convert();

  // Presses Cancel in a dialog and waits for it to go.
  void Cancel(HWND dialog);
  // Types red, green, blue into the colour chooser and presses OK.
  void ChooseColour(HWND chooser, int red, int green, int blue);

  // Left click, and double click as the system delivers it (down, up, double click, up).
  void Click(POINT at);
  void DoubleClick(POINT at);

  // Waits for the information line to read `text`; true if it did.
  bool InfoLineReads(const std::wstring& text);
  // Swatch colours on screen now, entries 1 to 255 (entry 0 is never shown).
  std::optional<Palette> ShownPalette();
  // Checks every shown swatch against `palette`; reports the first few differences.
  void ExpectShown(const Palette& palette);

  std::optional<Program> program_;
  fs::path folder_;  // the program's current folder, empty at start
};

// Every Windows path the tests type is built from the folder the harness gives, so names
// with any characters go through the dialogs unchanged.
std::wstring PathText(const fs::path& path);

}  // namespace varnel::e2e
