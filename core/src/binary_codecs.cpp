// The binary formats: ACT's trailer, RIFF palettes and raw triplets.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <stdexcept>

#include "bytes.h"
#include "codecs.h"
#include "varnel/utf.h"

namespace varnel {

PaletteData DecodeActFile(std::string_view bytes) noexcept {
  PaletteData data(DecodeAct(bytes));
  if (bytes.size() == kActSize + 4) {
    ByteReader trailer(bytes.substr(kActSize));
    const std::uint32_t count = trailer.U16(), transparent = trailer.U16();
    if (count >= 1 && count <= kPaletteSize) data.count = ColorCount(count);
    if (transparent < kPaletteSize) data.transparent = static_cast<std::uint8_t>(transparent);
  }
  return data;
}

std::string EncodeActFile(const PaletteData& palette, const WriteOptions& options) {
  if (!options.ownCount) return EncodeAct(palette.colors);
  return EncodeAct(palette.colors) + ByteWriter{}
                                         .U16(static_cast<std::uint32_t>(palette.count))
                                         .U16(palette.transparent ? *palette.transparent : 0xFFFFu)
                                         .out;
}

namespace {

bool IsRiffPalette(std::string_view bytes) noexcept {
  return bytes.starts_with("RIFF") && bytes.size() >= 12 && bytes.substr(8, 4) == "PAL ";
}

}  // namespace

// After a UTF-8 byte-order mark too, as every signature has always been looked for.
bool LooksLikeRiff(std::string_view bytes) noexcept { return IsRiffPalette(WithoutBom(bytes)); }

// RIFF: "RIFF" size "PAL ", then chunks; the "data" chunk holds version, count and entries
// of red, green, blue and flags. Little-endian.
PaletteData DecodeRiff(std::string_view bytes) {
  ByteReader riff(bytes, Endian::Little);
  if (!IsRiffPalette(bytes))
    throw FormatError("it does not start with \"RIFF\" and the form type \"PAL \"");
  riff.Bytes(12);
  while (riff.left() > 0) {
    const std::string_view id = riff.Bytes(4);
    const std::uint32_t size = riff.U32();
    if (size > riff.left())
      throw FormatError("its \"" + std::string(id) + "\" chunk runs past the end of the file");
    ByteReader chunk(riff.Bytes(size), Endian::Little);
    if (riff.left() > 0 && size % 2 == 1) riff.Bytes(1);
    if (id != "data") continue;
    chunk.U16();  // the version, 0x0300 in every file known
    const std::uint32_t count = chunk.U16();
    if (4 + 4 * std::size_t{count} > size)
      throw FormatError("its colour count " + std::to_string(count) +
                        " does not fit its data chunk");
    ColorList list;
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::string_view e = chunk.Bytes(4);
      list.Add(MakeColor(e[0], e[1], e[2]));
    }
    return list.Finish();
  }
  throw FormatError("it has no \"data\" chunk");
}

std::string EncodeRiff(const PaletteData& palette) {
  const std::size_t count = palette.count;
  ByteWriter w;
  w.endian = Endian::Little;
  w.out = "RIFF";
  w.Length(16 + 4 * count, 4).out += "PAL data";
  w.Length(4 + 4 * count, 4).U16(0x0300).Length(count, 2);
  for (std::size_t i = 0; i < count; ++i) {
    const COLORREF c = palette.colors[i];
    w.Number(RedOf(c), 1).Number(GreenOf(c), 1).Number(BlueOf(c), 1).Number(0, 1);
  }
  return w.out;
}

PaletteData DecodeRaw(std::string_view bytes) {
  ColorList list;
  for (std::size_t i = 0; i + 3 <= bytes.size(); i += 3)
    list.Add(MakeColor(bytes[i], bytes[i + 1], bytes[i + 2]));
  return list.Finish();
}

std::string EncodeRaw(const PaletteData& palette) {
  return EncodeAct(palette.colors).substr(0, 3 * palette.count);
}

}  // namespace varnel
