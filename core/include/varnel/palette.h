// The palette table: 256 colours, index 0 to 255, and what a file says beside it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
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

// How many colours a palette holds: 1 to 256, never another number, so that whatever
// indexes the table by it stays inside.
class ColorCount {
 public:
  constexpr ColorCount() noexcept = default;  // the whole table
  // Throws std::out_of_range for a number outside 1 to 256.
  constexpr explicit ColorCount(std::size_t count) : count_(count) {
    if (count < 1 || count > kPaletteSize)
      throw std::out_of_range("a palette holds 1 to 256 colours");
  }
  constexpr operator std::size_t() const noexcept { return count_; }

 private:
  std::size_t count_ = kPaletteSize;
};

// The colour models of swatch files.
enum class ColorModel : std::uint8_t { Rgb, Hsb, Cmyk, Lab, Grey };
// The kinds of colour Adobe swatch exchange tells apart (every other format's are normal).
enum class ColorKind : std::uint8_t { Normal, Global, Spot };

// A colour as a swatch file gives it: its model and its values in the model's own units, held
// to their range (RGB, HSB, CMYK ink and grey lightness 0 to 1, hue a fraction of a turn; Lab
// relative to D50, L 0 to 100, a and b -128 to 127), and its kind.
struct SourceColor {
  ColorModel model = ColorModel::Rgb;
  std::array<double, 4> values{};
  ColorKind kind = ColorKind::Normal;
  friend bool operator==(const SourceColor&, const SourceColor&) = default;
};

// The pixels of one colour, or of a cell of like colours: how many, and the sums of their red,
// green, blue and alpha (so that the cell's mean colour is exact).
struct ColorCell {
  std::uint64_t pixels = 0;
  std::array<std::uint64_t, 4> sums{};
};

// A palette as a file gives it: the whole table, which the window shows and JASC-PAL and
// ACT write, and the facts beside it that other formats keep.
struct PaletteData {
  PaletteData() = default;
  // All 256 entries of a table, nothing beside them.
  explicit PaletteData(const Palette& table) noexcept : colors(table) {}

  Palette colors{};                         // entries a file does not reach are black
  ColorCount count;                         // the colours the file holds or states
  std::optional<std::uint8_t> transparent;  // the transparent entry, where the file names one
  // Well-formed UTF-8, one per colour ("" for none) as soon as one colour has a name; else
  // empty.
  std::vector<std::string> names;
  // One per colour (255 opaque, 0 clear) as soon as one colour is not opaque; else empty.
  std::vector<std::uint8_t> alpha;
  // One per colour as soon as one colour came from a swatch file as more than 8-bit sRGB (its
  // model, its precision or its kind), nullopt for a colour that did not; else empty. The
  // table holds each as 8-bit sRGB; a format that holds the model writes the values back.
  std::vector<std::optional<SourceColor>> sources;
  std::string title;  // the palette's own name (GIMP "Name:"), well-formed UTF-8
  // For a palette read from a picture, what kind of picture and its size in pixels
  // ("indexed, 32 × 1", "true colour, 64 × 64", "grey, 8 × 8"); empty for a palette file.
  std::string picture;
  // For a picture, the colours of its pixels and how many have each, for reducing it: one cell
  // per palette entry, in order, where it has at most 256 colours; else cells of like colours,
  // whose 256 most representative the table holds. Shared by copies; null for a palette file.
  std::shared_ptr<const std::vector<ColorCell>> pixels;
  // How many distinct colours the picture has, more than `count` where the table holds its
  // most representative ones; `pictureColorsCapped`: at least that many (counting stopped).
  std::uint64_t pictureColors = 0;
  bool pictureColorsCapped = false;
  // What reading could not keep, so that a conversion can say so.
  std::size_t extra = 0;  // colours beyond the 256th
  // JASC-PAL: the lines that gave a colour, where there are more than its count line states.
  std::size_t colorLines = 0;
  // What else reading met that a conversion should say, each about the file ("its tRNS
  // chunk holds 20 alpha values for 16 colours; ...").
  std::vector<std::string> warnings;
};

}  // namespace varnel
