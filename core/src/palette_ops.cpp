#include "varnel/palette_ops.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <stdexcept>
#include <utility>

#include "oklab.h"
#include "quantize.h"

namespace varnel {
namespace {

// What makes two swatches the same colour: sRGB and alpha, the transparent entry's alpha 0.
std::uint32_t KeyOf(const Swatch& s) noexcept {
  return s.color | std::uint32_t{s.transparent ? std::uint8_t{0} : s.alpha} << 24;
}

// Where (a, b) points, as a number that grows with the angle from the +a axis, 0 to 4 for a
// full turn: the order of atan2's angles without atan2, whose last bits differ between
// libraries.
double Turn(double a, double b) noexcept {
  if (a == 0 && b == 0) return 0;
  if (b >= 0) return a >= 0 ? b / (a + b) : 1 - a / (b - a);
  return a < 0 ? 2 - b / (-a - b) : 3 + a / (a - b);
}

// `bits` of a channel: the nearest of 2^bits levels, its bits repeated to fill 8.
std::uint8_t Snapped(std::uint8_t value, int bits) noexcept {
  const unsigned top = (1u << bits) - 1;
  const unsigned level = (value * top + 127) / 255;
  unsigned wide = 0;
  for (int filled = 0; filled < 8; filled += bits) wide = wide << bits | level;
  return static_cast<std::uint8_t>(wide >> ((8 + bits - 1) / bits * bits - 8));
}

// A colour without a name or source.
Swatch Plain(COLORREF color, std::uint8_t alpha, std::uint64_t weight) {
  Swatch s;
  s.color = color;
  s.alpha = alpha;
  s.weight = weight;
  return s;
}

std::size_t Distinct(const Swatches& swatches) {
  std::set<std::uint32_t> keys;
  for (const Swatch& s : swatches) keys.insert(KeyOf(s));
  return keys.size();
}

}  // namespace

Swatches SwatchesOf(const PaletteData& palette) {
  Swatches swatches;
  if (palette.pixels && palette.pictureColors > palette.count) {
    for (const ColorCell& cell : *palette.pixels) {
      if (cell.pixels == 0) continue;
      auto mean = [&](std::size_t c) {
        return static_cast<int>((cell.sums[c] + cell.pixels / 2) / cell.pixels);
      };
      swatches.push_back(Plain(MakeColor(mean(0), mean(1), mean(2)),
                               static_cast<std::uint8_t>(mean(3)), cell.pixels));
    }
    return swatches;
  }
  for (std::size_t i = 0; i < palette.count; ++i) {
    Swatch s = Plain(palette.colors[i], 255, 1);
    if (i < palette.alpha.size()) s.alpha = palette.alpha[i];
    if (i < palette.names.size()) s.name = palette.names[i];
    if (i < palette.sources.size()) s.source = palette.sources[i];
    s.transparent = palette.transparent == i;
    if (palette.pixels && i < palette.pixels->size()) s.weight = (*palette.pixels)[i].pixels;
    swatches.push_back(std::move(s));
  }
  return swatches;
}

PaletteData PaletteOf(const Swatches& swatches, const PaletteData& facts) {
  if (swatches.empty() || swatches.size() > kPaletteSize)
    throw std::length_error("a palette holds 1 to 256 colours");
  PaletteData palette;
  palette.count = ColorCount(swatches.size());
  palette.title = facts.title;
  palette.extra = facts.extra;
  const bool named = std::ranges::any_of(swatches, [](const Swatch& s) { return !s.name.empty(); });
  const bool clear = std::ranges::any_of(swatches, [](const Swatch& s) { return s.alpha != 255; });
  const bool sourced =
      std::ranges::any_of(swatches, [](const Swatch& s) { return s.source.has_value(); });
  for (std::size_t i = 0; i < swatches.size(); ++i) {
    const Swatch& s = swatches[i];
    palette.colors[i] = s.color;
    if (named) palette.names.push_back(s.name);
    if (clear) palette.alpha.push_back(s.alpha);
    if (sourced) palette.sources.push_back(s.source);
    if (s.transparent && !palette.transparent) palette.transparent = static_cast<std::uint8_t>(i);
  }
  return palette;
}

void Merge(Swatches& swatches, Swatches more) {
  std::ranges::move(more, std::back_inserter(swatches));
}

std::size_t DropRepeats(Swatches& swatches) {
  Swatches kept;
  std::vector<std::pair<std::uint32_t, std::size_t>> seen;  // key, place in kept; sorted
  for (Swatch& s : swatches) {
    const std::uint32_t key = KeyOf(s);
    const auto at = std::ranges::lower_bound(seen, std::pair{key, std::size_t{0}});
    if (at != seen.end() && at->first == key) {
      Swatch& first = kept[at->second];
      first.weight += s.weight;
      first.transparent = first.transparent || s.transparent;
      continue;
    }
    seen.insert(at, {key, kept.size()});
    kept.push_back(std::move(s));
  }
  const std::size_t dropped = swatches.size() - kept.size();
  swatches = std::move(kept);
  return dropped;
}

DepthChange SnapToDepth(Swatches& swatches, const std::array<int, 3>& bits) {
  if (std::ranges::any_of(bits, [](int b) { return b < 1 || b > 8; }))
    throw std::out_of_range("a colour depth is 1 to 8 bits per channel");
  const std::size_t before = Distinct(swatches);
  DepthChange change;
  for (Swatch& s : swatches) {
    const COLORREF snapped =
        MakeColor(Snapped(RedOf(s.color), bits[0]), Snapped(GreenOf(s.color), bits[1]),
                  Snapped(BlueOf(s.color), bits[2]));
    if (snapped == s.color) continue;
    s.color = snapped;
    s.source.reset();
    ++change.changed;
  }
  change.joined = before - Distinct(swatches);
  return change;
}

bool Reduce(Swatches& swatches, std::size_t most) {
  if (swatches.size() <= most) return false;
  // The transparent entry stays as it is, unless only one colour may.
  const auto clear =
      most > 1 ? std::ranges::find_if(swatches, &Swatch::transparent) : swatches.end();
  std::optional<Swatch> transparent;
  std::vector<ColorCell> cells;
  for (auto s = swatches.begin(); s != swatches.end(); ++s) {
    if (s == clear) continue;
    const std::uint64_t w = s->weight;
    cells.push_back(
        {w, {RedOf(s->color) * w, GreenOf(s->color) * w, BlueOf(s->color) * w, s->alpha * w}});
  }
  if (clear != swatches.end()) transparent = *clear;
  Swatches reduced;
  if (transparent) reduced.push_back(*transparent);
  for (const Representative& r : Quantize(cells, most - (transparent ? 1 : 0)))
    if (reduced.size() < most) reduced.push_back(Plain(r.color, r.alpha, r.pixels));
  swatches = std::move(reduced);
  return true;
}

void Sort(Swatches& swatches, SortKey key) {
  std::vector<std::pair<double, std::size_t>> order;
  for (std::size_t i = 0; i < swatches.size(); ++i) {
    const COLORREF c = swatches[i].color;
    const Oklab lab = OklabOf(c);
    const bool grey = RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c);
    const double value = key == SortKey::Lightness ? lab.l
                         : key == SortKey::Chroma  ? lab.a * lab.a + lab.b * lab.b
                         : grey                    ? -1
                                                   : Turn(lab.a, lab.b);
    order.emplace_back(value, i);
  }
  std::ranges::sort(order);  // the places break ties: stable
  Swatches sorted;
  for (const auto& [value, i] : order) sorted.push_back(std::move(swatches[i]));
  swatches = std::move(sorted);
}

}  // namespace varnel
