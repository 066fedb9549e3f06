// The palette table: 256 colours, index 0 to 255.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace varnel {

// 0x00BBGGRR: red in the low byte, then green, then blue; the top byte is zero.
using COLORREF = std::uint32_t;

inline constexpr std::size_t kPaletteSize = 256;

using Palette = std::array<COLORREF, kPaletteSize>;

// Composes a colour from three components, each cut to its low 8 bits first
// (cut, not clamped: 256 gives 0, 300 gives 44, -1 gives 255).
constexpr COLORREF MakeColor(int red, int green, int blue) noexcept {
  return static_cast<COLORREF>(red & 0xFF) | static_cast<COLORREF>(green & 0xFF) << 8 |
         static_cast<COLORREF>(blue & 0xFF) << 16;
}

constexpr std::uint8_t RedOf(COLORREF c) noexcept { return static_cast<std::uint8_t>(c); }
constexpr std::uint8_t GreenOf(COLORREF c) noexcept { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t BlueOf(COLORREF c) noexcept { return static_cast<std::uint8_t>(c >> 16); }

}  // namespace varnel
