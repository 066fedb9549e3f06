// The palette table: 256 colours, index 0 to 255, and what a file says beside it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// A palette as a file gives it: the whole table, which the window shows and JASC-PAL and
// ACT write, and the facts beside it that other formats keep.
struct PaletteData {
  PaletteData() = default;
  // All 256 entries of a table, nothing beside them.
  explicit PaletteData(const Palette& table) noexcept : colors(table) {}

  Palette colors{};                         // entries a file does not reach are black
  std::size_t count = kPaletteSize;         // the colours the file holds or states, 1 to 256
  std::optional<std::uint8_t> transparent;  // the transparent entry, where the file names one
  // UTF-8, one per colour ("" for none) as soon as one colour has a name; else empty.
  std::vector<std::string> names;
  std::string title;  // the palette's own name (GIMP "Name:")
  // What reading could not keep, so that a conversion can say so.
  std::size_t extra = 0;  // colours beyond the 256th
  bool alpha = false;     // some colour was not opaque
};

}  // namespace varnel
