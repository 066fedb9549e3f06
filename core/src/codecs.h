// The codecs behind varnel/format.h, one pair per format. Decoders throw FormatError.
#pragma once

#include <string>
#include <string_view>

#include "varnel/format.h"

namespace varnel {

// ACT: the table as DecodeAct reads it; a file of exactly 772 bytes adds its trailer, the
// colour count and the transparent index (big-endian; 0xFFFF for none).
PaletteData DecodeActFile(std::string_view bytes) noexcept;
std::string EncodeActTrailer(const PaletteData& palette);

PaletteData DecodeGpl(std::string_view text);
std::string EncodeGpl(const PaletteData& palette);

PaletteData DecodeHex(std::string_view text);
std::string EncodeHex(const PaletteData& palette);

PaletteData DecodePaintNet(std::string_view text);
std::string EncodePaintNet(const PaletteData& palette);

PaletteData DecodeRiff(std::string_view bytes);
std::string EncodeRiff(const PaletteData& palette);

// Photoshop swatches; LooksLikeAco is true when `bytes` are sections of them, end to end.
bool LooksLikeAco(std::string_view bytes) noexcept;
PaletteData DecodeAco(std::string_view bytes);
std::string EncodeAco(const PaletteData& palette);

PaletteData DecodeAse(std::string_view bytes);
std::string EncodeAse(const PaletteData& palette);

PaletteData DecodeRaw(std::string_view bytes);
std::string EncodeRaw(const PaletteData& palette);

// Shared by the codecs: colours from a list longer or shorter than the table.
class ColorList {
 public:
  // Adds a colour, or counts it as extra beyond the 256th; `name` and `alpha` only where
  // the format holds them. A name is kept as well-formed UTF-8 (see ValidUtf8).
  void Add(COLORREF color, std::string_view name = {}, std::uint8_t alpha = 255);
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
