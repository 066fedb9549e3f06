// What the codecs behind varnel/format.h share. Each format's own functions are declared
// beside its row of kFormats (format_table.cpp) and defined in its codec file.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "varnel/format.h"
#include "varnel/text.h"

namespace varnel {

// The palette of the whole of `bytes`, through a format's StreamDecoder.
template <std::unique_ptr<StreamDecoder> (*make)()>
PaletteData DecodeWhole(std::string_view bytes) {
  const std::unique_ptr<StreamDecoder> decoder = make();
  decoder->Feed(bytes);
  return decoder->Finish();
}

// A colour component from a fraction of 1, rounded and held to 0..255 (NaN gives 0).
int Component(double fraction) noexcept;
inline std::uint8_t Byte(double fraction) noexcept {
  return static_cast<std::uint8_t>(Component(fraction));
}
// Two hex digits of `byte`, or "rrggbb" of `color`, in lower case or `upper`.
void AppendHex(std::string& out, std::uint8_t byte, bool upper = false);
void AppendHex(std::string& out, COLORREF color, bool upper = false);
// HSB as Photoshop stores it: hue 0..65535 for a full turn, the others 0..65535.
COLORREF FromHsb(std::uint32_t hue, std::uint32_t saturation, std::uint32_t brightness) noexcept;
// The table's colour of `source` where its model needs no print profile (RGB, HSB, grey);
// black for CMYK and Lab, which ConvertSources sets once every colour is read.
COLORREF TableColor(const SourceColor& source) noexcept;
// Colour `i` of `palette` as a swatch format writes it: its source where it has one, else
// the table's RGB.
SourceColor SourceOf(const PaletteData& palette, std::size_t i) noexcept;

// Shared by the codecs: colours from a list longer or shorter than the table.
class ColorList {
 public:
  // Adds a colour, or counts it as extra beyond the 256th; `name` and `alpha` only where
  // the format holds them. A name is kept as well-formed UTF-8 (see ValidUtf8).
  void Add(COLORREF color, std::string_view name = {}, std::uint8_t alpha = 255);
  // Adds a colour that a swatch file gives as `source` (see PaletteData::sources).
  void Add(COLORREF color, std::string_view name, const SourceColor& source,
           std::uint8_t alpha = 255);
  // The palette; throws FormatError when no colour came.
  PaletteData Finish();
  PaletteData& data() noexcept { return data_; }
  // The colours added so far, the extra ones included.
  std::size_t size() const noexcept { return count_ + data_.extra; }

 private:
  PaletteData data_;
  std::size_t count_ = 0;
};

}  // namespace varnel
