// Client-area geometry: points and rectangles in pixels.
#pragma once

namespace varnel::window {

struct Point {
  int x = 0;
  int y = 0;
};

// A rectangle whose right and bottom edges are exclusive: it covers the pixels
// left <= x < right, top <= y < bottom.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  constexpr int Width() const noexcept { return right - left; }
  constexpr int Height() const noexcept { return bottom - top; }

  // True when `p` lies inside: left <= x < right and top <= y < bottom.
  constexpr bool PtInRect(Point p) const noexcept {
    return left <= p.x && p.x < right && top <= p.y && p.y < bottom;
  }

  // Grows the rectangle by `d` pixels on every side (shrinks it for negative `d`).
  constexpr void InflateRect(int d) noexcept {
    left -= d;
    top -= d;
    right += d;
    bottom += d;
  }
};

}  // namespace varnel::window
