// Palette files on disk: which format a name selects, reading, writing, Convert's target.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "varnel/file_error.h"
#include "varnel/palette.h"

namespace varnel {

enum class PaletteFormat { JascPal, Act };

// The file dialogs' spelling of a path string and of an extension.
using NativeString = std::filesystem::path::string_type;

// A file name's extension without the dot, as a file dialog reports it: "pal" for
// "sky.pal", empty for "sky" and for "sky.".
NativeString ExtensionOf(const std::filesystem::path& path);

// True when ext equals word in any letter case (ASCII letters fold, nothing else does).
bool ExtensionIs(const NativeString& ext, std::string_view word) noexcept;

// "ACT" in any letter case selects ACT; every other extension, or none, JASC-PAL.
PaletteFormat FormatForExtension(const NativeString& ext) noexcept;

// Convert writes the other format: ACT beside a "PAL" file (any case), JASC-PAL beside
// anything else.
PaletteFormat ConvertFormat(const NativeString& ext) noexcept;

// Where Convert writes for the current file `path` whose extension is `ext`: the
// extension is replaced by "act" or "pal" and the dot kept ("C:\pal\sky.pal" gives
// "C:\pal\sky.act"); a name without extension gains a dot ("sky" gives "sky.pal").
// No path, no target: an empty `path` gives nullopt.
std::optional<std::filesystem::path> ConvertTarget(const std::filesystem::path& path,
                                                   const NativeString& ext);

// Reads a whole palette file in the given format. A JASC-PAL file is streamed and only
// its first 259 lines are read; an ACT file only its first 768 bytes.
// Throws FileError when the file cannot be opened or read; nothing is returned then.
Palette ReadPaletteFile(const std::filesystem::path& path, PaletteFormat format);

// Writes a palette file in the given format without ever losing the old one: the bytes
// go to a new file in the same folder, which replaces `path` only once it is complete.
// Throws FileError when anything fails; `path` is then untouched and no other file is
// left behind.
void WritePaletteFile(const std::filesystem::path& path, const Palette& palette,
                      PaletteFormat format);

}  // namespace varnel
