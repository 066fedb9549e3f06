#include <algorithm>
#include <array>
#include <tuple>

#include "properties.h"
#include "varnel/palette_ops.h"

namespace varnel::fuzz {
namespace {

bool Same(const Swatch& a, const Swatch& b) {
  return a.color == b.color && a.alpha == b.alpha && a.name == b.name && a.source == b.source &&
         a.transparent == b.transparent;
}

bool Same(const Swatches& a, const Swatches& b) {
  return std::ranges::equal(a, b, [](const Swatch& x, const Swatch& y) { return Same(x, y); });
}

}  // namespace

std::string CheckOperations(const PaletteData& read, std::string_view input) {
  // The options drawn from the input's last bytes, so the fuzzer varies them too.
  auto byte = [&](std::size_t back) {
    return input.size() > back ? static_cast<unsigned char>(input[input.size() - 1 - back]) : 0u;
  };
  const std::size_t most = 1 + byte(0) % kPaletteSize;
  const std::array<int, 3> bits{int(1 + byte(1) % 8), int(1 + byte(2) % 8), int(1 + byte(3) % 8)};
  const auto key = static_cast<SortKey>(byte(4) % 3);

  const Swatches swatches = SwatchesOf(read);
  if (read.pictureColors <= read.count && Describe(PaletteOf(swatches, read)) != Describe(read))
    return "a palette made swatches and back is another";

  Swatches reduced = swatches;
  const bool changed = Reduce(reduced, most);
  if (reduced.size() > most || reduced.empty()) return "--colours gives more than it may";
  if (!changed && !Same(reduced, swatches)) return "--colours changes a palette of few enough";

  Swatches once = swatches, twice = swatches;
  DropRepeats(once);
  Merge(twice, swatches);
  DropRepeats(twice);
  if (!Same(once, twice)) return "a merge with itself under --dedup is not the file under --dedup";

  Swatches snapped = swatches;
  SnapToDepth(snapped, bits);
  Swatches again = snapped;
  if (SnapToDepth(again, bits).changed != 0) return "--depth moves a colour of its depth";

  Swatches sorted = swatches;
  Sort(sorted, key);
  auto order = [](Swatches list) {
    std::ranges::sort(list, {}, [](const Swatch& s) {
      return std::tuple(s.color, s.alpha, s.name, s.transparent);
    });
    return list;
  };
  if (!Same(order(sorted), order(swatches))) return "--sort is no permutation";
  Swatches resorted = sorted;
  Sort(resorted, key);
  if (!Same(resorted, sorted)) return "--sort of sorted colours moves them";
  return {};
}

}  // namespace varnel::fuzz
