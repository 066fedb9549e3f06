#include "varnel/format.h"

#include <algorithm>
#include <cstdint>

#include "codecs.h"

namespace varnel {
namespace {

using Char = NativeString::value_type;

constexpr Char FoldAscii(Char c) noexcept {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

// True when `text` equals `word` in any letter case (ASCII letters fold, nothing else does).
template <class Text>
bool IsWord(const Text& text, std::string_view word) noexcept {
  return std::equal(text.begin(), text.end(), word.begin(), word.end(), [](auto a, char b) {
    return FoldAscii(static_cast<Char>(a)) == FoldAscii(static_cast<Char>(b));
  });
}

bool StartsWithWord(std::string_view text, std::string_view word) noexcept {
  return text.size() >= word.size() && IsWord(text.substr(0, word.size()), word);
}

// How many first bytes settle every signature but that of Photoshop swatches.
constexpr std::size_t kSignatureSize = 32;

// The format the first bytes of a file announce, if any.
std::optional<PaletteFormat> Signature(std::string_view head) noexcept {
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  if (head.starts_with("GIMP Palette")) return PaletteFormat::Gpl;
  if (head.starts_with("ASEF")) return PaletteFormat::Ase;
  if (head.starts_with("RIFF") && head.size() >= 12 && head.substr(8, 4) == "PAL ")
    return PaletteFormat::Riff;
  if (head.starts_with(';')) {
    head.remove_prefix(std::min(head.find_first_not_of(" \t", 1), head.size()));
    if (StartsWithWord(head, "paint.net")) return PaletteFormat::PaintNet;
  }
  return std::nullopt;
}

// What the first bytes announce, JASC-PAL's first line included.
std::optional<PaletteFormat> Announced(std::string_view head) noexcept {
  if (const auto format = Signature(head)) return format;
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  if (head.starts_with("JASC-PAL")) return PaletteFormat::JascPal;
  return std::nullopt;
}

// The kind of a file whose first bytes carry the signature of a file that holds no
// palette, or "".
std::string_view ForeignKind(std::string_view head) noexcept {
  struct Foreign {
    std::string_view signature, kind;
  };
  static constexpr Foreign kForeign[] = {
      {"PK\x03\x04", "a ZIP file"},
      {"PK\x05\x06", "a ZIP file"},
      {"<?xml", "an XML file"},
      {"%PDF-", "a PDF file"},
      {"\x89PNG\r\n\x1A\n", "a PNG image"},
      {"GIF87a", "a GIF image"},
      {"GIF89a", "a GIF image"},
      {"\xFF\xD8\xFF", "a JPEG image"},
      {"RIFF", "a RIFF file"},  // of another form than "PAL ", which Signature takes
      {"\x1F\x8B", "a gzip file"},
      {"7z\xBC\xAF\x27\x1C", "a 7-Zip file"},
      {"Rar!\x1A\x07", "a RAR file"},
      {"SQLite format 3", "an SQLite database"},
      {"\x7F"
       "ELF",
       "a program (ELF)"},
      {"MZ", "a Windows program"},
  };
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  for (const Foreign& foreign : kForeign) {
    // A RIFF signature cut short before its form type is no file of any kind.
    if (head.starts_with(foreign.signature) && (foreign.signature != "RIFF" || head.size() >= 12))
      return foreign.kind;
  }
  return {};
}

}  // namespace

std::optional<PaletteFormat> FormatNamed(std::string_view name) noexcept {
  for (const FormatInfo& info : kFormats)
    if (IsWord(name, info.name)) return info.format;
  return std::nullopt;
}

std::size_t NameUnits(PaletteFormat format) noexcept {
  switch (format) {
    case PaletteFormat::Gpl:
      return SIZE_MAX;  // a line of any length
    case PaletteFormat::Aco:
      return 0xFFFF'FFFE;  // a 32-bit count
    case PaletteFormat::Ase:
      return 0xFFFE;  // a 16-bit count
    default:
      return 0;
  }
}

PaletteDecoder PaletteDecoder::Sniffing(PaletteFormat fallback) noexcept {
  PaletteDecoder decoder(fallback);
  decoder.sniffing_ = true;
  return decoder;
}

PaletteDecoder PaletteDecoder::ForExtension(const NativeString& ext) noexcept {
  const PaletteFormat format = FormatForExtension(ext);
  return format == PaletteFormat::Act ? PaletteDecoder(format) : Sniffing(format);
}

// Settles the format once the bytes seen so far, or all of them when `complete`, tell it.
bool PaletteDecoder::Settle(bool complete) {
  const std::string_view head = bytes_;
  const bool acoVersion = head.size() >= 2 && head[0] == 0 && (head[1] == 1 || head[1] == 2);
  if (!complete && (head.size() < kSignatureSize || (acoVersion && head.size() <= kMaxFileSize)))
    return false;
  // A file named .aco is read as one whatever its bytes say: no need to check them twice.
  const auto announced = !acoVersion ? Signature(head)
                         : format_ != PaletteFormat::Aco && LooksLikeAco(head)
                             ? std::optional(PaletteFormat::Aco)
                             : std::nullopt;
  bySignature_ = announced.has_value();
  announced_ = acoVersion ? announced : Announced(head);
  if (!announced && format_ == PaletteFormat::JascPal) foreign_ = ForeignKind(head);
  format_ = announced.value_or(format_);
  sniffing_ = false;
  // Every format but JASC-PAL goes on collecting where sniffing left off.
  if (format_ == PaletteFormat::JascPal) {
    const std::string seen = std::move(bytes_);
    bytes_.clear();
    text_.Feed(seen);
  }
  return true;
}

bool PaletteDecoder::Take(std::string_view piece) {
  if (format_ == PaletteFormat::JascPal) return text_.Feed(piece);
  // ACT needs a byte past its trailer to know the file is longer than one.
  const std::size_t limit = format_ == PaletteFormat::Act ? kActSize + 5 : kMaxFileSize + 1;
  bytes_.append(piece.substr(0, limit - std::min(limit, bytes_.size())));
  return bytes_.size() < limit;
}

bool PaletteDecoder::Feed(std::string_view piece) {
  if (!sniffing_) return Take(piece);
  bytes_.append(piece);
  return !Settle(false) || (foreign_.empty() && Take({}));
}

PaletteData PaletteDecoder::Finish() {
  if (sniffing_) Settle(true);
  if (!foreign_.empty()) throw NotAPaletteError(foreign_);
  if (format_ == PaletteFormat::JascPal) {
    PaletteData data(text_.Finish());
    data.count = ColorCount(text_.Count());
    if (text_.ColorLines() > data.count) data.colorLines = text_.ColorLines();
    return data;
  }
  if (!announced_) announced_ = Announced(std::string_view(bytes_).substr(0, kSignatureSize));
  if (bytes_.size() > kMaxFileSize) throw FormatError("too large for a palette file (over 16 MiB)");
  return Decode(format_, bytes_);
}

PaletteData Decode(PaletteFormat format, std::string_view bytes) {
  switch (format) {
    case PaletteFormat::JascPal:
      break;
    case PaletteFormat::Act:
      return DecodeActFile(bytes);
    case PaletteFormat::Gpl:
      return DecodeGpl(bytes);
    case PaletteFormat::Hex:
      return DecodeHex(bytes);
    case PaletteFormat::PaintNet:
      return DecodePaintNet(bytes);
    case PaletteFormat::Riff:
      return DecodeRiff(bytes);
    case PaletteFormat::Aco:
      return DecodeAco(bytes);
    case PaletteFormat::Ase:
      return DecodeAse(bytes);
    case PaletteFormat::Raw:
      return DecodeRaw(bytes);
  }
  PaletteDecoder decoder(format);
  decoder.Feed(bytes);
  return decoder.Finish();
}

std::string Encode(PaletteFormat format, const PaletteData& palette, bool ownCount) {
  switch (format) {
    case PaletteFormat::JascPal:
      return ownCount ? EncodeJascPal(palette.colors, palette.count)
                      : EncodeJascPal(palette.colors);
    case PaletteFormat::Act:
      return ownCount ? EncodeAct(palette.colors) + EncodeActTrailer(palette)
                      : EncodeAct(palette.colors);
    case PaletteFormat::Gpl:
      return EncodeGpl(palette);
    case PaletteFormat::Hex:
      return EncodeHex(palette);
    case PaletteFormat::PaintNet:
      return EncodePaintNet(palette);
    case PaletteFormat::Riff:
      return EncodeRiff(palette);
    case PaletteFormat::Aco:
      return EncodeAco(palette);
    case PaletteFormat::Ase:
      return EncodeAse(palette);
    case PaletteFormat::Raw:
      return EncodeRaw(palette);
  }
  return {};
}

NativeString ExtensionOf(const std::filesystem::path& path) {
  const NativeString name = path.filename().native();
  const auto dot = name.rfind(Char('.'));
  return dot == NativeString::npos ? NativeString() : name.substr(dot + 1);
}

PaletteFormat FormatForExtension(const NativeString& ext) noexcept {
  for (const PaletteFormat format : {PaletteFormat::Act, PaletteFormat::Gpl, PaletteFormat::Hex,
                                     PaletteFormat::Aco, PaletteFormat::Ase})
    if (IsWord(ext, InfoOf(format).extension)) return format;
  return PaletteFormat::JascPal;
}

PaletteFormat ConvertFormat(const NativeString& ext) noexcept {
  return IsWord(ext, "PAL") ? PaletteFormat::Act : PaletteFormat::JascPal;
}

std::optional<std::filesystem::path> ConvertTarget(const std::filesystem::path& path,
                                                   const NativeString& ext, PaletteFormat written) {
  const NativeString& full = path.native();
  if (full.empty()) return std::nullopt;
  // Cut the extension off and keep its dot; a name that has none gets one.
  NativeString target = full.substr(0, full.size() - std::min(ext.size(), full.size()));
  if (ext.empty() && target.back() != Char('.')) target += Char('.');
  const std::string_view extension = InfoOf(written).extension;
  target.append(extension.begin(), extension.end());
  return std::filesystem::path(std::move(target));
}

}  // namespace varnel
