// Scribus swatch sets (.xml): an XML document whose root is SCRIBUSCOLORS, its Name the
// palette's, a COLOR element for each colour with its NAME. Scribus 1.5 gives a colour's model
// as SPACE and its values as numbers (R G B 0 to 255, C M Y K percent, L A B); older sets give
// RGB="#rrggbb" or CMYK="#ccmmyykk" alone, and Spot="1" and Register="1" mark spot colours and
// the registration colour.
#include <algorithm>
#include <array>

#include "codecs.h"
#include "varnel/source_colors.h"
#include "varnel/utf.h"
#include "xml.h"

namespace varnel {
namespace {

constexpr std::string_view kRoot = "SCRIBUSCOLORS";

// A model as Scribus names it, its value attributes and what each is a fraction of.
struct ScribusModel {
  std::string_view space;
  ColorModel model;
  std::string_view values;      // the attribute of each value, a letter each
  std::array<double, 2> range;  // of each value as written
  double scale;                 // the written value over the palette's
};
constexpr ScribusModel kModels[] = {
    {"RGB", ColorModel::Rgb, "RGB", {0, 255}, 255},
    {"CMYK", ColorModel::Cmyk, "CMYK", {0, 100}, 100},
    {"Lab", ColorModel::Lab, "LAB", {-128, 127}, 1},
};

bool Flag(std::span<const XmlAttribute> attributes, std::string_view name) {
  const auto value = AttributeOf(attributes, name);
  return value && Trimmed(*value) == "1";
}

class ScribusReader : public XmlHandler {
 public:
  void Start(std::string_view name, std::span<const XmlAttribute> attributes,
             std::size_t depth) override {
    if (depth == 0) {
      if (name != kRoot) throw NotAPaletteError("an XML file");
      list_.data().title = ValidUtf8(AttributeOf(attributes, "Name").value_or(""));
      return;
    }
    if (depth != 1 || name != "COLOR") return;
    const std::string colourName(AttributeOf(attributes, "NAME").value_or(""));
    const std::string number = "colour " + std::to_string(list_.size() + 1) +
                               (colourName.empty() ? "" : " (" + Quoted(ValidUtf8(colourName)) + ")");
    SourceColor source = Read(attributes, number);
    if (Flag(attributes, "Spot")) source.kind = ColorKind::Spot;
    if (Flag(attributes, "Register")) ++registration_;
    list_.Add(TableColor(source), colourName, source);
  }

  PaletteData Finish() {
    PaletteData data = list_.Finish();
    if (held_ > 0)
      data.warnings.push_back(Counted(held_, "value") + " beyond its range held at its end");
    if (registration_ > 0)
      data.warnings.push_back(Counted(registration_, "registration colour") +
                              " read as an ordinary colour of its inks");
    ConvertSources(data, CmykProfile::Default());
    return data;
  }

 private:
  SourceColor Read(std::span<const XmlAttribute> attributes, const std::string& number) {
    const auto space = AttributeOf(attributes, "SPACE");
    for (const ScribusModel& model : kModels) {
      if (!space || Trimmed(*space) != model.space ||
          !AttributeOf(attributes, model.values.substr(0, 1)))
        continue;
      SourceColor source{model.model};
      for (std::size_t k = 0; k < model.values.size(); ++k) {
        const std::string_view attribute = model.values.substr(k, 1);
        const auto text = AttributeOf(attributes, attribute);
        const auto value = text ? NumberOf(*text) : std::nullopt;
        if (!value)
          throw FormatError(number + "'s " + std::string(attribute) + " " +
                            (text ? Quoted(*text) + " is not a number" : "is missing"));
        const double least = model.model == ColorModel::Lab && k == 0 ? 0 : model.range[0];
        const double most = model.model == ColorModel::Lab && k == 0 ? 100 : model.range[1];
        if (*value < least || *value > most) ++held_;
        source.values[k] = std::clamp(*value, least, most) / model.scale;
      }
      return source;
    }
    std::array<std::uint8_t, 4> bytes{};
    if (const auto cmyk = AttributeOf(attributes, "CMYK")) {
      if (!HexAttribute(*cmyk, bytes))
        throw FormatError(number + "'s CMYK " + Quoted(*cmyk) + " is not #ccmmyykk");
      return {ColorModel::Cmyk, {bytes[0] / 255.0, bytes[1] / 255.0, bytes[2] / 255.0, bytes[3] / 255.0}};
    }
    if (const auto rgb = AttributeOf(attributes, "RGB")) {
      if (!HexAttribute(*rgb, std::span(bytes).first(3)))
        throw FormatError(number + "'s RGB " + Quoted(*rgb) + " is not #rrggbb");
      return {ColorModel::Rgb, {bytes[0] / 255.0, bytes[1] / 255.0, bytes[2] / 255.0, 0}};
    }
    throw FormatError(number + " has no colour: no RGB, CMYK or SPACE with its values");
  }

  ColorList list_;
  std::size_t held_ = 0, registration_ = 0;
};

std::string Hex(std::initializer_list<double> fractions) {
  std::string out = "#";
  for (const double fraction : fractions) AppendHex(out, Byte(fraction));
  return out;
}

}  // namespace

bool LooksLikeScribus(std::string_view bytes) noexcept { return XmlRoot(bytes) == kRoot; }

PaletteData DecodeScribus(std::string_view bytes) {
  ScribusReader reader;
  ParseXml(bytes, reader);
  return reader.Finish();
}

// Each colour in its model, with its numbers as Scribus 1.5 writes them and the hex values
// that older versions read (a Lab colour's as its sRGB).
std::string EncodeScribus(const PaletteData& palette) {
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SCRIBUSCOLORS Name=\"" +
                    XmlEscaped(palette.title) + "\">\n";
  for (std::size_t i = 0; i < palette.count; ++i) {
    SourceColor s = SourceOf(palette, i);
    if (s.model == ColorModel::Hsb || s.model == ColorModel::Grey) {
      const COLORREF c = palette.colors[i];
      s = {ColorModel::Rgb, {RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0, 0}, s.kind};
    }
    const ScribusModel& model = *std::ranges::find(kModels, s.model, &ScribusModel::model);
    const std::array<double, 4>& v = s.values;
    out += "  <COLOR NAME=\"" + XmlEscaped(i < palette.names.size() ? palette.names[i] : "") +
           "\" SPACE=\"" + std::string(model.space) + "\"";
    if (s.model == ColorModel::Cmyk)
      out += " CMYK=\"" + Hex({v[0], v[1], v[2], v[3]}) + "\"";
    else
      out += " RGB=\"" + Hex({RedOf(palette.colors[i]) / 255.0, GreenOf(palette.colors[i]) / 255.0,
                              BlueOf(palette.colors[i]) / 255.0}) + "\"";
    for (std::size_t k = 0; k < model.values.size(); ++k)
      out += " " + std::string(model.values.substr(k, 1)) + "=\"" + XmlNumber(v[k] * model.scale) +
             "\"";
    if (s.kind == ColorKind::Spot) out += " Spot=\"1\"";
    out += "/>\n";
  }
  return out + "</SCRIBUSCOLORS>\n";
}

}  // namespace varnel
