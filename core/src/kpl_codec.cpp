// Krita palettes (.kpl): a ZIP archive of a "mimetype" entry ("krita/x-colorset"),
// colorset.xml and profiles.xml. colorset.xml's root ColorSet holds ColorSetEntry elements,
// ungrouped or inside Group elements, each with its name, spot flag and one colour element:
// RGB r g b, CMYK c m y k, Gray g (fractions of 1) or Lab L (0 to 100) a b (-128 to 127),
// with the ICC profile it is meant in as `space`.
#include <algorithm>
#include <array>

#include "codecs.h"
#include "varnel/source_colors.h"
#include "varnel/utf.h"
#include "xml.h"
#include "zip.h"

namespace varnel {
namespace {

constexpr std::string_view kMimeTypes[] = {"krita/x-colorset", "application/x-krita-palette"};
// Krita's own sRGB profiles (the built-in one and those it ships), whose values are sRGB.
constexpr std::string_view kSrgbProfiles[] = {"sRGB-elle-V2-srgbtrc.icc", "sRGB built-in",
                                              "sRGB IEC61966-2.1"};
constexpr std::size_t kColumns = 16;

struct KritaModel {
  std::string_view element;
  ColorModel model;
  std::array<std::string_view, 4> values;
};
constexpr KritaModel kModels[] = {
    {"RGB", ColorModel::Rgb, {"r", "g", "b"}},
    {"CMYK", ColorModel::Cmyk, {"c", "m", "y", "k"}},
    {"Lab", ColorModel::Lab, {"L", "a", "b"}},
    {"Gray", ColorModel::Grey, {"g"}},
};

class ColorSetReader : public XmlHandler {
 public:
  void Start(std::string_view name, std::span<const XmlAttribute> attributes,
             std::size_t depth) override {
    if (depth == 0) {
      if (name != "ColorSet" && name != "Colorset")
        throw FormatError("its colorset.xml's root is <" + ValidUtf8(name) + ">, not <ColorSet>");
      list_.data().title = ValidUtf8(AttributeOf(attributes, "name").value_or(""));
    } else if (name == "Group" && depth == 1) {
      groups_.push_back(ValidUtf8(AttributeOf(attributes, "name").value_or("")));
    } else if (name == "ColorSetEntry" && (depth == 1 || depth == 2)) {
      entry_ = depth;
      entryName_ = AttributeOf(attributes, "name").value_or("");
      spot_ = AttributeOf(attributes, "spot") == "true";
      colour_.reset();
    } else if (entry_ && depth == *entry_ + 1) {
      Colour(name, attributes);
    }
  }

  void End(std::string_view name, std::size_t depth) override {
    if (!entry_ || depth != *entry_ || name != "ColorSetEntry") return;
    entry_.reset();
    const std::string number = "colour " + std::to_string(list_.size() + 1);
    if (!colour_) throw FormatError(number + " has no RGB, CMYK, Lab or Gray element");
    if (spot_) colour_->kind = ColorKind::Spot;
    list_.Add(TableColor(*colour_), entryName_, *colour_);
  }

  PaletteData Finish() {
    PaletteData data = list_.Finish();
    if (!groups_.empty()) {
      std::string names;
      for (const std::string& group : groups_) names += (names.empty() ? "" : ", ") + Quoted(group);
      data.warnings.push_back(Counted(groups_.size(), "group") + " (" + names +
                              ") flattened into one list, in order");
    }
    if (otherProfile_ > 0)
      data.warnings.push_back(Counted(otherProfile_, "RGB colour") + " meant in another profile (" +
                              Quoted(profile_) + ") read as sRGB");
    if (held_ > 0)
      data.warnings.push_back(Counted(held_, "value") + " beyond its range held at its end");
    ConvertSources(data, CmykProfile::Default());
    return data;
  }

 private:
  void Colour(std::string_view name, std::span<const XmlAttribute> attributes) {
    const std::string number = "colour " + std::to_string(list_.size() + 1);
    const auto* model = std::ranges::find(kModels, name, &KritaModel::element);
    if (model == std::end(kModels)) {
      if (name == "Position") return;
      throw FormatError(number + " is in the model " + Quoted(name) +
                        ", which palconv does not read (RGB, CMYK, Lab, Gray)");
    }
    if (colour_) return;  // the first colour element counts
    SourceColor source{model->model};
    for (std::size_t k = 0; k < 4 && !model->values[k].empty(); ++k) {
      const auto text = AttributeOf(attributes, model->values[k]);
      const auto value = text ? NumberOf(*text) : std::nullopt;
      if (!value)
        throw FormatError(number + "'s " + std::string(name) + " " + std::string(model->values[k]) +
                          (text ? " " + Quoted(*text) + " is not a number" : " is missing"));
      const bool lab = model->model == ColorModel::Lab;
      const double least = lab ? (k == 0 ? 0 : -128) : 0, most = lab ? (k == 0 ? 100 : 127) : 1;
      if (*value < least || *value > most) ++held_;
      source.values[k] = std::clamp(*value, least, most);
    }
    const std::string_view space = AttributeOf(attributes, "space").value_or("");
    if (model->model == ColorModel::Rgb && !space.empty() &&
        std::ranges::find(kSrgbProfiles, space) == std::end(kSrgbProfiles)) {
      ++otherProfile_;
      profile_ = ValidUtf8(space);
    }
    colour_ = source;
  }

  ColorList list_;
  std::vector<std::string> groups_;
  std::optional<std::size_t> entry_;  // the depth of the ColorSetEntry open
  std::string entryName_;
  bool spot_ = false;
  std::optional<SourceColor> colour_;
  std::size_t held_ = 0, otherProfile_ = 0;
  std::string profile_;
};

// The archive's mimetype entry, where it names a Krita palette.
bool KritaMimeType(ZipReader& zip) {
  const ZipReader::Entry* mimetype = zip.Find("mimetype");
  if (!mimetype || mimetype->size > 64) return false;
  const std::string type(Trimmed(zip.Read(*mimetype)));
  return std::ranges::find(kMimeTypes, type) != std::end(kMimeTypes);
}

std::string ColorSetXml(const PaletteData& palette) {
  const std::size_t rows = (palette.count + kColumns - 1) / kColumns;
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ColorSet version=\"2.0\" "
                    "readonly=\"false\" name=\"" + XmlEscaped(palette.title) +
                    "\" columns=\"" + std::to_string(kColumns) + "\" rows=\"" +
                    std::to_string(rows) + "\" comment=\"\">\n";
  for (std::size_t i = 0; i < palette.count; ++i) {
    SourceColor s = SourceOf(palette, i);
    const bool exact = i >= palette.sources.size() || !palette.sources[i];
    if (s.model == ColorModel::Hsb) {
      const COLORREF c = palette.colors[i];
      s = {ColorModel::Rgb, {RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0, 0}, s.kind};
    }
    const KritaModel& model = *std::ranges::find(kModels, s.model, &KritaModel::model);
    out += " <ColorSetEntry name=\"" + XmlEscaped(i < palette.names.size() ? palette.names[i] : "") +
           "\" id=\"" + std::to_string(i + 1) + "\" spot=\"" +
           (s.kind == ColorKind::Spot ? "true" : "false") + "\" bitdepth=\"" +
           (exact ? "U8" : "U16") + "\">\n  <" + std::string(model.element);
    for (std::size_t k = 0; k < 4 && !model.values[k].empty(); ++k)
      out += " " + std::string(model.values[k]) + "=\"" + XmlNumber(s.values[k]) + "\"";
    if (s.model == ColorModel::Rgb) out += " space=\"sRGB-elle-V2-srgbtrc.icc\"";
    if (s.model == ColorModel::Grey) out += " space=\"Gray-D50-elle-V2-srgbtrc.icc\"";
    out += "/>\n  <Position row=\"" + std::to_string(i / kColumns) + "\" column=\"" +
           std::to_string(i % kColumns) + "\"/>\n </ColorSetEntry>\n";
  }
  return out + "</ColorSet>\n";
}

}  // namespace

bool LooksLikeZip(std::string_view bytes) noexcept { return bytes.starts_with("PK\x03\x04"); }

bool LooksLikeKpl(std::string_view bytes) noexcept {
  try {
    ZipReader zip(bytes);
    return KritaMimeType(zip);
  } catch (const FormatError&) {
    return false;
  }
}

PaletteData DecodeKpl(std::string_view bytes) {
  ZipReader zip(bytes);
  if (!KritaMimeType(zip)) throw NotAPaletteError("a ZIP file");
  const ZipReader::Entry* colorset = zip.Find("colorset.xml");
  if (!colorset) throw FormatError("it is a Krita archive without colorset.xml");
  const std::string xml = zip.Read(*colorset);
  ColorSetReader reader;
  try {
    ParseXml(xml, reader);
  } catch (const FormatError& error) {
    throw FormatError(std::string("its colorset.xml: ") + error.what());
  }
  return reader.Finish();
}

// As Krita writes a palette of its own sRGB colours: the mimetype first and stored, the
// colour set, and a list of the profiles inside, none (Krita has its sRGB built in).
std::string EncodeKpl(const PaletteData& palette) {
  const std::string colorset = ColorSetXml(palette);
  const ZipEntry entries[] = {
      {"mimetype", kMimeTypes[0], true},
      {"colorset.xml", colorset},
      {"profiles.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Profiles/>\n"},
  };
  return WriteZip(entries);
}

}  // namespace varnel
