#include "oklab.h"

#include <algorithm>
#include <cmath>

namespace varnel {
namespace {

// x^(1/n) for x >= 0 by Newton's method from above, where it falls monotonically: the
// first step that no longer lowers it ends it. frexp and ldexp only move the exponent.
template <int n>
double Root(double x) noexcept {
  if (!(x > 0)) return 0;
  int exponent = 0;
  std::frexp(x, &exponent);
  double y = std::ldexp(1.0, exponent >= 0 ? (exponent + n - 1) / n : exponent / n + 1);
  for (;;) {
    double power = 1;
    for (int i = 0; i < n - 1; ++i) power *= y;
    const double next = ((n - 1) * y + x / power) / n;
    if (!(next < y)) return y;
    y = next;
  }
}

// sRGB's transfer function, a component 0..1 to linear light.
double Linear(double encoded) noexcept {
  if (encoded <= 0.04045) return encoded / 12.92;
  const double x = (encoded + 0.055) / 1.055;
  return x * x * Root<5>(x * x);  // x^2.4
}

// The linear light of each 8-bit value, and of each half step between two, for rounding back.
struct Tables {
  std::array<double, 256> linear{};
  std::array<double, 255> halfway{};
  Tables() noexcept {
    double v = 0;
    for (double& l : linear) l = Linear(v++ / 255.0);
    v = 0.5;
    for (double& h : halfway) h = Linear(v++ / 255.0);
  }
};

const Tables& TablesOnce() noexcept {
  static const Tables tables;
  return tables;
}

double LinearOf(double component) noexcept {
  const auto& linear = TablesOnce().linear;
  const double held = std::clamp(component, 0.0, 255.0);
  const auto low = static_cast<std::size_t>(held);
  if (low >= 255) return linear[255];
  const double t = held - static_cast<double>(low);
  return linear[low] + (linear[low + 1] - linear[low]) * t;
}

std::uint8_t EncodedOf(double linear) noexcept {
  const auto& halfway = TablesOnce().halfway;
  return static_cast<std::uint8_t>(std::upper_bound(halfway.begin(), halfway.end(), linear) -
                                   halfway.begin());
}

}  // namespace

Oklab OklabOf(double red, double green, double blue) noexcept {
  const double r = LinearOf(red), g = LinearOf(green), b = LinearOf(blue);
  const double l = Root<3>(0.4122214708 * r + 0.5363325363 * g + 0.0514459929 * b);
  const double m = Root<3>(0.2119034982 * r + 0.6806995451 * g + 0.1073969566 * b);
  const double s = Root<3>(0.0883024619 * r + 0.2817188376 * g + 0.6299787005 * b);
  return {0.2104542553 * l + 0.7936177850 * m - 0.0040720468 * s,
          1.9779984951 * l - 2.4285922050 * m + 0.4505937099 * s,
          0.0259040371 * l + 0.7827717662 * m - 0.8086757660 * s};
}

COLORREF SrgbOf(const Oklab& lab) noexcept {
  const double l = lab.l + 0.3963377774 * lab.a + 0.2158037573 * lab.b;
  const double m = lab.l - 0.1055613458 * lab.a - 0.0638541728 * lab.b;
  const double s = lab.l - 0.0894841775 * lab.a - 1.2914855480 * lab.b;
  const double l3 = l * l * l, m3 = m * m * m, s3 = s * s * s;
  return MakeColor(EncodedOf(4.0767416621 * l3 - 3.3077115913 * m3 + 0.2309699292 * s3),
                   EncodedOf(-1.2684380046 * l3 + 2.6097574011 * m3 - 0.3413193965 * s3),
                   EncodedOf(-0.0041960863 * l3 - 0.7034186147 * m3 + 1.7076147010 * s3));
}

}  // namespace varnel
