#include "varnel/format.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#include "codecs.h"

namespace varnel {
namespace {

using Char = NativeString::value_type;

// What the first bytes announce: the format of the first row whose signature test passes
// (JASC-PAL's first line included), not asking those that need the whole file.
std::optional<PaletteFormat> Announced(std::string_view head) noexcept {
  for (std::size_t row = 0; row < kFormats.size(); ++row) {
    const FormatInfo& info = kFormats[row];
    if (info.signature && !info.wholeSignature && info.signature(head)) return PaletteFormat(row);
  }
  return std::nullopt;
}

// The kind of a file whose first bytes carry the signature of a file that holds no
// palette, or "". Asked only when no format's signature matched, so a kind that becomes a
// row of kFormats is read as that format.
std::string_view ForeignKind(std::string_view head) noexcept {
  struct Foreign {
    std::string_view signature, kind;
  };
  static constexpr Foreign kForeign[] = {
      {"PK\x03\x04", "a ZIP file"},
      {"PK\x05\x06", "a ZIP file"},
      {"<?xml", "an XML file"},
      {"%PDF-", "a PDF file"},
      {"\xFF\xD8\xFF", "a JPEG image"},
      {"RIFF", "a RIFF file"},  // of another form than "PAL ", which RIFF palettes take
      {"\x1F\x8B", "a gzip file"},
      {"7z\xBC\xAF\x27\x1C", "a 7-Zip file"},
      {"Rar!\x1A\x07", "a RAR file"},
      {"SQLite format 3", "an SQLite database"},
      {"\x7F"
       "ELF",
       "a program (ELF)"},
      {"MZ", "a Windows program"},
  };
  head = WithoutBom(head);
  for (const Foreign& foreign : kForeign) {
    // A RIFF signature cut short before its form type is no file of any kind.
    if (head.starts_with(foreign.signature) && (foreign.signature != "RIFF" || head.size() >= 12))
      return foreign.kind;
  }
  return {};
}

}  // namespace

std::optional<PaletteFormat> FormatNamed(std::string_view name) noexcept {
  for (std::size_t row = 0; row < kFormats.size(); ++row)
    if (SameLetters(name, kFormats[row].name)) return PaletteFormat(row);
  return std::nullopt;
}

PaletteDecoder PaletteDecoder::Sniffing(PaletteFormat fallback) noexcept {
  PaletteDecoder decoder(fallback);
  decoder.sniffing_ = true;
  return decoder;
}

PaletteDecoder PaletteDecoder::ForExtension(const NativeString& ext) noexcept {
  const PaletteFormat format = FormatForExtension(ext);
  return InfoOf(format).sniffed ? Sniffing(format) : PaletteDecoder(format);
}

// Settles the format once the bytes seen so far, or all of them when `complete`, tell it.
bool PaletteDecoder::Settle(bool complete) {
  const std::string_view head = bytes_;
  // A format whose first bytes only say the file may be one waits for the whole file.
  const bool whole = std::ranges::any_of(kFormats, [head](const FormatInfo& info) {
    return info.wholeSignature && info.signature && info.signature(head);
  });
  if (!complete && (head.size() < kSignatureSize || (whole && head.size() <= kMaxFileSize)))
    return false;
  std::optional<PaletteFormat> announced;
  for (std::size_t row = 0; row < kFormats.size() && !announced; ++row) {
    const FormatInfo& info = kFormats[row];
    const PaletteFormat format(row);
    // Some signatures only announce their format; a file the name reads as a whole-file
    // format is read as one whatever its bytes say: no need to check them twice.
    if (info.signature && !info.announces && info.signature(head) &&
        (!info.wholeSignature || (format != format_ && info.wholeSignature(head))))
      announced = format;
  }
  bySignature_ = announced.has_value();
  announced_ = announced ? announced : Announced(head);
  // A format with a signature of its own, which the file lacks, would refuse the file anyway:
  // better to say what the file is. (A ZIP or XML file may carry its own format's.)
  const FormatInfo& own = InfoOf(format_);
  if (!announced && own.signature &&
      !(own.signature(head) && (!own.wholeSignature || own.wholeSignature(head))))
    foreign_ = ForeignKind(head);
  format_ = announced.value_or(format_);
  sniffing_ = false;
  return true;
}

bool PaletteDecoder::Take(std::string_view piece) {
  const FormatInfo& info = InfoOf(format_);
  if (const FormatInfo::Streamer make = info.stream) {
    // A file known to be bad needs no more reading: Finish says why.
    try {
      if (!stream_) {
        stream_ = make();
        stream_->UsePrintProfile(profile_);
        const std::string seen = std::exchange(bytes_, {});
        streamWants_ = stream_->Feed(seen);
      }
      if (streamWants_ && !piece.empty()) streamWants_ = stream_->Feed(piece);
    } catch (const FormatError&) {
      streamError_ = std::current_exception();
      streamWants_ = false;
    }
    return streamWants_;
  }
  const std::size_t limit = info.bytesRead > 0 ? info.bytesRead : kMaxFileSize + 1;
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
  if (InfoOf(format_).stream) {
    Take({});
    if (streamError_) std::rethrow_exception(streamError_);
    return stream_->Finish();
  }
  // What a format collects (ACT's 768 bytes and a few more at least) holds every signature
  // a picture or a palette file has.
  if (!announced_) announced_ = Announced(bytes_);
  if (bytes_.size() > kMaxFileSize) throw FormatError("too large for a palette file (over 16 MiB)");
  return Decode(format_, bytes_);
}

PaletteData Decode(PaletteFormat format, std::string_view bytes) {
  // No file of any format is empty; a streamed format's reader says so in its own words
  // (a JASC-PAL text, that it holds no colours).
  const FormatInfo& info = InfoOf(format);
  if (bytes.empty() && !info.stream) throw FormatError("it is empty");
  return info.decode(bytes);
}

std::string Encode(PaletteFormat format, const PaletteData& palette, const WriteOptions& options) {
  const FormatInfo& info = InfoOf(format);
  if (!info.encode) throw std::invalid_argument(std::string(info.title) + " is only read");
  // A format that holds alpha but no transparent index keeps the index as its entry's alpha 0.
  if (HoldsIndexAsAlpha(format, palette, options.ownCount)) {
    PaletteData clear = palette;
    clear.alpha.resize(palette.count, 255);
    clear.alpha[*palette.transparent] = 0;
    clear.transparent.reset();
    return info.encode(clear, options);
  }
  return info.encode(palette, options);
}

bool HoldsIndexAsAlpha(PaletteFormat format, const PaletteData& palette, bool ownCount) noexcept {
  const FormatInfo& info = InfoOf(format);
  return palette.transparent && *palette.transparent < palette.count && info.alpha &&
         !IsKept(info.transparent, ownCount);
}

NativeString ExtensionOf(const std::filesystem::path& path) {
  const NativeString name = path.filename().native();
  const auto dot = name.rfind(Char('.'));
  return dot == NativeString::npos ? NativeString() : name.substr(dot + 1);
}

PaletteFormat FormatForExtension(const NativeString& ext) noexcept {
  for (std::size_t row = 0; row < kFormats.size(); ++row) {
    const FormatInfo& info = kFormats[row];
    if (info.offered() && std::ranges::any_of(info.extensions, [&ext](std::string_view own) {
          return !own.empty() && SameLetters(ext, own);
        }))
      return PaletteFormat(row);
  }
  return PaletteFormat::JascPal;
}

std::string FileDialogFilter(DialogUse use, std::span<const FormatInfo> formats) {
  struct Entry {
    std::string_view text;  // a group's name
    std::string patterns;
    bool group;
  };
  std::vector<Entry> entries;
  for (const FormatInfo& info : formats) {
    if (!info.offered() || (use == DialogUse::SaveAs && !info.encode)) continue;
    std::string patterns;
    for (const std::string_view ext : info.extensions)
      if (!ext.empty()) patterns.append(patterns.empty() ? "*." : ";*.").append(ext);
    if (!info.dialog.empty()) entries.push_back({info.dialog, patterns, false});
    if (info.dialogGroup.empty()) continue;
    const auto group = std::ranges::find_if(entries, [&info](const Entry& entry) {
      return entry.group && entry.text == info.dialogGroup;
    });
    if (group == entries.end())
      entries.push_back({info.dialogGroup, patterns, true});
    else
      group->patterns += ";" + patterns;
  }
  std::string filter;
  for (const Entry& entry : entries) {
    filter.append(entry.text);
    if (entry.group) filter += " (" + entry.patterns + ")";
    filter += "|" + entry.patterns + "|";
  }
  return filter + "All files (*.*)|*.*||";
}

PaletteFormat ConvertFormat(const NativeString& ext) noexcept {
  return SameLetters(ext, "PAL") ? PaletteFormat::Act : PaletteFormat::JascPal;
}

std::optional<std::filesystem::path> ConvertTarget(const std::filesystem::path& path,
                                                   const NativeString& ext, PaletteFormat written) {
  const NativeString& full = path.native();
  if (full.empty()) return std::nullopt;
  // Cut the extension off and keep its dot; a name that has none gets one.
  NativeString target = full.substr(0, full.size() - std::min(ext.size(), full.size()));
  if (ext.empty() && target.back() != Char('.')) target += Char('.');
  const std::string_view extension = InfoOf(written).extension();
  target.append(extension.begin(), extension.end());
  return std::filesystem::path(std::move(target));
}

}  // namespace varnel
