// What the codecs share (codecs.h): colours from a swatch file's models.
#include "codecs.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "varnel/colour.h"

namespace varnel {

// HSB as Photoshop stores it: hue 0..65535 for a full turn, the others 0..65535.
COLORREF FromHsb(std::uint32_t hue, std::uint32_t saturation, std::uint32_t brightness) noexcept {
  const double h = hue / 65536.0 * 6.0, s = saturation / 65535.0, v = brightness / 65535.0;
  const int sector = static_cast<int>(h) % 6;
  const double f = h - std::floor(h), p = v * (1 - s), q = v * (1 - s * f),
               t = v * (1 - s * (1 - f));
  const double rgb[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
  return MakeColor(Component(rgb[sector][0]), Component(rgb[sector][1]), Component(rgb[sector][2]));
}

void AppendHex(std::string& out, std::uint8_t byte, bool upper) {
  const std::string_view digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  out += digits[byte >> 4];
  out += digits[byte & 0xF];
}

void AppendHex(std::string& out, COLORREF color, bool upper) {
  for (const std::uint8_t byte : {RedOf(color), GreenOf(color), BlueOf(color)})
    AppendHex(out, byte, upper);
}

int Component(double fraction) noexcept {
  if (!(fraction >= 0.0)) return 0;  // NaN too
  return static_cast<int>(std::lround(std::clamp(fraction, 0.0, 1.0) * 255.0));
}

COLORREF TableColor(const SourceColor& source) noexcept {
  const std::array<double, 4>& v = source.values;
  switch (source.model) {
    case ColorModel::Rgb:
      return MakeColor(Component(v[0]), Component(v[1]), Component(v[2]));
    case ColorModel::Grey:
      return MakeColor(Component(v[0]), Component(v[0]), Component(v[0]));
    case ColorModel::Hsb:
      return FromHsb(static_cast<std::uint32_t>(std::lround(std::clamp(v[0], 0.0, 1.0) * 65535)),
                     static_cast<std::uint32_t>(std::lround(std::clamp(v[1], 0.0, 1.0) * 65535)),
                     static_cast<std::uint32_t>(std::lround(std::clamp(v[2], 0.0, 1.0) * 65535)));
    default:
      return 0;
  }
}

SourceColor SourceOf(const PaletteData& palette, std::size_t i) noexcept {
  if (i < palette.sources.size() && palette.sources[i]) return *palette.sources[i];
  const COLORREF c = palette.colors[i];
  return {ColorModel::Rgb, {RedOf(c) / 255.0, GreenOf(c) / 255.0, BlueOf(c) / 255.0, 0}};
}

}  // namespace varnel
