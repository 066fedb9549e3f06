// kFormats: every palette file format, one row each. palconv's --help, --from and --to, the
// window program's dialogs and extension rule, sniffing, the installer's Open With list (by
// a test), docs/formats.md's table (by a test), the fuzz target and the format corpus are
// made from these rows. See FormatInfo for what each field means.
#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <iterator>

#include "codecs.h"
#include "xml.h"

namespace varnel {

// The codecs, a set per format in the order of the rows below, each defined in its codec file
// (src/*_codec.cpp, src/*_codecs.cpp): a decoder (throws FormatError) or a StreamDecoder, an
// encoder and, where the format has one, a signature test of a file's first bytes as they are
// (see FormatInfo).

// JASC-PAL through JascPalDecoder, in constant memory: the table, its count line and, where
// there are more, the colour lines; refused when no line gives a colour. LooksLikeJascPal: a
// first line "JASC-PAL", which announces the format but never chooses it.
bool LooksLikeJascPal(std::string_view bytes) noexcept;
std::unique_ptr<StreamDecoder> JascPalStream();
std::string EncodeJascPalFile(const PaletteData& palette, const WriteOptions& options);

// ACT: the table as DecodeAct reads it; a file of exactly 772 bytes adds its trailer, the
// colour count and the transparent index (big-endian; 0xFFFF for none), and `ownCount`
// writes one.
PaletteData DecodeActFile(std::string_view bytes) noexcept;
std::string EncodeActFile(const PaletteData& palette, const WriteOptions& options);

bool LooksLikeGpl(std::string_view bytes) noexcept;
PaletteData DecodeGpl(std::string_view text);
std::string EncodeGpl(const PaletteData& palette);

PaletteData DecodeHex(std::string_view text);
std::string EncodeHex(const PaletteData& palette);

bool LooksLikePaintNet(std::string_view bytes) noexcept;
PaletteData DecodePaintNet(std::string_view text);
std::string EncodePaintNet(const PaletteData& palette);

bool LooksLikeRiff(std::string_view bytes) noexcept;
PaletteData DecodeRiff(std::string_view bytes);
std::string EncodeRiff(const PaletteData& palette);

// Photoshop swatches. HasAcoVersion: the first version word, which says only that the file
// may be one; LooksLikeAco: `bytes` are sections of them, end to end.
bool HasAcoVersion(std::string_view bytes) noexcept;
bool LooksLikeAco(std::string_view bytes) noexcept;
PaletteData DecodeAco(std::string_view bytes);
std::string EncodeAco(const PaletteData& palette);

bool LooksLikeAse(std::string_view bytes) noexcept;
PaletteData DecodeAse(std::string_view bytes);
std::string EncodeAse(const PaletteData& palette);

// The ZIP palettes, through minizip (zip.h). LooksLikeZip: a ZIP's first local header, after
// which the entries decide: LooksLikeKpl, a mimetype entry that names a Krita palette;
// LooksLikeSwatches, a Swatches.json. Another ZIP is refused as "a ZIP file".
bool LooksLikeZip(std::string_view bytes) noexcept;
bool LooksLikeKpl(std::string_view bytes) noexcept;
PaletteData DecodeKpl(std::string_view bytes);
std::string EncodeKpl(const PaletteData& palette);

// Procreate: the first palette of Swatches.json, its name and its HSB colours with alpha
// (through nlohmann-json, as the JSON palettes below); an empty place before the last colour
// is kept as fully transparent black. Written as one palette, in sRGB.
bool LooksLikeSwatches(std::string_view bytes) noexcept;
PaletteData DecodeSwatches(std::string_view bytes);
std::string EncodeSwatches(const PaletteData& palette);

// LibreOffice colour tables and Scribus swatch sets, XML through expat (xml.h). MayBeXml: a
// first "<", after which the root element decides (LooksLikeSoc, LooksLikeScribus). A
// document with another root is refused as "an XML file".
PaletteData DecodeSoc(std::string_view bytes);
bool LooksLikeSoc(std::string_view bytes) noexcept;
std::string EncodeSoc(const PaletteData& palette);

PaletteData DecodeScribus(std::string_view bytes);
bool LooksLikeScribus(std::string_view bytes) noexcept;
std::string EncodeScribus(const PaletteData& palette);
// Aseprite sprites, only read: the palette of the first frame, its chunk 0x2019 (names and
// alpha) or, where it has none, the old chunks 0x0004 and 0x0011; the header's transparent
// index for an indexed sprite; nothing decompressed. LooksLikeAseprite: the magic number
// A5E0 at offset 4 and a colour depth of 8, 16 or 32 bits.
bool LooksLikeAseprite(std::string_view bytes) noexcept;
PaletteData DecodeAseprite(std::string_view bytes);

// The JSON palettes (through nlohmann-json), each chosen for a .json file by its shape:
// LooksLikeJsonArray, a first "[" and then "{" or "]", chooses design tokens; LooksLikeJsonObject,
// a "{", says only that a file may be Sketch's or Lospec's, which the whole-file tests tell apart
// by its first member that tells (see docs/formats.md). Nesting deeper than 64, a number out of its
// range or a value of the wrong type is refused with its place ("colors[3].red is a string, not a
// number"). Sketch: colorAssets (names) where there are any, else colors, floats 0 to 1 (or
// "#rrggbb" strings before version 1.4); written in the plugin's version-2.0 layout, with
// colorAssets too where the palette has names. Lospec: the palette's name and colors as "rrggbb"
// strings. Design tokens: an array of {"name", "hex", "rgb", "alpha"}, alpha 0 to 1.
bool LooksLikeJsonObject(std::string_view bytes) noexcept;
bool LooksLikeJsonArray(std::string_view bytes) noexcept;
bool LooksLikeSketch(std::string_view bytes) noexcept;
PaletteData DecodeSketch(std::string_view text);
std::string EncodeSketch(const PaletteData& palette);
bool LooksLikeLospec(std::string_view bytes) noexcept;
PaletteData DecodeLospec(std::string_view text);
std::string EncodeLospec(const PaletteData& palette);
PaletteData DecodeDesignTokens(std::string_view text);
std::string EncodeDesignTokens(const PaletteData& palette);

// Style sheets: the custom properties (--name: value) of CSS and, in SCSS, Sass variables too
// ($name: value) that hold a colour (#rgb, #rgba, #rrggbb, #rrggbbaa, rgb(), rgba(), hsl(),
// hsla(), a named colour), in declaration order, their names kept; values meant as colours
// that are not read (var(), calc(), color-mix()) are skipped with a warning. Written as one
// :root rule, or as Sass variables, "#rrggbb" or rgba() with alpha, a colour without a name as
// "color-N" (its number from 1), other names escaped where CSS needs it.
PaletteData DecodeCss(std::string_view text);
std::string EncodeCss(const PaletteData& palette);
PaletteData DecodeScss(std::string_view text);
std::string EncodeScss(const PaletteData& palette);

PaletteData DecodeRaw(std::string_view bytes);
std::string EncodeRaw(const PaletteData& palette);

// Pictures, each read through a StreamDecoder (XStream), piece by piece with their pixels
// looked at as they come; LooksLikeX is true when `bytes` start as such a picture does. The
// palette has PaletteData::picture filled; pictures wider or taller than 16,384 pixels are
// refused before anything is taken for their pixels.
// PNG (png_codec.cpp, through libpng): an indexed picture's PLTE in order, every entry of it
// (more than its bit depth reaches included), its one fully transparent entry (if only one)
// the transparent index, other tRNS values alpha. Any other PNG, BMP of 16, 24 or 32 bits
// and PCX of 24: the distinct colours of the pixels in reading order (rows top to bottom,
// each left to right), fully transparent ones skipped, alpha kept; more than 256 are refused.
bool LooksLikePng(std::string_view bytes) noexcept;
std::unique_ptr<StreamDecoder> PngStream();
// An indexed PNG: PLTE the palette's own count of colours, tRNS its transparent index and
// alpha, the pixels one row of swatches, `swatch` × `swatch` pixels each (1 to 64), in
// order, so that reading the pixels gives the palette too, as long as no colour repeats.
// Throws std::out_of_range for another `swatch`.
std::string EncodePng(const PaletteData& palette, int swatch);
// GIF 87a and 89a: the first image's local colour table, which its pixels index, else the
// global one; the transparent index of the first graphic control extension before it.
bool LooksLikeGif(std::string_view bytes) noexcept;
std::unique_ptr<StreamDecoder> GifStream();
// BMP of 1, 4 or 8 bits: the colour table (its used count, else 2^bits entries).
bool LooksLikeBmp(std::string_view bytes) noexcept;
std::unique_ptr<StreamDecoder> BmpStream();
// PCX of 8 bits: the 256 colours after the 0x0C at its end; of 4 bits in one plane or 1 bit
// in 2 to 4 planes: the 16, 4 or 8 first colours of its header; of 3 planes of 8 bits: the
// distinct colours of its pixels.
bool LooksLikePcx(std::string_view bytes) noexcept;
std::unique_ptr<StreamDecoder> PcxStream();
// JPEG (jpeg_codec.cpp, through libjpeg-turbo), baseline or progressive: the colours of its
// pixels as of a true-colour PNG; CMYK ones (Adobe's inverted inks read as such) through the
// default print profile, said in a warning, as is data libjpeg found damaged; a file cut
// short is refused.
bool LooksLikeJpeg(std::string_view bytes) noexcept;
std::unique_ptr<StreamDecoder> JpegStream();

namespace {

// An encoder for a format that always holds the palette's own count, so --keep-count
// changes nothing.
template <std::string (*encode)(const PaletteData&)>
std::string AlwaysOwnCount(const PaletteData& palette, const WriteOptions&) {
  return encode(palette);
}

std::string EncodePngFile(const PaletteData& palette, const WriteOptions& options) {
  return EncodePng(palette, options.swatch);
}

constexpr std::uint8_t Models(std::initializer_list<ColorModel> models) {
  std::uint8_t set = 0;
  for (const ColorModel model : models)
    set |= static_cast<std::uint8_t>(1u << static_cast<unsigned>(model));
  return set;
}

// A row's fields a group a line: what it is, what it holds, how it is recognised, how it is
// read and written, and how the window program offers it.
constexpr FormatInfo kRows[] = {
    {.name = "pal", .extensions = {"pal"}, .title = "JASC-PAL text",
     .help = "JASC-PAL text, 256 entries",
     .ownCount = Kept::WithKeepCount,
     .signature = LooksLikeJascPal, .announces = true,
     .decode = DecodeWhole<JascPalStream>, .encode = EncodeJascPalFile, .stream = JascPalStream,
     .dialog = "Jasc Psp Pallete (*.Pal)", .openWith = true},
    {.name = "act", .extensions = {"act"}, .title = "ACT colour table",
     .help = "ACT colour table, 768 bytes",
     .ownCount = Kept::WithKeepCount, .transparent = Kept::WithKeepCount,
     .sniffed = false,
     .decode = DecodeActFile, .encode = EncodeActFile,
     // the trailer, and a byte that says the file is longer
     .bytesRead = kActSize + 4 + 1,
     .dialog = "Adobe Photoshop Pallete (*.Act)", .openWith = true},
    {.name = "gpl", .extensions = {"gpl"}, .title = "GIMP palette",
     .nameField = FormatInfo::kNameLine, .alpha = true, .paletteName = true,
     // as GIMP names one
     .nameFromFile = true,
     .signature = LooksLikeGpl,
     .decode = DecodeGpl, .encode = AlwaysOwnCount<EncodeGpl>,
     .dialog = "GIMP Palette (*.gpl)", .openWith = true},
    {.name = "hex", .extensions = {"hex"}, .title = "Lospec hex list",
     .help = "Lospec hex list, rrggbb a line",
     .decode = DecodeHex, .encode = AlwaysOwnCount<EncodeHex>,
     .dialog = "Lospec Hex Palette (*.hex)", .openWith = true},
    {.name = "paintnet", .extensions = {"txt"}, .title = "Paint.NET palette",
     .help = "Paint.NET palette, aarrggbb a line",
     .alpha = true, .shownBy = "Paint.NET", .shown = 96,
     .signature = LooksLikePaintNet,
     .decode = DecodePaintNet, .encode = AlwaysOwnCount<EncodePaintNet>},
    {.name = "riff", .extensions = {"pal"}, .title = "RIFF palette",
     .signature = LooksLikeRiff,
     .decode = DecodeRiff, .encode = AlwaysOwnCount<EncodeRiff>},
    {.name = "aco", .extensions = {"aco"}, .title = "Photoshop swatches",
     .nameField = 4,
     .models = Models({ColorModel::Rgb, ColorModel::Hsb, ColorModel::Cmyk, ColorModel::Lab,
                       ColorModel::Grey}),
     .signature = HasAcoVersion, .wholeSignature = LooksLikeAco,
     .decode = DecodeAco, .encode = AlwaysOwnCount<EncodeAco>,
     .dialog = "Photoshop Swatches (*.aco)", .openWith = true},
    {.name = "ase", .extensions = {"ase"}, .title = "Adobe swatch exchange",
     .nameField = 2,
     .models = Models({ColorModel::Rgb, ColorModel::Cmyk, ColorModel::Lab, ColorModel::Grey}),
     .kinds = true,
     .signature = LooksLikeAse,
     .decode = DecodeAse, .encode = AlwaysOwnCount<EncodeAse>,
     .dialog = "Adobe Swatch Exchange (*.ase)", .openWith = true},
    {.name = "kpl", .extensions = {"kpl"}, .title = "Krita palette",
     .nameField = FormatInfo::kNameLine, .paletteName = true,
     .models = Models({ColorModel::Rgb, ColorModel::Cmyk, ColorModel::Lab, ColorModel::Grey}),
     .spot = true,
     .signature = LooksLikeZip, .wholeSignature = LooksLikeKpl,
     .decode = DecodeKpl, .encode = AlwaysOwnCount<EncodeKpl>,
     .dialog = "Krita Palette (*.kpl)", .openWith = true},
    {.name = "procreate", .extensions = {"swatches"}, .title = "Procreate swatches",
     .alpha = true, .paletteName = true,
     // Procreate shows every palette's name
     .nameFromFile = true, .shownBy = "Procreate", .shown = 30, .models = Models({ColorModel::Hsb}),
     .signature = LooksLikeZip, .wholeSignature = LooksLikeSwatches,
     .decode = DecodeSwatches, .encode = AlwaysOwnCount<EncodeSwatches>,
     .dialog = "Procreate Swatches (*.swatches)", .openWith = true},
    {.name = "soc", .extensions = {"soc"}, .title = "LibreOffice colour table",
     .nameField = FormatInfo::kNameLine,
     .signature = MayBeXml, .wholeSignature = LooksLikeSoc,
     .decode = DecodeSoc, .encode = AlwaysOwnCount<EncodeSoc>,
     .dialog = "LibreOffice Colour Table (*.soc)", .openWith = true},
    {.name = "scribus", .extensions = {"xml"}, .title = "Scribus swatches",
     .nameField = FormatInfo::kNameLine, .paletteName = true,
     .models = Models({ColorModel::Rgb, ColorModel::Cmyk, ColorModel::Lab}), .spot = true,
     .signature = MayBeXml, .wholeSignature = LooksLikeScribus,
     .decode = DecodeScribus, .encode = AlwaysOwnCount<EncodeScribus>,
     .dialog = "Scribus Swatches (*.xml)"},
    {.name = "aseprite", .extensions = {"aseprite", "ase"}, .title = "Aseprite sprite",
     .nameField = FormatInfo::kNameLine, .alpha = true,
     .signature = LooksLikeAseprite,
     .decode = DecodeAseprite,
     .dialog = "Aseprite Sprite (*.aseprite;*.ase)"},
    {.name = "sketch", .extensions = {"sketchpalette"}, .title = "Sketch palette",
     .nameField = FormatInfo::kNameLine, .alpha = true,
     .signature = LooksLikeJsonObject, .wholeSignature = LooksLikeSketch,
     .decode = DecodeSketch, .encode = AlwaysOwnCount<EncodeSketch>,
     .dialog = "Sketch Palette (*.sketchpalette)", .openWith = true},
    {.name = "json", .extensions = {"json"}, .title = "JSON design tokens",
     .nameField = FormatInfo::kNameLine, .alpha = true,
     .signature = LooksLikeJsonArray,
     .decode = DecodeDesignTokens, .encode = AlwaysOwnCount<EncodeDesignTokens>,
     .dialog = "JSON Design Tokens (*.json)"},
    {.name = "lospec", .extensions = {"json"}, .title = "Lospec JSON palette",
     .paletteName = true,
     .signature = LooksLikeJsonObject, .wholeSignature = LooksLikeLospec,
     .decode = DecodeLospec, .encode = AlwaysOwnCount<EncodeLospec>,
     .dialog = "Lospec JSON Palette (*.json)"},
    {.name = "css", .extensions = {"css"}, .title = "CSS custom properties",
     .nameField = FormatInfo::kNameLine, .alpha = true,
     .decode = DecodeCss, .encode = AlwaysOwnCount<EncodeCss>,
     .dialog = "CSS Style Sheet (*.css)"},
    {.name = "scss", .extensions = {"scss"}, .title = "SCSS variables",
     .nameField = FormatInfo::kNameLine, .alpha = true,
     .decode = DecodeScss, .encode = AlwaysOwnCount<EncodeScss>,
     .dialog = "Sass Style Sheet (*.scss)"},
    {.name = "raw", .extensions = {"raw"}, .title = "raw RGB triplets",
     .help = "R G B bytes, any number of colours",
     .decode = DecodeRaw, .encode = AlwaysOwnCount<EncodeRaw>},
    {.name = "png", .extensions = {"png"}, .title = "PNG picture",
     .help = "PNG picture, a strip of swatches",
     .alpha = true, .transparent = Kept::Always,
     .signature = LooksLikePng,
     .decode = DecodeWhole<PngStream>, .encode = EncodePngFile, .stream = PngStream,
     .dialogGroup = "Pictures"},
    {.name = "gif", .extensions = {"gif"}, .title = "GIF picture",
     .signature = LooksLikeGif,
     .decode = DecodeWhole<GifStream>, .stream = GifStream,
     .dialogGroup = "Pictures"},
    {.name = "bmp", .extensions = {"bmp"}, .title = "BMP picture",
     .signature = LooksLikeBmp,
     .decode = DecodeWhole<BmpStream>, .stream = BmpStream,
     .dialogGroup = "Pictures"},
    {.name = "pcx", .extensions = {"pcx"}, .title = "PCX picture",
     .signature = LooksLikePcx,
     .decode = DecodeWhole<PcxStream>, .stream = PcxStream,
     .dialogGroup = "Pictures"},
    {.name = "jpeg", .extensions = {"jpg", "jpeg"}, .title = "JPEG picture",
     .help = "JPEG photograph",
     .signature = LooksLikeJpeg,
     .decode = DecodeWhole<JpegStream>, .stream = JpegStream,
     .dialogGroup = "Pictures"},
};

// What every row must be: named, uniquely, with an extension in lower case; in Open With
// lists only where the dialogs offer it. (A row without a decoder fails to compile, with
// -Wmissing-field-initializers.)
consteval bool WellFormed() {
  for (std::size_t row = 0; row < std::size(kRows); ++row) {
    const FormatInfo& info = kRows[row];
    if (info.name.empty() || info.title.empty() || info.extension().empty() ||
        (info.openWith && !info.offered()))
      return false;
    for (const std::string_view& ext : info.extensions)  // GCC 12 copies none in a consteval
      if (std::ranges::any_of(ext, [](char c) { return c == '.' || (c >= 'A' && c <= 'Z'); }))
        return false;
    for (std::size_t other = 0; other < row; ++other)
      if (kRows[other].name == info.name) return false;
  }
  return std::size(kRows) <= 255;  // a PaletteFormat holds its row in a byte
}
static_assert(WellFormed(), "a row of kFormats lacks what every format needs");

// The format named `name`: a compile-time error for a name no row has.
consteval PaletteFormat Row(std::string_view name) {
  for (std::size_t row = 0; row < std::size(kRows); ++row)
    if (kRows[row].name == name) return PaletteFormat(row);
  throw "no row of kFormats has this name";
}

}  // namespace

constinit const std::span<const FormatInfo> kFormats(kRows);

constinit const PaletteFormat PaletteFormat::JascPal = Row("pal");
constinit const PaletteFormat PaletteFormat::Act = Row("act");
constinit const PaletteFormat PaletteFormat::Gpl = Row("gpl");
constinit const PaletteFormat PaletteFormat::PaintNet = Row("paintnet");
constinit const PaletteFormat PaletteFormat::Aco = Row("aco");
constinit const PaletteFormat PaletteFormat::Ase = Row("ase");

}  // namespace varnel
