// Palette files on disk: reading and writing a whole palette in a given format.
#pragma once

#include <filesystem>

#include "varnel/file_error.h"
#include "varnel/format.h"
#include "varnel/palette.h"

namespace varnel {

// Reads a palette file in the given format, only as far as the format needs (see
// PaletteDecoder). Throws FileError when the file cannot be opened or read.
Palette ReadPaletteFile(const std::filesystem::path& path, PaletteFormat format);

// Reads a palette from standard input the same way; a FileError names "standard input".
Palette ReadStandardInput(PaletteFormat format);

// Writes a palette file in the given format without ever losing the old one: the bytes
// go to a new file in the same folder, which replaces `path` only once it is complete.
// Throws FileError when anything fails; `path` is then untouched and no other file is
// left behind.
void WritePaletteFile(const std::filesystem::path& path, const Palette& palette,
                      PaletteFormat format);

}  // namespace varnel
