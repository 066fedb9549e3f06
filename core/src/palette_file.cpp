#include "varnel/palette_file.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "varnel/act.h"
#include "varnel/file_io.h"
#include "varnel/jasc_pal.h"

namespace varnel {
namespace {

using Char = NativeString::value_type;

constexpr Char FoldAscii(Char c) noexcept {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}

NativeString Widen(std::string_view ascii) { return NativeString(ascii.begin(), ascii.end()); }

}  // namespace

NativeString ExtensionOf(const std::filesystem::path& path) {
  const NativeString name = path.filename().native();
  const auto dot = name.rfind(Char('.'));
  return dot == NativeString::npos ? NativeString() : name.substr(dot + 1);
}

bool ExtensionIs(const NativeString& ext, std::string_view word) noexcept {
  return std::equal(ext.begin(), ext.end(), word.begin(), word.end(), [](Char a, char b) {
    return FoldAscii(a) == FoldAscii(static_cast<Char>(static_cast<unsigned char>(b)));
  });
}

PaletteFormat FormatForExtension(const NativeString& ext) noexcept {
  return ExtensionIs(ext, "ACT") ? PaletteFormat::Act : PaletteFormat::JascPal;
}

PaletteFormat ConvertFormat(const NativeString& ext) noexcept {
  return ExtensionIs(ext, "PAL") ? PaletteFormat::Act : PaletteFormat::JascPal;
}

std::optional<std::filesystem::path> ConvertTarget(const std::filesystem::path& path,
                                                   const NativeString& ext) {
  const NativeString& full = path.native();
  if (full.empty()) return std::nullopt;
  // Cut the extension off and keep its dot; a name that has none gets one.
  NativeString target = full.substr(0, full.size() - std::min(ext.size(), full.size()));
  if (ext.empty() && target.back() != Char('.')) target += Char('.');
  target += Widen(ConvertFormat(ext) == PaletteFormat::Act ? "act" : "pal");
  return std::filesystem::path(std::move(target));
}

Palette ReadPaletteFile(const std::filesystem::path& path, PaletteFormat format) {
  if (format == PaletteFormat::Act) {
    std::string bytes;
    bytes.reserve(kActSize);
    ReadFileChunks(path, [&bytes](std::string_view chunk) {
      bytes.append(chunk.substr(0, kActSize - bytes.size()));
      return bytes.size() < kActSize;
    });
    return DecodeAct(bytes);
  }
  JascPalDecoder decoder;
  ReadFileChunks(path, [&decoder](std::string_view chunk) { return decoder.Feed(chunk); });
  return decoder.Finish();
}

void WritePaletteFile(const std::filesystem::path& path, const Palette& palette,
                      PaletteFormat format) {
  WriteFileAtomically(path,
                      format == PaletteFormat::Act ? EncodeAct(palette) : EncodeJascPal(palette));
}

}  // namespace varnel
