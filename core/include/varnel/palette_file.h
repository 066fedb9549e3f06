// Palette files on disk: reading and writing a whole palette in a given format.
#pragma once

#include <filesystem>
#include <functional>

#include "varnel/file_error.h"
#include "varnel/format.h"
#include "varnel/palette.h"

namespace varnel {

// Reads a palette file with `decoder`, only as far as its format needs. Throws FileError
// when the file cannot be opened or read, or is not what its format must be.
PaletteData ReadPaletteFile(const std::filesystem::path& path, PaletteDecoder& decoder);
PaletteData ReadPaletteFile(const std::filesystem::path& path, PaletteFormat format);

// Reads a palette from standard input the same way; a FileError names "standard input".
PaletteData ReadStandardInput(PaletteDecoder& decoder);

// Writes a palette file in the given format (see Encode) without ever losing the old one (a
// palette without a name, in a format that names it after its file, gets the file's stem): see WriteFileAtomically, which
// also says when `beforeReplacing` is called. Throws FileError when anything fails; `path` is
// then untouched and no other file is left behind.
void WritePaletteFile(const std::filesystem::path& path, const PaletteData& palette,
                      PaletteFormat format, const WriteOptions& options = {},
                      const std::function<void()>& beforeReplacing = {});

}  // namespace varnel
