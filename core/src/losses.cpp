// What a conversion cannot keep, in words for people.
#include "varnel/losses.h"

#include <algorithm>
#include <array>

#include "varnel/utf.h"

namespace varnel {
namespace {

constexpr std::size_t kPaintNetShown = 96;  // the entries Paint.NET's palette shows

// "1 CMYK colour", "10,000 CMYK colours".
std::string Counted(std::size_t count, const std::string& unit) {
  return Grouped(count) + " " + unit + (count == 1 ? "" : "s");
}

}  // namespace

std::vector<Loss> LossesOf(const PaletteData& palette, PaletteFormat format, bool keepCount) {
  std::vector<Loss> losses;
  auto add = [&losses](std::string what, std::string batch) {
    losses.push_back({std::move(what), std::move(batch)});
  };
  const FormatInfo& to = InfoOf(format);
  const std::string held = " (" + std::string(to.name) + " holds none)";
  if (palette.extra > 0)
    add(std::to_string(palette.extra) + " colours beyond the 256th not converted",
        "colours beyond the 256th not converted in {}");
  const bool counted = IsKept(to.ownCount, keepCount);
  if (palette.colorLines > palette.count && counted)
    add(std::to_string(palette.colorLines) + " colour lines, its count line says " +
            std::to_string(palette.count) + "; " + std::to_string(palette.count) + " kept",
        "colour lines beyond the count line dropped in {}");
  if (!palette.alpha.empty() && !to.alpha)
    add("alpha dropped" + held, "alpha dropped from {}" + held);
  const bool named = !palette.names.empty() && !to.names();
  const bool titled = !palette.title.empty() && !to.paletteName;
  if (named || titled) {
    const std::string what =
        named ? titled ? "colour and palette names" : "colour names" : "palette name";
    add(what + " dropped" + held,
        (titled && !named ? "palette names" : what) + " dropped from {}" + held);
  }
  const std::size_t units = to.nameUnits;
  const auto cut = std::ranges::count_if(palette.names, [units](const std::string& n) {
    return n.size() > units && Utf16FromUtf8(n).size() > units;
  });
  if (to.names() && cut > 0)
    add(std::to_string(cut) + (cut == 1 ? " colour name" : " colour names") + " cut to the " +
            std::to_string(units) + " UTF-16 units " + std::string(to.name) + " holds",
        "colour names cut to the " + std::to_string(units) + " UTF-16 units " +
            std::string(to.name) + " holds in {}");
  if (palette.transparent && !IsKept(to.transparent, keepCount) &&
      !HoldsIndexAsAlpha(format, palette, keepCount)) {
    const bool kept = to.transparent == Kept::WithKeepCount;
    add("transparent index " + std::to_string(*palette.transparent) + " dropped" +
            (kept ? " (--keep-count keeps it)" : ""),
        std::string("transparent indexes dropped from {}") +
            (kept ? " (--keep-count keeps them)" : ""));
  }
  // A swatch format that holds other models than this colour's, or no kinds.
  std::array<std::size_t, 5> unheld{};
  std::size_t kinds = 0;
  for (const auto& source : palette.sources) {
    if (!source) continue;
    if (to.models != 0 && !to.holds(source->model))
      ++unheld[static_cast<std::size_t>(source->model)];
    kinds += to.models != 0 && !to.kinds && source->kind != ColorKind::Normal;
  }
  for (std::size_t m = 0; m < unheld.size(); ++m) {
    static constexpr const char* kModels[] = {"RGB", "HSB", "CMYK", "Lab", "grey"};
    if (unheld[m] > 0)
      add(Counted(unheld[m], std::string(kModels[m]) + " colour") + " written as RGB (" +
              std::string(to.name) + " holds no " + kModels[m] + ")",
          std::string(kModels[m]) + " colours written as RGB in {} (" + std::string(to.name) +
              " holds no " + kModels[m] + ")");
  }
  if (kinds > 0)
    add(Counted(kinds, "spot or global colour") + " written as normal (" + std::string(to.name) +
            " holds no kinds of colour)",
        "spot and global colours written as normal in {} (" + std::string(to.name) +
            " holds no kinds of colour)");
  if (format == PaletteFormat::PaintNet && palette.count > kPaintNetShown)
    add("Paint.NET shows only the first " + std::to_string(kPaintNetShown) + " of its " +
            std::to_string(palette.count) + " colours",
        "Paint.NET shows only the first " + std::to_string(kPaintNetShown) + " colours of {}");
  return losses;
}

}  // namespace varnel
