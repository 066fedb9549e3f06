#include "screen.h"

#include <algorithm>

#include "remote.h"

namespace varnel::e2e {

RECT SwatchRect(int index) {
  const int column = (index - 1) % 15;
  const int row = (index - 1) / 15;
  const int left = 7 + 18 * column;
  const int top = 7 + 18 * row;
  return {left, top, left + 15, top + 15};
}

POINT SwatchCentre(int index) {
  const RECT r = SwatchRect(index);
  return {r.left + 7, r.top + 7};
}

bool IsBackground(const Rgb& colour) {
  const int low = std::min({colour.r, colour.g, colour.b});
  const int high = std::max({colour.r, colour.g, colour.b});
  return low >= 32 && high <= 248 && high - low <= 10;
}

std::string Describe(const Rgb& colour) {
  return "(" + std::to_string(colour.r) + ", " + std::to_string(colour.g) + ", " +
         std::to_string(colour.b) + ")";
}

void KeepScreenshot(const Pixels& pixels, const std::string& name) {
  if (pixels.Empty()) return;
  pixels.Save(ArtefactFolder() / (name + ".bmp"));
}

}  // namespace varnel::e2e
