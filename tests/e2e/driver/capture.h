// Reading what another process has drawn: a copy of a window's pixels through its device
// context (copying from a window of another process is what works under Wine; asking that
// window to print itself draws nothing).
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <vector>

namespace varnel::e2e {

struct Rgb {
  int r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

class Pixels {
 public:
  Pixels() = default;
  Pixels(int width, int height, std::vector<std::uint32_t> bgrx)
      : width_(width), height_(height), bgrx_(std::move(bgrx)) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return bgrx_.empty(); }
  // Colour at (x, y), top left is (0, 0). Outside the picture: black.
  Rgb At(int x, int y) const;
  friend bool operator==(const Pixels&, const Pixels&) = default;

  // Writes the picture as a 24-bit bitmap file.
  void Save(const std::filesystem::path& file) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> bgrx_;  // top row first, 0x00RRGGBB
};

// The client area of `window` as it is on screen now.
Pixels CaptureClient(HWND window);
// The whole window, frame and caption included.
Pixels CaptureWindow(HWND window);

// Captures the client area until two captures in a row agree (the program has finished
// painting); empty if it keeps changing past the deadline.
Pixels SettledClient(HWND window);

}  // namespace varnel::e2e
