#include "varnel/format.h"

#include <algorithm>

namespace varnel {
namespace {

using Char = NativeString::value_type;

constexpr Char FoldAscii(Char c) noexcept {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

// True when `text` equals the upper-case `word` in any letter case (ASCII letters fold,
// nothing else does).
template <class Text>
bool IsWord(const Text& text, std::string_view word) noexcept {
  return std::equal(text.begin(), text.end(), word.begin(), word.end(), [](auto a, char b) {
    return FoldAscii(static_cast<Char>(a)) == static_cast<Char>(b);
  });
}

}  // namespace

std::optional<PaletteFormat> FormatNamed(std::string_view name) noexcept {
  if (IsWord(name, "ACT")) return PaletteFormat::Act;
  if (IsWord(name, "PAL")) return PaletteFormat::JascPal;
  return std::nullopt;
}

bool PaletteDecoder::Feed(std::string_view piece) noexcept {
  if (format_ == PaletteFormat::JascPal) return text_.Feed(piece);
  const std::size_t n = std::min(piece.size(), table_.size() - tableSize_);
  std::copy_n(piece.begin(), n, table_.begin() + static_cast<std::ptrdiff_t>(tableSize_));
  tableSize_ += n;
  return tableSize_ < table_.size();
}

Palette PaletteDecoder::Finish() noexcept {
  if (format_ == PaletteFormat::JascPal) return text_.Finish();
  return DecodeAct(std::string_view(table_.data(), tableSize_));
}

Palette Decode(PaletteFormat format, std::string_view bytes) noexcept {
  PaletteDecoder decoder(format);
  decoder.Feed(bytes);
  return decoder.Finish();
}

std::string Encode(PaletteFormat format, const Palette& palette) {
  return format == PaletteFormat::Act ? EncodeAct(palette) : EncodeJascPal(palette);
}

NativeString ExtensionOf(const std::filesystem::path& path) {
  const NativeString name = path.filename().native();
  const auto dot = name.rfind(Char('.'));
  return dot == NativeString::npos ? NativeString() : name.substr(dot + 1);
}

PaletteFormat FormatForExtension(const NativeString& ext) noexcept {
  return IsWord(ext, "ACT") ? PaletteFormat::Act : PaletteFormat::JascPal;
}

PaletteFormat ConvertFormat(const NativeString& ext) noexcept {
  return IsWord(ext, "PAL") ? PaletteFormat::Act : PaletteFormat::JascPal;
}

std::optional<std::filesystem::path> ConvertTarget(const std::filesystem::path& path,
                                                   const NativeString& ext) {
  const NativeString& full = path.native();
  if (full.empty()) return std::nullopt;
  // Cut the extension off and keep its dot; a name that has none gets one.
  NativeString target = full.substr(0, full.size() - std::min(ext.size(), full.size()));
  if (ext.empty() && target.back() != Char('.')) target += Char('.');
  const std::string_view written = ConvertFormat(ext) == PaletteFormat::Act ? "act" : "pal";
  target.append(written.begin(), written.end());
  return std::filesystem::path(std::move(target));
}

}  // namespace varnel
