// What the program meets beyond its own window: the files it is started with or that are
// dropped on it, the clipboard, and pop-up menus.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "varnel/window/constants.h"

namespace varnel::window {

// The program's command-line arguments after its own name, split as the system splits
// them (quoted names may hold spaces).
std::vector<std::filesystem::path> CommandLineArguments();

// The first file of a drop (WM_DROPFILES' wParam); the drop is released.
std::filesystem::path TakeFirstDroppedFile(WParam drop);

// Puts `text` (UTF-8) on the clipboard as plain text, replacing what was there. Throws
// std::runtime_error when the clipboard cannot be had.
void CopyText(WindowHandle owner, std::string_view text);

// Shows a pop-up menu of `items` at `screen` and returns the index of the one chosen, or
// nothing when the menu was dismissed.
std::optional<std::size_t> ChooseFromMenu(WindowHandle owner, std::span<const std::string> items,
                                          Point screen);

}  // namespace varnel::window
