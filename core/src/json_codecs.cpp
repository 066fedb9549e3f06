// The JSON palettes: Sketch's .sketchpalette, Lospec's palette JSON, and our JSON design
// tokens, parsed by nlohmann-json (json_reading.h).
#include <charconv>
#include <cmath>
#include <cstdio>

#include "codecs.h"
#include "json_reading.h"
#include "varnel/utf.h"

namespace varnel {
namespace {

using json::At;
using json::Ordered;

// The first character after blanks, or '\0'.
char FirstOf(std::string_view bytes) noexcept {
  bytes = WithoutBom(bytes);
  const std::size_t at = bytes.find_first_not_of(" \t\r\n");
  return at == bytes.npos ? '\0' : bytes[at];
}

// Which JSON palette a file's top-level object is: Sketch's has its versions or colour
// assets, or colours as objects; Lospec's colours are strings. Settled by the first member
// that tells, without reading further (the reader then says what else is wrong).
enum class Shape { Sketch, Lospec, Other };
class ShapeOf {
 public:
  explicit ShapeOf(std::string_view text) {
    text = WithoutBom(text);
    json::Value::sax_parse(text.begin(), text.end(), this, nlohmann::detail::input_format_t::json,
                           false);
    if (shape_ == Shape::Other && colors_) shape_ = Shape::Lospec;  // colors, empty or not
  }
  operator Shape() const noexcept { return shape_; }

  bool null() { return Value(); }
  bool boolean(bool) { return Value(); }
  bool number_integer(json::Value::number_integer_t) { return Value(); }
  bool number_unsigned(json::Value::number_unsigned_t) { return Value(); }
  bool number_float(json::Value::number_float_t, const std::string&) { return Value(); }
  bool string(std::string&) { return Value(); }
  bool binary(json::Value::binary_t&) { return Value(); }
  bool start_object(std::size_t) {
    if (depth_ == 0) object_ = true;
    if (depth_ == 2 && first_) return Settle(Shape::Sketch);
    return Value(), ++depth_, true;
  }
  bool end_object() { return --depth_, true; }
  bool start_array(std::size_t) {
    if (!object_) return false;  // an array at the top: design tokens
    const bool colors = depth_ == 1 && colorsNext_;
    Value();
    first_ = colors;
    ++depth_;
    return true;
  }
  bool end_array() { return first_ = false, --depth_, true; }
  bool key(std::string& name) {
    if (depth_ != 1) return true;
    if (name == "compatibleVersion" || name == "pluginVersion" || name == "colorAssets")
      return Settle(Shape::Sketch);
    colorsNext_ = name == "colors";
    colors_ = colors_ || colorsNext_;
    return true;
  }
  template <class Exception>
  bool parse_error(std::size_t, const std::string&, const Exception&) {
    return false;
  }

 private:
  // A value other than an object: the first colour that is a string settles Lospec.
  bool Value() {
    if (depth_ == 2 && first_) return Settle(Shape::Lospec);
    colorsNext_ = false;
    return true;
  }
  bool Settle(Shape shape) {
    shape_ = shape;
    return false;
  }

  Shape shape_ = Shape::Other;
  int depth_ = 0;
  bool object_ = false, colorsNext_ = false, colors_ = false, first_ = false;
};

// "rrggbb" or "#rrggbb" (and with `alpha` "rrggbbaa"), either case.
std::optional<std::uint32_t> HexColor(std::string_view text, bool alpha) {
  if (text.starts_with('#')) text.remove_prefix(1);
  if (text.size() != 6 && !(alpha && text.size() == 8)) return std::nullopt;
  std::uint32_t value = 0;  // unsigned: from_chars takes no sign
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return text.size() == 6 ? value << 8 | 0xFF : value;
}

COLORREF FromRgba(std::uint32_t rgba) noexcept {
  return MakeColor(static_cast<int>(rgba >> 24), static_cast<int>(rgba >> 16 & 0xFF),
                   static_cast<int>(rgba >> 8 & 0xFF));
}

std::string Hex(COLORREF color, bool hash) {
  std::string text = hash ? "#" : "";
  AppendHex(text, color);
  return text;
}

// A fraction that reads back as the same byte: the shortest of c / 255 in three decimals at
// most ("0.5" for 128).
double Fraction(std::uint8_t value) {
  for (int decimals = 1;; ++decimals) {
    char text[16];
    std::snprintf(text, sizeof text, "%.*f", decimals, value / 255.0);
    const double fraction = std::strtod(text, nullptr);
    if (Byte(fraction) == value || decimals == 3) return fraction;
  }
}

// A byte as a fraction, 0 and 1 written as integers.
Ordered FractionValue(std::uint8_t value) {
  if (value == 0 || value == 255) return value / 255;
  return Fraction(value);
}

// Sketch's colour: red, green, blue and alpha, each 0 to 1.
Ordered SketchColor(COLORREF color, std::uint8_t alpha) {
  return {{"red", FractionValue(RedOf(color))},
          {"green", FractionValue(GreenOf(color))},
          {"blue", FractionValue(BlueOf(color))},
          {"alpha", FractionValue(alpha)}};
}

void AddSketchColor(ColorList& list, const At& color, std::string_view name) {
  color.Object();
  list.Add(MakeColor(Byte(color["red"].Number(0, 1)), Byte(color["green"].Number(0, 1)),
                     Byte(color["blue"].Number(0, 1))),
           name, color["alpha"].Has() ? Byte(color["alpha"].Number(0, 1)) : std::uint8_t{255});
}

}  // namespace

bool LooksLikeJsonObject(std::string_view bytes) noexcept { return FirstOf(bytes) == '{'; }
// An array of objects, or an empty one: a "[" alone starts one ACT table in 256.
bool LooksLikeJsonArray(std::string_view bytes) noexcept {
  if (FirstOf(bytes) != '[') return false;
  const char next = FirstOf(bytes.substr(bytes.find('[') + 1));
  return next == '{' || next == ']';
}

bool LooksLikeSketch(std::string_view bytes) noexcept {
  try {
    return ShapeOf(bytes) == Shape::Sketch;
  } catch (...) {  // memory
    return false;
  }
}

bool LooksLikeLospec(std::string_view bytes) noexcept {
  try {
    return ShapeOf(bytes) == Shape::Lospec;
  } catch (...) {
    return false;
  }
}

// Sketch: colorAssets of a name and a colour where there are any, else colors, objects of
// floats (or, before the plugin's version 1.4, "#rrggbb" strings).
PaletteData DecodeSketch(std::string_view text) {
  const json::Value top = json::Parse(text);
  const At root(top);
  root.Object();
  ColorList list;
  const At assets = root["colorAssets"];
  if (assets.Has() && assets.Array() > 0) {
    for (std::size_t i = 0; i < assets.Array(); ++i) {
      const At asset = assets[i];
      asset.Object();
      AddSketchColor(list, asset["color"], asset["name"].Has() && !asset["name"].value().is_null()
                                               ? asset["name"].String()
                                               : std::string());
    }
    return list.Finish();
  }
  const At colors = root["colors"];
  for (std::size_t i = 0; i < colors.Array(); ++i) {
    const At color = colors[i];
    if (color.value().is_string()) {
      const auto rgba = HexColor(color.String(), true);
      if (!rgba) color.Fail("is not a colour (#rrggbb)");
      list.Add(FromRgba(*rgba), {}, static_cast<std::uint8_t>(*rgba));
    } else {
      AddSketchColor(list, color, {});
    }
  }
  return list.Finish();
}

// The plugin's version-2.0 layout, which every version since reads: colors, and where the
// palette has names, colorAssets with them too.
std::string EncodeSketch(const PaletteData& palette) {
  Ordered colors = Ordered::array(), assets = Ordered::array();
  for (std::size_t i = 0; i < palette.count; ++i) {
    const std::uint8_t alpha = palette.alpha.empty() ? 255 : palette.alpha[i];
    colors.push_back(SketchColor(palette.colors[i], alpha));
    if (!palette.names.empty())
      assets.push_back({{"name", palette.names[i]}, {"color", SketchColor(palette.colors[i], alpha)}});
  }
  Ordered top = {{"compatibleVersion", "2.0"}, {"pluginVersion", "2.22"}, {"colors", colors}};
  if (!palette.names.empty()) top["colorAssets"] = assets;
  top["gradients"] = Ordered::array();
  top["images"] = Ordered::array();
  return json::Dump(top) + "\n";
}

// Lospec: a name, an author and colors as "rrggbb" strings.
PaletteData DecodeLospec(std::string_view text) {
  const json::Value top = json::Parse(text);
  const At root(top);
  root.Object();
  ColorList list;
  const At colors = root["colors"];
  for (std::size_t i = 0; i < colors.Array(); ++i) {
    const auto rgba = HexColor(colors[i].String(), false);
    if (!rgba) colors[i].Fail("is not a colour (rrggbb)");
    list.Add(FromRgba(*rgba));
  }
  if (root["name"].Has() && !root["name"].value().is_null())
    list.data().title = ValidUtf8(root["name"].String());
  return list.Finish();
}

std::string EncodeLospec(const PaletteData& palette) {
  Ordered colors = Ordered::array();
  for (std::size_t i = 0; i < palette.count; ++i) colors.push_back(Hex(palette.colors[i], false));
  return json::Dump({{"name", palette.title}, {"author", ""}, {"colors", colors}}) + "\n";
}

// Design tokens: an array of {"name", "hex", "rgb", "alpha"}; "hex" or "rgb" (or both, which
// must agree), the others optional.
PaletteData DecodeDesignTokens(std::string_view text) {
  const json::Value top = json::Parse(text);
  const At root(top);
  if (top.is_object())
    root.Fail("is an object that is neither a Lospec palette (colors) nor a Sketch palette, "
              "nor an array of colours");
  ColorList list;
  for (std::size_t i = 0; i < root.Array(); ++i) {
    const At token = root[i];
    token.Object();
    std::optional<COLORREF> color;
    if (const At hex = token["hex"]; hex.Has()) {
      const auto rgba = HexColor(hex.String(), false);
      if (!rgba) hex.Fail("is not a colour (#rrggbb)");
      color = FromRgba(*rgba);
    }
    if (const At rgb = token["rgb"]; rgb.Has()) {
      if (rgb.Array() != 3) rgb.Fail("holds " + std::to_string(rgb.Array()) + " values, not 3");
      const COLORREF fromRgb = MakeColor(static_cast<int>(std::lround(rgb[0].Number(0, 255))),
                                         static_cast<int>(std::lround(rgb[1].Number(0, 255))),
                                         static_cast<int>(std::lround(rgb[2].Number(0, 255))));
      if (color && *color != fromRgb)
        token.Fail("has a hex " + Hex(*color, true) + " and an rgb " + Hex(fromRgb, true) +
                   " that disagree");
      color = fromRgb;
    }
    if (!color) token["hex"].Fail("is missing, and so is " + token["rgb"].path());
    const At alpha = token["alpha"];
    list.Add(*color, token["name"].Has() ? token["name"].String() : std::string(),
             alpha.Has() ? Byte(alpha.Number(0, 1)) : std::uint8_t{255});
  }
  return list.Finish();
}

std::string EncodeDesignTokens(const PaletteData& palette) {
  // A token a line.
  std::string out = "[\n";
  for (std::size_t i = 0; i < palette.count; ++i) {
    const COLORREF c = palette.colors[i];
    const Ordered token = {{"name", i < palette.names.size() ? palette.names[i] : std::string()},
                           {"hex", Hex(c, true)},
                           {"rgb", {RedOf(c), GreenOf(c), BlueOf(c)}},
                           {"alpha", FractionValue(palette.alpha.empty() ? 255 : palette.alpha[i])}};
    out += "  " + json::Dump(token, -1) + (i + 1 < palette.count ? ",\n" : "\n");
  }
  return out + "]\n";
}

}  // namespace varnel
