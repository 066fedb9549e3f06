#include "varnel/act.h"

#include <algorithm>
#include <array>

namespace varnel {

Palette DecodeAct(std::string_view bytes) noexcept {
  std::array<unsigned char, kActSize> table{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), kActSize), table.begin());
  Palette palette;
  for (std::size_t i = 0; i < kPaletteSize; ++i)
    palette[i] = MakeColor(table[3 * i], table[3 * i + 1], table[3 * i + 2]);
  return palette;
}

std::string EncodeAct(const Palette& palette) {
  std::string out(kActSize, '\0');
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    out[3 * i] = static_cast<char>(RedOf(palette[i]));
    out[3 * i + 1] = static_cast<char>(GreenOf(palette[i]));
    out[3 * i + 2] = static_cast<char>(BlueOf(palette[i]));
  }
  return out;
}

}  // namespace varnel
