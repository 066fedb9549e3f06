// The palette file formats: one table of them (kFormats), which one a name or a file's first
// bytes select, and one way to decode and encode each. Codecs work on bytes in memory;
// palette_file.h puts them on disk.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

#include "varnel/act.h"
#include "varnel/jasc_pal.h"
#include "varnel/palette.h"

namespace varnel {

class CmykProfile;  // varnel/colour.h

// A palette file format: one row of kFormats. The formats some code names are members
// (PaletteFormat::Act), found by their names in format_table.cpp; every other is reached
// through the table.
class PaletteFormat {
 public:
  static const PaletteFormat JascPal, Act, Gpl, PaintNet, Aco, Ase;

  // The format of kFormats[row]; `row` must be less than kFormats.size().
  constexpr explicit PaletteFormat(std::size_t row) noexcept
      : row_(static_cast<std::uint8_t>(row)) {}
  constexpr std::size_t row() const noexcept { return row_; }
  friend constexpr bool operator==(PaletteFormat, PaletteFormat) noexcept = default;

 private:
  std::uint8_t row_;
};

// How a palette is written: what --keep-count and --swatch ask.
struct WriteOptions {
  bool ownCount = false;  // the palette's own count where a format may hold all 256 entries
  int swatch = 1;         // a picture's swatches are this many pixels square (1 to 64)
};

// How far a format keeps something beside the colours.
enum class Kept : std::uint8_t {
  Never,
  WithKeepCount,  // when written with its own count (--keep-count)
  Always,
};

// A decoder that takes a file piece by piece and keeps only what it needs, so that memory
// stays flat however large the file: the pictures, whose pixels are looked at as they come.
class StreamDecoder {
 public:
  virtual ~StreamDecoder() = default;
  // The print profile CMYK pixels are converted through, before the first Feed; where none is
  // given, CmykProfile::Default(). Formats without CMYK pixels ignore it.
  virtual void UsePrintProfile(const std::shared_ptr<const CmykProfile>&) {}
  // Takes the next piece. Returns false once the rest of the file can play no role, so that
  // the caller may stop reading. Throws FormatError as soon as the file is known to be bad.
  virtual bool Feed(std::string_view piece) = 0;
  // Ends the input and returns the palette. Throws FormatError.
  virtual PaletteData Finish() = 0;
};

// One format: everything the converter, the window program, palconv and the tests know of
// it. A new format is one row of kFormats (core/src/format_table.cpp) and its codec.
struct FormatInfo {
  // The palette `bytes` in this format give; throws FormatError.
  using Decoder = PaletteData (*)(std::string_view bytes);
  // The bytes of `palette` in this format, as `options` ask (see ownCount).
  using Encoder = std::string (*)(const PaletteData& palette, const WriteOptions& options);
  // Whether the bytes carry the format's signature (see signature and wholeSignature).
  using SignatureTest = bool (*)(std::string_view bytes) noexcept;
  // A new decoder of this format's files in pieces (see StreamDecoder).
  using Streamer = std::unique_ptr<StreamDecoder> (*)();

  std::string_view name;                         // as --from and --to take it
  std::array<std::string_view, 4> extensions{};  // lower case, no dot; the first is written
  std::string_view title;                        // for people: --info, messages, the docs
  std::string_view help = {};                    // palconv --help's words, if not the title

  // What it holds beside the colours. Colour names: the bytes of the field that counts a
  // name's UTF-16 code units and its closing NUL (2 or 4), kNameLine for a name as long as
  // its line, 0 for none (see nameUnits).
  std::size_t nameField = 0;
  bool alpha = false;              // each colour's alpha
  bool paletteName = false;        // the palette's own name
  bool nameFromFile = false;       // a palette without a name is written with its file's stem
  Kept ownCount = Kept::Always;    // the palette's own count (else all 256 entries)
  Kept transparent = Kept::Never;  // the transparent index
  // The program the format is made for, where it shows only the first `shown` entries.
  std::string_view shownBy = {};
  std::size_t shown = 0;
  // The models of source colours (PaletteData::sources) it writes back, one bit for each
  // ColorModel, and whether it writes their kinds; every other colour goes as 8-bit sRGB.
  std::uint8_t models = 0;
  bool kinds = false;
  bool spot = false;  // of the kinds, spot colours alone (where `kinds` is false)

  // How it is recognised, read and written. Sniffing asks the signature tests in the
  // table's order; each gets a file's first bytes as they are (at least the first
  // PaletteDecoder::kSignatureSize of them, all of a shorter file). A format whose first
  // bytes only say that the file may be one also has a wholeSignature test, which sniffing
  // then asks with the whole file (up to PaletteDecoder::kMaxFileSize).
  // `announces`: the signature only announces the format (palconv says so) and never
  // chooses it. `sniffed` false: a file with the format's extension is read as it whatever
  // its bytes.
  SignatureTest signature = nullptr;
  SignatureTest wholeSignature = nullptr;
  bool announces = false;
  bool sniffed = true;
  Decoder decode;
  Encoder encode = nullptr;  // nullptr for a format that is only read
  // Where set, PaletteDecoder reads the format through it, and files of any size (a
  // picture's limit is its pixels), and Decode leaves it to say what an empty file is; other
  // formats are collected whole, up to PaletteDecoder::kMaxFileSize, or only their first
  // `bytesRead` bytes where that is set.
  Streamer stream = nullptr;
  std::size_t bytesRead = 0;

  // The window program. A format it offers has an entry in the Load and Save as dialogs,
  // its own (`dialog`, the entry's text) or one shared by the rows naming the same group
  // (`dialogGroup`: "Pictures" gives "Pictures (*.png;*.gif)"), and its extensions select
  // it (FormatForExtension). `openWith`: the installer puts Varnel in the Open With lists
  // of its extensions (cmake/NSIS.template.in, held against this by a test).
  std::string_view dialog = {};
  std::string_view dialogGroup = {};
  bool openWith = false;

  static constexpr std::size_t kNameLine = SIZE_MAX;

  constexpr std::string_view extension() const noexcept { return extensions[0]; }
  constexpr bool names() const noexcept { return nameField > 0; }
  // The longest colour name in UTF-16 code units, what its length field counts less the
  // closing NUL; longer ones are cut at a character boundary when written. 0 for none.
  constexpr std::size_t nameUnits() const noexcept {
    if (nameField == kNameLine) return SIZE_MAX;
    return nameField == 0 ? 0 : static_cast<std::size_t>((std::uint64_t{1} << 8 * nameField) - 2);
  }
  constexpr bool holds(ColorModel model) const noexcept {
    return (models >> static_cast<unsigned>(model) & 1) != 0;
  }
  constexpr bool offered() const noexcept { return !dialog.empty() || !dialogGroup.empty(); }
};

// Every format, one row each, in the order help text, dialogs and sniffing take them.
extern const std::span<const FormatInfo> kFormats;

inline const FormatInfo& InfoOf(PaletteFormat format) noexcept { return kFormats[format.row()]; }

// Whether what a format keeps as `kept` is in a file written with --keep-count or without.
constexpr bool IsKept(Kept kept, bool keepCount) noexcept {
  return kept == Kept::Always || (kept == Kept::WithKeepCount && keepCount);
}

// The file dialogs' spelling of a path string and of an extension.
using NativeString = std::filesystem::path::string_type;

// A format by its short name (FormatInfo::name) in any letter case; nullopt for any other.
std::optional<PaletteFormat> FormatNamed(std::string_view name) noexcept;

// A file that is not what its format must be: what() says what is wrong with it.
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file of a kind that holds no palette: what() says which ("an XML file, not a palette
// file").
class NotAPaletteError : public FormatError {
 public:
  explicit NotAPaletteError(std::string_view kind)
      : FormatError(std::string(kind) + ", not a palette file") {}
};

// Decodes a palette handed over in pieces. A format with a StreamDecoder (JASC-PAL, read in
// constant memory up to its 256th entry line, and the pictures) is read through it whatever
// the file's size; the others are collected whole, up to kMaxFileSize (ACT only up to a
// byte past its trailer), and checked by Finish.
class PaletteDecoder {
 public:
  static constexpr std::size_t kMaxFileSize = std::size_t{16} << 20;
  // How many first bytes settle every signature but a whole-file one (FormatInfo).
  static constexpr std::size_t kSignatureSize = 32;

  // Reads `format`.
  explicit PaletteDecoder(PaletteFormat format) noexcept : format_(format) {}

  // Reads the format whose signature a file's first bytes carry, the first in kFormats'
  // order ("GIMP Palette", "RIFF....PAL ", "ASEF", a paint.net header comment, or Photoshop
  // swatches' version word and lengths that fit the whole file), and `fallback` when they
  // carry none. A first line "JASC-PAL" announces JASC-PAL (see announced()) but never
  // chooses it (FormatInfo::announces); nor is a whole file checked for the format
  // `fallback` reads anyway. Where `fallback` has a signature of its own (which the file then
  // lacks), a file whose first bytes announce a kind of file that holds no palette (a ZIP
  // archive, an XML document, a PDF, a picture, a program) is refused with NotAPaletteError.
  static PaletteDecoder Sniffing(PaletteFormat fallback) noexcept;

  // How the window program's Load and palconv read a file whose name has the extension
  // `ext` ("" for standard input): the extension's format (FormatForExtension), by Sniffing
  // unless the format is never sniffed (FormatInfo::sniffed: an "act" name, any case, is an
  // ACT table whatever its bytes).
  static PaletteDecoder ForExtension(const NativeString& ext) noexcept;

  // The print profile for a picture's CMYK pixels (a CMYK JPEG's), before the first Feed;
  // nullptr for the default. Swatch files' CMYK colours are converted after reading instead
  // (ConvertSources).
  void UsePrintProfile(std::shared_ptr<const CmykProfile> profile) noexcept {
    profile_ = std::move(profile);
  }

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
  std::string bytes_;  // every format but the streamed ones, and what sniffing has seen
  std::shared_ptr<const CmykProfile> profile_;
  std::unique_ptr<StreamDecoder> stream_;  // a streamed format's, once settled
  bool streamWants_ = true;                // until stream_ has said it needs no more
  std::exception_ptr streamError_;         // what stream_ threw while fed, for Finish
};

// The palette the whole of `bytes` gives in `format`. Throws FormatError.
PaletteData Decode(PaletteFormat format, std::string_view bytes);

// The bytes of `palette` in `format`. JASC-PAL (259 CR LF lines) and ACT (768 bytes) hold
// all 256 entries, unless `options.ownCount`: then the palette's count (JASC-PAL's count line
// and that many lines; ACT with its 772-byte trailer, transparent index included). The other
// formats hold the palette's count (and a transparent index as alpha 0 where they hold alpha
// but no index: see HoldsIndexAsAlpha); a PNG picture shows each colour as a swatch of
// `options.swatch` pixels square. Throws std::invalid_argument for a format that is only read
// and std::out_of_range for a swatch size outside 1 to 64.
std::string Encode(PaletteFormat format, const PaletteData& palette,
                   const WriteOptions& options = {});

// Whether `palette`'s transparent index, which `format` cannot hold (written with its own
// count or not), is written as its entry's alpha 0 because the format holds alpha.
bool HoldsIndexAsAlpha(PaletteFormat format, const PaletteData& palette, bool ownCount) noexcept;

// A file name's extension without the dot, as a file dialog reports it: "pal" for
// "sky.pal", empty for "sky" and for "sky.".
NativeString ExtensionOf(const std::filesystem::path& path);

// Load and Save as: the first format the window program offers (FormatInfo::offered) with
// the extension `ext`, in any letter case ("act" ACT, "gpl" GIMP, "hex" Lospec, "aco"
// Photoshop swatches, "ase" Adobe swatch exchange); every other extension, or none, JASC-PAL.
PaletteFormat FormatForExtension(const NativeString& ext) noexcept;

enum class DialogUse { Load, SaveAs };

// The filter of the window program's Load or Save as dialog, as window::FileDialog takes it
// ("Text (*.txt)|*.txt|...|All files (*.*)|*.*||"): an entry for each format of `formats`
// the window program offers, in their order, its patterns those of its extensions ("*.gpl");
// the formats of one group share the entry where the first of them stands, their patterns
// gathered in it ("Pictures (*.png;*.gif)|*.png;*.gif"). Save as leaves out the formats that
// are only read. "All files" comes last.
std::string FileDialogFilter(DialogUse use, std::span<const FormatInfo> formats = kFormats);

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
