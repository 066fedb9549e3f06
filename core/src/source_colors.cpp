#include "varnel/source_colors.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

namespace varnel {

Converted ConvertSources(PaletteData& palette, const CmykProfile& profile) {
  std::vector<std::size_t> cmykAt, labAt;
  std::vector<std::array<double, 4>> cmyk;
  std::vector<std::array<double, 3>> lab;
  for (std::size_t i = 0; i < palette.sources.size(); ++i) {
    const std::optional<SourceColor>& source = palette.sources[i];
    if (!source) continue;
    const std::array<double, 4>& v = source->values;
    if (source->model == ColorModel::Cmyk) {
      cmykAt.push_back(i);
      cmyk.push_back(v);
    } else if (source->model == ColorModel::Lab) {
      labAt.push_back(i);
      lab.push_back({v[0], v[1], v[2]});
    }
  }
  Converted converted{cmyk.size(), lab.size(), 0};
  if (!cmyk.empty()) {
    const std::vector<COLORREF> rgb = CmykToSrgb(cmyk, profile);
    for (std::size_t k = 0; k < cmykAt.size(); ++k) palette.colors[cmykAt[k]] = rgb[k];
  }
  if (!lab.empty()) {
    const std::vector<COLORREF> rgb = LabToSrgb(lab, &converted.clipped);
    for (std::size_t k = 0; k < labAt.size(); ++k) palette.colors[labAt[k]] = rgb[k];
  }
  return converted;
}

PaletteData Edited(const PaletteData& read, const Palette& table) {
  PaletteData palette = read;
  std::size_t count = palette.count;
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i] == palette.colors[i]) continue;
    count = std::max(count, i + 1);
    if (i < palette.sources.size()) palette.sources[i].reset();
  }
  palette.colors = table;
  palette.count = ColorCount(count);
  if (!palette.names.empty()) palette.names.resize(count);
  if (!palette.alpha.empty()) palette.alpha.resize(count, 255);
  if (!palette.sources.empty()) palette.sources.resize(count);
  return palette;
}

std::string ModelsOf(const PaletteData& palette) {
  if (palette.sources.empty()) return {};
  static constexpr const char* kNames[] = {"RGB", "HSB", "CMYK", "Lab", "grey"};
  std::array<std::size_t, 5> models{};
  std::size_t spot = 0, global = 0;
  for (const std::optional<SourceColor>& source : palette.sources) {
    ++models[static_cast<std::size_t>(source ? source->model : ColorModel::Rgb)];
    spot += source && source->kind == ColorKind::Spot;
    global += source && source->kind == ColorKind::Global;
  }
  std::string text;
  for (std::size_t m = 0; m < models.size(); ++m)
    if (models[m] > 0)
      text += (text.empty() ? "" : ", ") + std::to_string(models[m]) + " " + kNames[m];
  if (spot > 0 || global > 0) {
    text += "; ";
    if (spot > 0) text += std::to_string(spot) + " spot";
    if (global > 0) text += std::string(spot > 0 ? ", " : "") + std::to_string(global) + " global";
  }
  return text;
}

namespace {

// At most two decimals, no trailing zeros: "12.5", "100", "-3.25".
std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", std::round(value * 100) / 100 + 0.0);
  std::string number = text;
  number.erase(number.find_last_not_of('0') + 1);
  if (number.back() == '.') number.pop_back();
  return number == "-0" ? "0" : number;
}

}  // namespace

SourceColor HsbOf(COLORREF color) noexcept {
  const double r = RedOf(color) / 255.0, g = GreenOf(color) / 255.0, b = BlueOf(color) / 255.0;
  const double most = std::max({r, g, b}), range = most - std::min({r, g, b});
  double hue = 0;  // in sixths of a turn, from red
  if (range > 0)
    hue = most == r ? (g - b) / range : most == g ? 2 + (b - r) / range : 4 + (r - g) / range;
  return {ColorModel::Hsb, {(hue < 0 ? hue + 6 : hue) / 6, most > 0 ? range / most : 0, most, 0}};
}

std::string Described(const SourceColor& source) {
  const std::array<double, 4>& v = source.values;
  std::string text;
  switch (source.model) {
    case ColorModel::Rgb:
      text = "RGB " + Number(v[0] * 255) + " " + Number(v[1] * 255) + " " + Number(v[2] * 255);
      break;
    case ColorModel::Hsb:
      text = "HSB " + Number(v[0] * 360) + " " + Number(v[1] * 100) + " " + Number(v[2] * 100);
      break;
    case ColorModel::Cmyk:
      text = "CMYK " + Number(v[0] * 100) + " " + Number(v[1] * 100) + " " + Number(v[2] * 100) +
             " " + Number(v[3] * 100);
      break;
    case ColorModel::Lab:
      text = "Lab " + Number(v[0]) + " " + Number(v[1]) + " " + Number(v[2]);
      break;
    case ColorModel::Grey:
      text = "grey " + Number(v[0] * 100);
      break;
  }
  if (source.kind == ColorKind::Spot) text += " spot";
  if (source.kind == ColorKind::Global) text += " global";
  return text;
}

}  // namespace varnel
