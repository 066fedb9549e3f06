// Oklab (Björn Ottosson's perceptual space) from and to 8-bit sRGB, computed the same way on
// every machine: only +, -, *, / and comparisons, which IEEE 754 rounds alike everywhere
// (the 32-bit Windows build does them in SSE2, not in the x87's wider registers), and roots by
// Newton's method instead of the C library's pow and cbrt, which differ between libraries in
// their last bits. Sorting and reducing palettes then give the same bytes on every build.
#pragma once

#include <array>
#include <cstdint>

#include "varnel/palette.h"

namespace varnel {

// L from 0 (black) to 1 (white); a and b about -0.4 to 0.4.
struct Oklab {
  double l = 0, a = 0, b = 0;
};

// The colour of 8-bit sRGB components, each 0 to 255; between two integers the linear light
// is interpolated (the mean colour of a cell of pixels).
Oklab OklabOf(double red, double green, double blue) noexcept;
inline Oklab OklabOf(COLORREF color) noexcept {
  return OklabOf(RedOf(color), GreenOf(color), BlueOf(color));
}

// The nearest 8-bit sRGB colour (each component rounded in sRGB's own steps, held to 0..255).
COLORREF SrgbOf(const Oklab& lab) noexcept;

}  // namespace varnel
