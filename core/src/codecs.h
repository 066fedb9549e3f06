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
  // Adds a colour, or counts it as extra beyond the 256th; `name` only where the format
  // has names.
  void Add(COLORREF color, std::string_view name = {});
  // The palette; throws FormatError when no colour came.
  PaletteData Finish();
  PaletteData& data() noexcept { return data_; }

 private:
  PaletteData data_ = Empty();
  static PaletteData Empty() {
    PaletteData data;
    data.count = 0;
    return data;
  }
};

}  // namespace varnel
