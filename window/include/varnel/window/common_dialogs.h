// The system's file-open/save dialog and colour chooser.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "varnel/window/dialog.h"

namespace varnel::window {

class FileDialog {
 public:
  // `openFileDialog`: true for Open, false for Save As. `defaultExt` (no dot) is added to
  // a name typed without extension. `fileName` fills the name box at the start. `flags`
  // are the system's option flags (added to what the dialog always uses). `filter` is
  // "Description|*.pattern|Description|*.pattern||"; its first pair is selected at the
  // start. A null `parent` makes the active window of the program the owner.
  FileDialog(bool openFileDialog, std::wstring defaultExt, std::filesystem::path fileName,
             DWORD flags, std::string_view filter, Dialog* parent = nullptr);

  // Runs the dialog; IDOK when the user confirmed a name, IDCANCEL otherwise.
  int DoModal();

  // After IDOK: the chosen file's full path, and its extension without the dot as the
  // dialog reports it (letter case kept; empty when the name has none).
  const std::filesystem::path& GetPathName() const noexcept { return path_; }
  const std::wstring& GetFileExt() const noexcept { return ext_; }

 private:
  bool open_;
  std::wstring defaultExt_;
  std::filesystem::path fileName_;
  DWORD flags_;
  std::string filter_;
  Dialog* parent_;
  std::filesystem::path path_;  // set by DoModal
  std::wstring ext_;            // set by DoModal
};

class ColorDialog {
 public:
  // `initial` is the colour selected at the start; `flags` the system's option flags.
  explicit ColorDialog(COLORREF initial = 0, DWORD flags = 0, Dialog* parent = nullptr) noexcept
      : color_(initial), flags_(flags), parent_(parent) {}

  // Runs the chooser; IDOK when the user confirmed a colour, IDCANCEL otherwise.
  int DoModal();

  // The chosen colour after IDOK (the initial one before).
  COLORREF GetColor() const noexcept { return color_; }

 private:
  COLORREF color_;
  DWORD flags_;
  Dialog* parent_;
};

}  // namespace varnel::window
