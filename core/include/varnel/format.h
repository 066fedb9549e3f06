// The palette file formats: which one a name or a file's first bytes select, and one way to
// decode and encode each. Codecs work on bytes in memory; palette_file.h puts them on disk.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "varnel/act.h"
#include "varnel/jasc_pal.h"
#include "varnel/palette.h"

namespace varnel {

enum class PaletteFormat { JascPal, Act, Gpl, Hex, PaintNet, Riff, Aco, Ase, Raw };

struct FormatInfo {
  PaletteFormat format;
  std::string_view name;       // as --from and --to take it
  std::string_view extension;  // of the files it writes
  std::string_view title;      // for people
  bool names;                  // holds colour names
  bool alpha;                  // holds each colour's alpha
};

inline constexpr std::array<FormatInfo, 9> kFormats{{
    {PaletteFormat::JascPal, "pal", "pal", "JASC-PAL text", false, false},
    {PaletteFormat::Act, "act", "act", "ACT colour table", false, false},
    {PaletteFormat::Gpl, "gpl", "gpl", "GIMP palette", true, true},
    {PaletteFormat::Hex, "hex", "hex", "Lospec hex list", false, false},
    {PaletteFormat::PaintNet, "paintnet", "txt", "Paint.NET palette", false, true},
    {PaletteFormat::Riff, "riff", "pal", "RIFF palette", false, false},
    {PaletteFormat::Aco, "aco", "aco", "Photoshop swatches", true, false},
    {PaletteFormat::Ase, "ase", "ase", "Adobe swatch exchange", true, false},
    {PaletteFormat::Raw, "raw", "raw", "raw RGB triplets", false, false},
}};

constexpr const FormatInfo& InfoOf(PaletteFormat format) noexcept {
  return kFormats[static_cast<std::size_t>(format)];
}

// The longest colour name `format` holds, in UTF-16 code units: what its length field
// counts, less the closing NUL. Longer names are cut at a character boundary when written.
// 0 for a format without names.
std::size_t NameUnits(PaletteFormat format) noexcept;

// The file dialogs' spelling of a path string and of an extension.
using NativeString = std::filesystem::path::string_type;

// A format by its short name (kFormats) in any letter case; nullopt for any other.
std::optional<PaletteFormat> FormatNamed(std::string_view name) noexcept;

// A file that is not what its format must be: what() says what is wrong with it.
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file of a kind that holds no palette: what() says which ("an XML file, not a palette
// file"), kind() names it alone ("an XML file").
class NotAPaletteError : public FormatError {
 public:
  explicit NotAPaletteError(std::string_view kind)
      : FormatError(std::string(kind) + ", not a palette file"), kind_(kind) {}
  std::string_view kind() const noexcept { return kind_; }

 private:
  std::string_view kind_;  // a literal
};

// Decodes a palette handed over in pieces. JASC-PAL is read in constant memory up to its
// 256th entry line, ACT up to its trailer; neither ever fails (see jasc_pal.h and act.h).
// Other formats are collected whole, up to kMaxFileSize, and checked by Finish.
class PaletteDecoder {
 public:
  static constexpr std::size_t kMaxFileSize = std::size_t{16} << 20;

  // Reads `format`.
  explicit PaletteDecoder(PaletteFormat format) noexcept : format_(format) {}

  // Reads the format a file's first bytes announce ("GIMP Palette", "RIFF....PAL ",
  // "ASEF", a paint.net header comment, or Photoshop swatches' version word and a length
  // that fits), and `fallback` when they announce none.
  // Where `fallback` is JASC-PAL, a file whose first bytes announce a kind of file that
  // holds no palette (a ZIP archive, an XML document, a PDF, a picture, a program) is
  // refused with NotAPaletteError.
  static PaletteDecoder Sniffing(PaletteFormat fallback) noexcept;

  // How the window program's Load and palconv read a file whose name has the extension
  // `ext` ("" for standard input): a "act" name (any case) is an ACT table whatever its
  // bytes; any other is read by Sniffing, its fallback the extension's format
  // (FormatForExtension).
  static PaletteDecoder ForExtension(const NativeString& ext) noexcept;

  // Takes the next piece. Returns false once the rest of the input can play no role, so
  // that the caller may stop reading.
  bool Feed(std::string_view piece);

  // Ends the input and returns the palette. Throws FormatError.
  PaletteData Finish();

  // The format read, once Finish has settled it, and whether the file's bytes chose it.
  PaletteFormat format() const noexcept { return format_; }
  bool bySignature() const noexcept { return bySignature_; }
  // The format the first bytes announce whatever the file was read as (a first line
  // "JASC-PAL" announces JASC-PAL), once Finish has looked; nullopt when they announce none.
  // Not known for JASC-PAL read without sniffing.
  std::optional<PaletteFormat> announced() const noexcept { return announced_; }
  // The kind of file that holds no palette, once sniffing has found one (see Sniffing).
  std::string_view foreign() const noexcept { return foreign_; }

 private:
  bool Settle(bool complete);
  bool Take(std::string_view piece);

  PaletteFormat format_;
  bool sniffing_ = false;
  bool bySignature_ = false;
  std::optional<PaletteFormat> announced_;
  std::string_view foreign_;
  JascPalDecoder text_;
  std::string bytes_;  // every format but JASC-PAL, and what sniffing has seen
};

// The palette the whole of `bytes` gives in `format`. Throws FormatError.
PaletteData Decode(PaletteFormat format, std::string_view bytes);

// The bytes of `palette` in `format`. JASC-PAL (259 CR LF lines) and ACT (768 bytes) hold
// all 256 entries, unless `ownCount`: then the palette's count (JASC-PAL's count line and
// that many lines; ACT with its 772-byte trailer, transparent index included). The other
// formats hold the palette's count.
std::string Encode(PaletteFormat format, const PaletteData& palette, bool ownCount = false);

// A file name's extension without the dot, as a file dialog reports it: "pal" for
// "sky.pal", empty for "sky" and for "sky.".
NativeString ExtensionOf(const std::filesystem::path& path);

// Load and Save as, in any letter case: "act" ACT, "gpl" GIMP, "hex" Lospec, "aco"
// Photoshop swatches, "ase" Adobe swatch exchange; every other extension, or none, JASC-PAL.
PaletteFormat FormatForExtension(const NativeString& ext) noexcept;

// Convert writes the other format: ACT beside a "PAL" file (any case), JASC-PAL beside
// anything else.
PaletteFormat ConvertFormat(const NativeString& ext) noexcept;

// Where a conversion to `written` goes for the file `path` whose extension is `ext`: the
// extension is replaced by the format's and the dot kept ("C:\pal\sky.pal" gives
// "C:\pal\sky.act"); a name without extension gains a dot ("sky" gives "sky.pal").
// No path, no target: an empty `path` gives nullopt.
std::optional<std::filesystem::path> ConvertTarget(const std::filesystem::path& path,
                                                   const NativeString& ext, PaletteFormat written);

}  // namespace varnel
