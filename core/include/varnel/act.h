// ACT colour tables: 256 red, green, blue byte triplets, 768 bytes, no header.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "varnel/palette.h"

namespace varnel {

inline constexpr std::size_t kActSize = 3 * kPaletteSize;

// Decodes the first 768 bytes; anything after them plays no role. Bytes a shorter
// input does not reach count as zero, so entries it misses are black.
Palette DecodeAct(std::string_view bytes) noexcept;

// The 768 bytes of a palette.
std::string EncodeAct(const Palette& palette);

}  // namespace varnel
