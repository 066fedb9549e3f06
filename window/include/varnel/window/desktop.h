// What the program meets beyond its own window: the files it is started with or that are
// dropped on it, the clipboard, and pop-up menus.
#pragma once

#include <windows.h>
// After <windows.h>.
#include <shellapi.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varnel::window {

// The program's command-line arguments after its own name, split as the system splits
// them (quoted names may hold spaces).
std::vector<std::filesystem::path> CommandLineArguments();

// The first file of a drop (WM_DROPFILES' wParam); the drop is released.
std::filesystem::path TakeFirstDroppedFile(HDROP drop);

// Puts `text` (UTF-8) on the clipboard as plain text, replacing what was there. Throws
// std::runtime_error when the clipboard cannot be had.
void CopyText(HWND owner, std::string_view text);

// Shows a pop-up menu of `items` at `screen` and returns the index of the one chosen, or
// nothing when the menu was dismissed.
std::optional<std::size_t> ChooseFromMenu(HWND owner, std::span<const std::string> items,
                                          POINT screen);

}  // namespace varnel::window
