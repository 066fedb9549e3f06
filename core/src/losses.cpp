// What a conversion cannot keep, in words for people.
#include "varnel/losses.h"

#include <algorithm>
#include <array>

#include "varnel/utf.h"

namespace varnel {

std::string PictureColors(const PaletteData& palette) {
  if (palette.pictureColors <= palette.count) return {};
  return (palette.pictureColorsCapped ? "over " : "") + Counted(palette.pictureColors, "colour");
}

std::string ReductionNote(const PaletteData& palette, const std::string& name) {
  const std::string colors = PictureColors(palette);
  if (colors.empty()) return {};
  return name + " has " + colors + "; its " + std::to_string(palette.count) +
         " most representative are shown";
}

std::vector<Loss> ConversionNotes(const Converted& converted, const std::string& profile,
                                  bool byDefault) {
  std::vector<Loss> notes;
  const std::string hint = byDefault ? " (--cmyk-profile FILE for another press)" : "";
  if (converted.cmyk > 0)
    notes.push_back(
        {Counted(converted.cmyk, "CMYK colour") + " converted to RGB through " + profile + hint,
         "CMYK colours converted to RGB through " + profile + " in {}" + hint});
  if (converted.clipped > 0)
    notes.push_back({Counted(converted.clipped, "Lab colour") + " outside sRGB held at its edge",
                     "Lab colours outside sRGB held at its edge in {}"});
  return notes;
}

std::vector<Loss> LossesOf(const PaletteData& palette, PaletteFormat format, bool keepCount) {
  std::vector<Loss> losses;
  const FormatInfo& to = InfoOf(format);
  const std::string held = " (" + std::string(to.name) + " holds none)";
  if (palette.extra > 0)
    losses.push_back({std::to_string(palette.extra) + " colours beyond the 256th not converted",
                      "colours beyond the 256th not converted in {}"});
  const bool counted = IsKept(to.ownCount, keepCount);
  if (palette.colorLines > palette.count && counted)
    losses.push_back({std::to_string(palette.colorLines) + " colour lines, its count line says " +
                          std::to_string(palette.count) + "; " + std::to_string(palette.count) +
                          " kept",
                      "colour lines beyond the count line dropped in {}"});
  if (!palette.alpha.empty() && !to.alpha)
    losses.push_back({"alpha dropped" + held, "alpha dropped from {}" + held});
  const bool named = !palette.names.empty() && !to.names();
  const bool titled = !palette.title.empty() && !to.paletteName;
  if (named || titled) {
    const std::string what =
        named ? titled ? "colour and palette names" : "colour names" : "palette name";
    losses.push_back({what + " dropped" + held,
                      (titled && !named ? "palette names" : what) + " dropped from {}" + held});
  }
  const std::size_t units = to.nameUnits();
  const auto cut = std::ranges::count_if(palette.names, [units](const std::string& n) {
    return n.size() > units && Utf16FromUtf8(n).size() > units;
  });
  const std::string holds =
      std::to_string(units) + " UTF-16 units " + std::string(to.name) + " holds";
  if (to.names() && cut > 0)
    losses.push_back({std::to_string(cut) + (cut == 1 ? " colour name" : " colour names") +
                          " cut to the " + holds,
                      "colour names cut to the " + holds + " in {}"});
  if (palette.transparent && !IsKept(to.transparent, keepCount) &&
      !HoldsIndexAsAlpha(format, palette, keepCount)) {
    const bool kept = to.transparent == Kept::WithKeepCount;
    losses.push_back({"transparent index " + std::to_string(*palette.transparent) + " dropped" +
                          (kept ? " (--keep-count keeps it)" : ""),
                      std::string("transparent indexes dropped from {}") +
                          (kept ? " (--keep-count keeps them)" : "")});
  }
  if (to.shown > 0 && palette.count > to.shown) {
    const std::string shows =
        std::string(to.shownBy) + " shows only the first " + std::to_string(to.shown);
    losses.push_back({shows + " of its " + std::to_string(palette.count) + " colours",
                      shows + " colours of {}"});
  }
  // A swatch format that holds other models than a colour's, or no kinds.
  std::array<std::size_t, 5> unheld{};
  std::size_t kinds = 0;
  for (const std::optional<SourceColor>& source : palette.sources) {
    if (!source || to.models == 0) continue;
    if (!to.holds(source->model)) ++unheld[static_cast<std::size_t>(source->model)];
    kinds += !to.kinds && source->kind != ColorKind::Normal &&
             !(to.spot && source->kind == ColorKind::Spot);
  }
  static constexpr const char* kModels[] = {"RGB", "HSB", "CMYK", "Lab", "grey"};
  for (std::size_t m = 0; m < unheld.size(); ++m) {
    const std::string model = kModels[m],
                      none = " (" + std::string(to.name) + " holds no " + model + ")";
    if (unheld[m] > 0)
      losses.push_back({Counted(unheld[m], model + " colour") + " written as RGB" + none,
                        model + " colours written as RGB in {}" + none});
  }
  const std::string noKinds = " (" + std::string(to.name) + " holds no " +
                              (to.spot ? "global colours)" : "kinds of colour)");
  if (kinds > 0)
    losses.push_back({Counted(kinds, "spot or global colour") + " written as normal" + noKinds,
                      "spot and global colours written as normal in {}" + noKinds});
  return losses;
}

}  // namespace varnel
