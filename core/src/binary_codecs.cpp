// The binary formats: ACT's trailer, RIFF palettes, Photoshop swatches, Adobe swatch
// exchange files and raw triplets.
#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>

#include "bytes.h"
#include "codecs.h"
#include "varnel/utf.h"

namespace varnel {
namespace {

// Colour i's name as UTF-16, cut at a character boundary to what `format` holds.
std::u16string NameOf(const PaletteData& palette, std::size_t i, PaletteFormat format) {
  if (i >= palette.names.size()) return {};
  return Utf16FromUtf8(Utf8Prefix(palette.names[i], InfoOf(format).nameUnits()));
}

// A colour component from a fraction, rounded and held to 0..255.
int Component(double fraction) noexcept {
  if (!(fraction >= 0.0)) return 0;  // NaN too
  return static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * 255.0));
}

// HSB as Photoshop stores it: hue 0..65535 for a full turn, the others 0..65535.
COLORREF FromHsb(std::uint32_t hue, std::uint32_t saturation, std::uint32_t brightness) noexcept {
  const double h = hue / 65536.0 * 6.0, s = saturation / 65535.0, v = brightness / 65535.0;
  const int sector = static_cast<int>(h) % 6;
  const double f = h - std::floor(h), p = v * (1 - s), q = v * (1 - s * f),
               t = v * (1 - s * (1 - f));
  const double rgb[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
  return MakeColor(Component(rgb[sector][0]), Component(rgb[sector][1]), Component(rgb[sector][2]));
}

[[noreturn]] void Unconvertible(std::size_t index, std::string_view space) {
  throw FormatError("colour " + std::to_string(index + 1) + " is " + std::string(space) +
                    ", which cannot be converted to RGB exactly; export the swatches as RGB");
}

}  // namespace

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

namespace {

// One section of Photoshop swatches: version (1, or 2 with names), count, colours.
struct AcoColor {
  std::uint32_t space, w, x, y;
  std::string name;
};

std::vector<AcoColor> ReadAcoSection(ByteReader& in, std::uint32_t version) {
  const std::size_t count = in.U16();
  if (count * 10 > in.left()) throw FormatError("it ends too early");
  std::vector<AcoColor> colors(count);
  for (AcoColor& color : colors) {
    color = {in.U16(), in.U16(), in.U16(), in.U16(), {}};
    in.U16();
    if (version == 2) color.name = in.Utf16(in.Number(InfoOf(PaletteFormat::Aco).nameField));
  }
  return colors;
}

// The colours of the last section, the one with names where a file holds both.
std::vector<AcoColor> ReadAco(std::string_view bytes, bool whole) {
  ByteReader in(bytes);
  std::vector<AcoColor> colors;
  do {
    const std::uint32_t version = in.U16();
    if (version != 1 && version != 2)
      throw FormatError("its version " + std::to_string(version) + " is not 1 or 2");
    colors = ReadAcoSection(in, version);
  } while (in.left() >= 4 &&
           (whole || ByteReader(bytes.substr(bytes.size() - in.left())).U16() == 2));
  if (whole && in.left() > 0) throw FormatError("it has bytes after its last section");
  return colors;
}

}  // namespace

bool HasAcoVersion(std::string_view bytes) noexcept {
  return bytes.size() >= 2 && bytes[0] == 0 && (bytes[1] == 1 || bytes[1] == 2);
}

bool LooksLikeAco(std::string_view bytes) noexcept {
  try {
    return !ReadAco(bytes, true).empty();
  } catch (const FormatError&) {
    return false;
  }
}

PaletteData DecodeAco(std::string_view bytes) {
  ColorList list;
  const std::vector<AcoColor> colors = ReadAco(bytes, false);
  for (std::size_t i = 0; i < colors.size(); ++i) {
    const AcoColor& c = colors[i];
    COLORREF color = 0;
    switch (c.space) {
      case 0:
        color = MakeColor(static_cast<int>(c.w >> 8), static_cast<int>(c.x >> 8),
                          static_cast<int>(c.y >> 8));
        break;
      case 1:
        color = FromHsb(c.w, c.x, c.y);
        break;
      case 8: {
        // 0 is white, 10000 black; rounded half up, in integers so that 178.5 stays a half.
        const int grey = static_cast<int>(((10000 - std::min(c.w, 10000u)) * 510 + 10000) / 20000);
        color = MakeColor(grey, grey, grey);
        break;
      }
      case 2:
        Unconvertible(i, "CMYK");
      case 7:
        Unconvertible(i, "Lab");
      default:
        Unconvertible(i, "in colour space " + std::to_string(c.space));
    }
    list.Add(color, c.name);
  }
  return list.Finish();
}

std::string EncodeAco(const PaletteData& palette) {
  ByteWriter w;
  for (const std::uint32_t version : {1u, 2u}) {
    w.U16(version).Length(palette.count, 2);
    for (std::size_t i = 0; i < palette.count; ++i) {
      const COLORREF c = palette.colors[i];
      w.U16(0).U16(RedOf(c) * 257u).U16(GreenOf(c) * 257u).U16(BlueOf(c) * 257u).U16(0);
      if (version == 2)
        w.Utf16(NameOf(palette, i, PaletteFormat::Aco), InfoOf(PaletteFormat::Aco).nameField);
    }
  }
  return w.out;
}

// After a UTF-8 byte-order mark too, as every signature has always been looked for.
bool LooksLikeAse(std::string_view bytes) noexcept { return WithoutBom(bytes).starts_with("ASEF"); }

// Adobe swatch exchange: "ASEF" 1.0, then blocks of colours and groups. Big-endian.
PaletteData DecodeAse(std::string_view bytes) {
  if (!bytes.starts_with("ASEF")) throw FormatError("it does not start with \"ASEF\"");
  ByteReader in(bytes);
  in.Bytes(4);
  // Version 1.0 in every file Adobe writes; others write 0.1, and readers take both: the
  // blocks tell whether the file can be read.
  in.U16();
  in.U16();
  ColorList list;
  for (std::uint32_t blocks = in.U32(); blocks > 0 && in.left() > 0; --blocks) {
    const std::uint32_t type = in.U16();
    ByteReader block(in.Bytes(in.U32()));
    if (type != 0x0001) continue;  // groups only gather colours
    std::string name = block.Utf16(block.Number(InfoOf(PaletteFormat::Ase).nameField));
    const std::string_view model = block.Bytes(4);
    const std::size_t index = list.size();
    if (model == "RGB ") {
      const double r = block.F32(), g = block.F32(), b = block.F32();
      list.Add(MakeColor(Component(r), Component(g), Component(b)), name);
    } else if (model == "Gray") {
      const int grey = Component(block.F32());
      list.Add(MakeColor(grey, grey, grey), name);
    } else {
      Unconvertible(index, model == "CMYK"   ? "CMYK"
                           : model == "LAB " ? "Lab"
                                             : "in an unknown colour model");
    }
  }
  return list.Finish();
}

std::string EncodeAse(const PaletteData& palette) {
  ByteWriter w;
  w.out = "ASEF";
  w.U16(1).U16(0).Length(palette.count, 4);
  for (std::size_t i = 0; i < palette.count; ++i) {
    const std::u16string name = NameOf(palette, i, PaletteFormat::Ase);
    const COLORREF c = palette.colors[i];
    const std::size_t field = InfoOf(PaletteFormat::Ase).nameField;
    w.U16(0x0001).Length(field + 2 * (name.size() + 1) + 4 + 12 + 2, 4).Utf16(name, field);
    w.out += "RGB ";
    w.F32(RedOf(c) / 255.0f).F32(GreenOf(c) / 255.0f).F32(BlueOf(c) / 255.0f).U16(2);
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
