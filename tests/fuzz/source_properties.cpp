#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "properties.h"
#include "varnel/source_colors.h"

namespace varnel::fuzz {

// Whether `back`'s source colours are `held`'s, each value within what the format's numbers
// resolve, its 8-bit sRGB within 1 of each
// channel (Photoshop's 16 bits are cut to their high byte, a float is rounded); then `back`
// takes `held`'s colours there, so that the rest can be compared exactly. "" when they agree, else
// what differs.
std::string SourcesAgree(PaletteData& back, const PaletteData& held) {
  if (back.sources.size() != held.sources.size()) return "the source colours do not come back";
  for (std::size_t i = 0; i < back.sources.size(); ++i) {
    const std::optional<SourceColor>&a = back.sources[i], &b = held.sources[i];
    if (a.has_value() != b.has_value() || (a && (a->model != b->model || a->kind != b->kind)))
      return "colour " + std::to_string(i) + "'s model or kind does not come back";
    if (!a) continue;
    // Half a step of the coarsest numbers that hold the model: Photoshop's hundredths of Lab,
    // ten-thousandths of grey, 16 bits of the others.
    const double resolution = a->model == ColorModel::Lab    ? 0.005 + 1e-6
                              : a->model == ColorModel::Grey ? 0.00005 + 1e-6
                                                             : 0.5 / 65535 + 1e-6;
    for (std::size_t k = 0; k < 4; ++k)
      if (!(std::abs(a->values[k] - b->values[k]) <= resolution))
        return "colour " + std::to_string(i) + "'s values do not come back";
    const COLORREF x = back.colors[i], y = held.colors[i];
    for (const int shift : {0, 8, 16})
      if (std::abs(int(x >> shift & 0xFF) - int(y >> shift & 0xFF)) > 1)
        return "colour " + std::to_string(i) + " converts otherwise";
    back.colors[i] = y;
  }
  return {};
}

PaletteData Held(const PaletteData& palette, PaletteFormat format) {
  // GIMP lines hold no control characters and lose the blanks around a name.
  auto gimp = [](std::string text) {
    std::ranges::replace_if(
        text, [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    text.erase(0, text.find_first_not_of(' '));
    return text.erase(text.find_last_not_of(' ') + 1);
  };
  // A name cut to the UTF-16 units the format holds, at a character boundary.
  auto cut = [units = InfoOf(format).nameUnits()](std::string name) {
    std::size_t at = 0;
    for (std::size_t left = units; at < name.size();) {
      const auto lead = static_cast<unsigned char>(name[at]);
      const std::size_t size = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      if ((size == 4 ? 2u : 1u) > left) break;
      left -= size == 4 ? 2 : 1;
      at += size;
    }
    return name.substr(0, at);
  };
  const FormatInfo& info = InfoOf(format);
  PaletteData held(palette.colors);
  held.count = palette.count;
  if (IsKept(info.transparent, true)) held.transparent = palette.transparent;
  if (info.paletteName) held.title = palette.title;  // GIMP's as GIMP writes it:
  if (format == PaletteFormat::Gpl)
    held.title = gimp(palette.title).empty() ? "Untitled" : gimp(palette.title);
  if (info.names()) held.names = palette.names;
  if (info.alpha) held.alpha = palette.alpha;
  // A swatch format gives every colour a source: its own where the format holds its model,
  // else the table's RGB; kinds where it holds them.
  for (std::size_t i = 0; info.models != 0 && i < palette.count; ++i) {
    const COLORREF c = palette.colors[i];
    const SourceColor table{ColorModel::Rgb,
                            {RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0, 0}};
    SourceColor source =
        i < palette.sources.size() && palette.sources[i] ? *palette.sources[i] : table;
    if (!info.holds(source.model)) {  // the table's RGB, or its HSB where RGB is not held
      const SourceColor own = info.holds(ColorModel::Rgb) ? table : HsbOf(c);
      source = {own.model, own.values, source.kind};
    }
    if (!info.kinds && !(info.spot && source.kind == ColorKind::Spot))
      source.kind = ColorKind::Normal;
    held.sources.push_back(source);
  }
  if (HoldsIndexAsAlpha(format, palette, true)) {  // the index as its entry's alpha 0
    held.alpha.resize(palette.count, 255);
    held.alpha[*palette.transparent] = 0;
  }
  // XML holds no C0 control but TAB, LF and CR, nor U+FFFE and U+FFFF: each goes as U+FFFD.
  auto xml = [](const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const auto c = static_cast<unsigned char>(text[i]);
      const bool noncharacter =
          text.compare(i, 3, "\xEF\xBF\xBE") == 0 || text.compare(i, 3, "\xEF\xBF\xBF") == 0;
      if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || noncharacter) {
        out += "\xEF\xBF\xBD";
        i += noncharacter ? 2 : 0;
      } else {
        out += text[i];
      }
    }
    return out;
  };
  if (info.name == "kpl" || info.name == "soc" || info.name == "scribus") {
    std::ranges::transform(held.names, held.names.begin(), xml);
    held.title = xml(held.title);
  }
  std::ranges::transform(held.names, held.names.begin(), cut);
  if (format == PaletteFormat::Gpl) std::ranges::transform(held.names, held.names.begin(), gimp);
  // A style sheet names every colour ("color-N" where it had none) and cannot hold U+0000.
  if (format == *FormatNamed("css") || format == *FormatNamed("scss")) {
    held.names.resize(palette.count);
    for (std::size_t i = 0; i < held.names.size(); ++i) {
      std::string& name = held.names[i];
      if (name.empty()) name = "color-" + std::to_string(i + 1);
      for (std::size_t at; (at = name.find('\0')) != std::string::npos;)
        name.replace(at, 1, "\uFFFD");
    }
  }
  if (std::ranges::all_of(held.names, &std::string::empty)) held.names.clear();
  // A PNG picture's tRNS holds the transparent index as alpha 0: a single entry of alpha 0 is
  // the transparent index; alpha is listed when any other entry is not opaque.
  if (format == *FormatNamed("png")) {
    std::vector<std::uint8_t> alpha(palette.count, 255);
    std::ranges::copy(std::span(palette.alpha).first(std::min(palette.alpha.size(), alpha.size())),
                      alpha.begin());
    if (palette.transparent && *palette.transparent < alpha.size()) alpha[*palette.transparent] = 0;
    const auto clear = std::ranges::find(alpha, 0);
    const bool single = std::ranges::count(alpha, 0) == 1;
    held.transparent.reset();
    if (single) held.transparent = static_cast<std::uint8_t>(clear - alpha.begin());
    held.alpha.clear();
    if (std::ranges::any_of(alpha, [&](std::uint8_t a) { return a != 255 && !(single && a == 0); }))
      held.alpha = alpha;
  }
  return held;
}

}  // namespace varnel::fuzz
