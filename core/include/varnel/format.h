// The palette file formats: which one a name selects, and one way to decode and encode
// each. Codecs work on bytes in memory; palette_file.h puts them on disk.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "varnel/act.h"
#include "varnel/jasc_pal.h"
#include "varnel/palette.h"

namespace varnel {

enum class PaletteFormat { JascPal, Act };

// A format by its short name, "pal" or "act" in any letter case; nullopt for any other.
std::optional<PaletteFormat> FormatNamed(std::string_view name) noexcept;

// Decodes a palette handed over in pieces, in constant memory: a JASC-PAL text up to its
// 256th entry line, an ACT table up to its 768th byte. Neither ever fails: every byte
// string gives a whole table (see jasc_pal.h and act.h for how).
class PaletteDecoder {
 public:
  explicit PaletteDecoder(PaletteFormat format) noexcept : format_(format) {}

  // Takes the next piece. Returns false once the rest of the input can play no role, so
  // that the caller may stop reading.
  bool Feed(std::string_view piece) noexcept;

  // Ends the input and returns the table.
  Palette Finish() noexcept;

 private:
  PaletteFormat format_;
  JascPalDecoder text_;
  std::array<char, kActSize> table_{};
  std::size_t tableSize_ = 0;
};

// The palette the whole of `bytes` gives in `format`.
Palette Decode(PaletteFormat format, std::string_view bytes) noexcept;

// The bytes of `palette` in `format`: 259 CR LF lines of JASC-PAL, or 768 ACT bytes.
std::string Encode(PaletteFormat format, const Palette& palette);

// The file dialogs' spelling of a path string and of an extension.
using NativeString = std::filesystem::path::string_type;

// A file name's extension without the dot, as a file dialog reports it: "pal" for
// "sky.pal", empty for "sky" and for "sky.".
NativeString ExtensionOf(const std::filesystem::path& path);

// Load and Save as: "ACT" in any letter case selects ACT; every other extension, or
// none, JASC-PAL.
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

}  // namespace varnel
