// The swatch formats: Photoshop swatches and Adobe swatch exchange files, each colour in the
// model and with the kind the file gives (see SourceColor).
#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "bytes.h"
#include "codecs.h"
#include "varnel/source_colors.h"
#include "varnel/utf.h"

namespace varnel {
namespace {

// Colour i's name as UTF-16, cut at a character boundary to what `format` holds.
std::u16string NameOf(const PaletteData& palette, std::size_t i, PaletteFormat format) {
  if (i >= palette.names.size()) return {};
  return Utf16FromUtf8(Utf8Prefix(palette.names[i], InfoOf(format).nameUnits()));
}

// One section of Photoshop swatches: version (1, or 2 with names), count, colours.
struct AcoColor {
  std::uint32_t space;
  std::array<std::uint32_t, 4> v;
  std::string name;
};

std::vector<AcoColor> ReadAcoSection(ByteReader& in, std::uint32_t version) {
  const std::size_t count = in.U16();
  if (count * 10 > in.left()) throw FormatError("it ends too early");
  std::vector<AcoColor> colors(count);
  for (AcoColor& color : colors) {
    color.space = in.U16();
    for (std::uint32_t& value : color.v) value = in.U16();
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

// Photoshop's colour spaces: the five it stores values of, and the colour books, whose
// entries hold a book's reference instead.
constexpr std::uint32_t kAcoRgb = 0, kAcoHsb = 1, kAcoCmyk = 2, kAcoLab = 7, kAcoGrey = 8;
std::string_view ColourBook(std::uint32_t space) noexcept {
  switch (space) {
    case 3:
      return "Pantone";
    case 4:
      return "Focoltone";
    case 5:
      return "Trumatch";
    case 6:
      return "Toyo";
    case 10:
      return "HKS";
    default:
      return {};
  }
}

// A signed 16-bit value.
double Signed(std::uint32_t value) noexcept { return static_cast<std::int16_t>(value); }

// Photoshop's values as the palette keeps them (see SourceColor): 16-bit fractions; CMYK with
// 0 for full ink; Lab with L in hundredths to 10000 and a, b in signed hundredths; grey as
// ink, 0 white to 10000 black. `held` counts values beyond their range.
SourceColor FromAco(const AcoColor& c, std::size_t& held) {
  auto fraction = [&c](std::size_t i) { return c.v[i] / 65535.0; };
  auto upTo = [&held](double value, double most) {
    if (value > most) ++held;
    return std::min(value, most);
  };
  switch (c.space) {
    case kAcoRgb:
      return {ColorModel::Rgb, {fraction(0), fraction(1), fraction(2), 0}};
    case kAcoHsb:
      return {ColorModel::Hsb, {fraction(0), fraction(1), fraction(2), 0}};
    case kAcoCmyk:
      return {ColorModel::Cmyk,
              {1 - fraction(0), 1 - fraction(1), 1 - fraction(2), 1 - fraction(3)}};
    case kAcoLab:
      return {ColorModel::Lab,
              {upTo(c.v[0] / 100.0, 100), std::clamp(Signed(c.v[1]) / 100.0, -128.0, 127.0),
               std::clamp(Signed(c.v[2]) / 100.0, -128.0, 127.0), 0}};
    default:
      return {ColorModel::Grey, {1 - upTo(c.v[0], 10000) / 10000.0, 0, 0, 0}};
  }
}

// The colour as Photoshop stores it: its source where the palette keeps one, else the table's
// RGB (whose 8 bits come out times 257).
void WriteAcoColor(ByteWriter& w, COLORREF c, const std::optional<SourceColor>& source) {
  auto units = [](double fraction) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * 65535));
  };
  auto hundredths = [](double value) {
    return static_cast<std::uint32_t>(static_cast<std::uint16_t>(std::lround(value * 100)));
  };
  const SourceColor s = source.value_or(
      SourceColor{ColorModel::Rgb, {RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0, 0}});
  const std::array<double, 4>& v = s.values;
  std::uint32_t space = kAcoRgb;
  std::array<std::uint32_t, 4> values{units(v[0]), units(v[1]), units(v[2]), 0};
  switch (s.model) {
    case ColorModel::Rgb:
      break;
    case ColorModel::Hsb:
      space = kAcoHsb;
      break;
    case ColorModel::Cmyk:
      space = kAcoCmyk;
      values = {units(1 - v[0]), units(1 - v[1]), units(1 - v[2]), units(1 - v[3])};
      break;
    case ColorModel::Lab:
      space = kAcoLab;
      values = {hundredths(v[0]), hundredths(v[1]), hundredths(v[2]), 0};
      break;
    case ColorModel::Grey:
      space = kAcoGrey;
      values = {static_cast<std::uint32_t>(std::lround((1 - std::clamp(v[0], 0.0, 1.0)) * 10000)),
                0, 0, 0};
      break;
  }
  w.U16(space);
  for (const std::uint32_t value : values) w.U16(value);
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
  std::size_t held = 0;
  for (std::size_t i = 0; i < colors.size(); ++i) {
    const AcoColor& c = colors[i];
    if (const std::string_view book = ColourBook(c.space); !book.empty())
      throw FormatError("colour " + std::to_string(i + 1) + " is a reference into the " +
                        std::string(book) + " colour book, which holds no colour values; " +
                        "export the swatches as RGB, CMYK or Lab");
    if (c.space != kAcoRgb && c.space != kAcoHsb && c.space != kAcoCmyk && c.space != kAcoLab &&
        c.space != kAcoGrey)
      throw FormatError("colour " + std::to_string(i + 1) + " is in colour space " +
                        std::to_string(c.space) + ", which Photoshop swatches do not define");
    COLORREF color = 0;
    if (c.space == kAcoRgb) {  // the high byte of each value, exact for 8-bit values stored
      // times 256 and times 257 alike
      color = MakeColor(static_cast<int>(c.v[0] >> 8), static_cast<int>(c.v[1] >> 8),
                        static_cast<int>(c.v[2] >> 8));
    } else if (c.space == kAcoHsb) {
      color = FromHsb(c.v[0], c.v[1], c.v[2]);
    } else if (c.space == kAcoGrey) {
      // 0 is white, 10000 black; rounded half up, in integers so that 178.5 stays a half.
      const int grey = static_cast<int>(((10000 - std::min(c.v[0], 10000u)) * 510 + 10000) / 20000);
      color = MakeColor(grey, grey, grey);
    }
    list.Add(color, c.name, FromAco(c, held));  // CMYK and Lab: see ConvertSources
  }
  PaletteData data = list.Finish();
  if (held > 0)
    data.warnings.push_back(
        std::to_string(held) +
        (held == 1 ? " value beyond its range (Lab L or grey over 10000) held at its end"
                   : " values beyond their range (Lab L or grey over 10000) held at their end"));
  ConvertSources(data, CmykProfile::Default());
  return data;
}

std::string EncodeAco(const PaletteData& palette) {
  ByteWriter w;
  for (const std::uint32_t version : {1u, 2u}) {
    w.U16(version).Length(palette.count, 2);
    for (std::size_t i = 0; i < palette.count; ++i) {
      WriteAcoColor(w, palette.colors[i],
                    i < palette.sources.size() ? palette.sources[i] : std::nullopt);
      if (version == 2)
        w.Utf16(NameOf(palette, i, PaletteFormat::Aco), InfoOf(PaletteFormat::Aco).nameField);
    }
  }
  return w.out;
}

// After a UTF-8 byte-order mark too, as every signature has always been looked for.
bool LooksLikeAse(std::string_view bytes) noexcept { return WithoutBom(bytes).starts_with("ASEF"); }

namespace {

// An Adobe swatch exchange value: a float held to [least, most]; NaN and infinities are held
// at an end too, and counted in `held`.
double AseValue(float value, double least, double most, std::size_t& held) {
  if (std::isnan(value)) {
    ++held;
    return least;
  }
  if (value < least || value > most) ++held;
  return std::clamp(static_cast<double>(value), least, most);
}

constexpr ColorKind kAseKinds[] = {ColorKind::Global, ColorKind::Spot, ColorKind::Normal};

// The models Adobe swatch exchange names, and how many floats each colour of them holds.
struct AseModel {
  std::string_view name;
  ColorModel model;
  std::size_t values;
};
constexpr AseModel kAseModels[] = {{"RGB ", ColorModel::Rgb, 3},
                                   {"CMYK", ColorModel::Cmyk, 4},
                                   {"LAB ", ColorModel::Lab, 3},
                                   {"Gray", ColorModel::Grey, 1}};

}  // namespace

// Adobe swatch exchange: "ASEF" 1.0, then blocks of colours and groups. Big-endian. A colour
// is its model ("RGB ", "CMYK", "LAB ", "Gray"), its floats (Lab's L a fraction of 100),
// and its kind (0 global, 1 spot, 2 normal).
PaletteData DecodeAse(std::string_view bytes) {
  if (!bytes.starts_with("ASEF")) throw FormatError("it does not start with \"ASEF\"");
  ByteReader in(bytes);
  in.Bytes(4);
  // Version 1.0 in every file Adobe writes; others write 0.1, and readers take both: the
  // blocks tell whether the file can be read.
  in.U16();
  in.U16();
  ColorList list;
  std::size_t held = 0, percent = 0;
  for (std::uint32_t blocks = in.U32(); blocks > 0 && in.left() > 0; --blocks) {
    const std::uint32_t type = in.U16();
    ByteReader block(in.Bytes(in.U32()));
    if (type != 0x0001) continue;  // groups only gather colours
    std::string name = block.Utf16(block.Number(InfoOf(PaletteFormat::Ase).nameField));
    const std::string_view model = block.Bytes(4);
    const auto* known = std::ranges::find(kAseModels, model, &AseModel::name);
    if (known == std::end(kAseModels))
      throw FormatError("colour " + std::to_string(list.size() + 1) + " is in the colour model " +
                        Quoted(model) + ", which Adobe swatch exchange does not define");
    SourceColor source{known->model};
    for (std::size_t i = 0; i < known->values; ++i) {
      const bool lab = source.model == ColorModel::Lab;
      const float value = block.F32();
      if (lab && i == 0 && value > 1 && value <= 100) {  // some writers store L as 0 to 100
        ++percent;
        source.values[0] = value;
      } else {
        source.values[i] = lab && i > 0 ? AseValue(value, -128, 127, held)
                                        : AseValue(value, 0, 1, held) * (lab ? 100 : 1);
      }
    }
    // Older writers end a colour after its values.
    if (block.left() >= 2) {
      const std::uint32_t kind = block.U16();
      if (kind < std::size(kAseKinds)) source.kind = kAseKinds[kind];
    }
    const std::array<double, 4>& v = source.values;
    COLORREF color = 0;
    if (source.model == ColorModel::Rgb)
      color = MakeColor(Component(v[0]), Component(v[1]), Component(v[2]));
    else if (source.model == ColorModel::Grey)
      color = MakeColor(Component(v[0]), Component(v[0]), Component(v[0]));
    list.Add(color, name, source);  // CMYK and Lab: see ConvertSources
  }
  PaletteData data = list.Finish();
  if (held > 0)
    data.warnings.push_back(std::to_string(held) + (held == 1 ? " value" : " values") +
                            " out of range or not a number, held at the nearest end");
  if (percent > 0)
    data.warnings.push_back(std::to_string(percent) + " Lab " + (percent == 1 ? "L" : "Ls") +
                            " above 1 read as a percentage (Adobe writes a fraction of 1)");
  ConvertSources(data, CmykProfile::Default());
  return data;
}

std::string EncodeAse(const PaletteData& palette) {
  ByteWriter w;
  w.out = "ASEF";
  w.U16(1).U16(0).Length(palette.count, 4);
  for (std::size_t i = 0; i < palette.count; ++i) {
    const std::u16string name = NameOf(palette, i, PaletteFormat::Ase);
    const COLORREF c = palette.colors[i];
    // A colour without a source, or in HSB, which the format has no model for, goes as the
    // table's RGB.
    SourceColor s{ColorModel::Rgb, {RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0, 0}};
    if (i < palette.sources.size() && palette.sources[i]) {
      s.kind = palette.sources[i]->kind;
      if (palette.sources[i]->model != ColorModel::Hsb) s = *palette.sources[i];
    }
    const AseModel& model = *std::ranges::find(kAseModels, s.model, &AseModel::model);
    const std::size_t field = InfoOf(PaletteFormat::Ase).nameField;
    w.U16(0x0001).Length(field + 2 * (name.size() + 1) + 4 + 4 * model.values + 2, 4);
    w.Utf16(name, field).out += model.name;
    for (std::size_t k = 0; k < model.values; ++k)
      w.F32(static_cast<float>(s.model == ColorModel::Lab && k == 0 ? s.values[0] / 100
                                                                    : s.values[k]));
    w.U16(s.kind == ColorKind::Global ? 0 : s.kind == ColorKind::Spot ? 1 : 2);
  }
  return w.out;
}

}  // namespace varnel
