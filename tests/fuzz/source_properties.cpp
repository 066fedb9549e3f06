#include <cmath>
#include <cstdlib>

#include "properties.h"

namespace varnel::fuzz {

// Whether `back`'s source colours are `held`'s, each value within what the format's numbers
// resolve, its 8-bit sRGB within 1 of each
// channel (Photoshop's 16 bits are cut to their high byte, a float is rounded); then `back`
// takes `held`'s colours there, so that the rest can be compared exactly. "" when they agree, else
// what differs.
std::string SourcesAgree(PaletteData& back, const PaletteData& held) {
  if (back.sources.size() != held.sources.size()) return "the source colours do not come back";
  for (std::size_t i = 0; i < back.sources.size(); ++i) {
    const std::optional<SourceColor>&a = back.sources[i], &b = held.sources[i];
    if (a.has_value() != b.has_value() || (a && (a->model != b->model || a->kind != b->kind)))
      return "colour " + std::to_string(i) + "'s model or kind does not come back";
    if (!a) continue;
    // Half a step of the coarsest numbers that hold the model: Photoshop's hundredths of Lab,
    // ten-thousandths of grey, 16 bits of the others.
    const double resolution = a->model == ColorModel::Lab    ? 0.005 + 1e-6
                              : a->model == ColorModel::Grey ? 0.00005 + 1e-6
                                                             : 0.5 / 65535 + 1e-6;
    for (std::size_t k = 0; k < 4; ++k)
      if (!(std::abs(a->values[k] - b->values[k]) <= resolution))
        return "colour " + std::to_string(i) + "'s values do not come back";
    const COLORREF x = back.colors[i], y = held.colors[i];
    for (const int shift : {0, 8, 16})
      if (std::abs(int(x >> shift & 0xFF) - int(y >> shift & 0xFF)) > 1)
        return "colour " + std::to_string(i) + " converts otherwise";
    back.colors[i] = y;
  }
  return {};
}

}  // namespace varnel::fuzz
