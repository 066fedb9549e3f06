#include "varnel/act.h"

#include <algorithm>
#include <array>

namespace varnel {

Palette DecodeAct(std::string_view bytes) noexcept {
  // Bytes a short table does not reach count as zero.
  std::array<unsigned char, kActSize> table{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), kActSize), table.begin());
  Palette palette;
  for (std::size_t i = 0; i < kPaletteSize; ++i)
    palette[i] = MakeColor(table[3 * i], table[3 * i + 1], table[3 * i + 2]);
  return palette;
}

std::string EncodeAct(const Palette& palette) {
  std::string out;
  out.reserve(kActSize);
  for (const COLORREF c : palette) {
    out += static_cast<char>(RedOf(c));
    out += static_cast<char>(GreenOf(c));
    out += static_cast<char>(BlueOf(c));
  }
  return out;
}

}  // namespace varnel
