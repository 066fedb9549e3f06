#include "report.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "varnel/utf.h"

namespace palconv {
namespace {

void Append(std::string& text, unsigned value) {
  std::array<char, 16> digits{};
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
  text.append(digits.data(), end);
}

// The entry's red, green and blue in decimal, `separator` between them.
void AppendRgb(std::string& text, varnel::COLORREF color, char separator) {
  Append(text, varnel::RedOf(color));
  text += separator;
  Append(text, varnel::GreenOf(color));
  text += separator;
  Append(text, varnel::BlueOf(color));
}

}  // namespace

std::string Listing(const varnel::Palette& palette) {
  std::string text;
  text.reserve(palette.size() * 16);
  for (unsigned i = 0; i < palette.size(); ++i) {
    Append(text, i);
    text += ": ";
    AppendRgb(text, palette[i], ' ');
    text += '\n';
  }
  return text;
}

std::string Grid(const varnel::Palette& palette) {
  constexpr unsigned kColumns = 16;
  std::string text;
  for (unsigned i = 0; i < palette.size(); ++i) {
    text += "\x1b[48;2;";
    AppendRgb(text, palette[i], ';');
    text += "m  ";
    if (i % kColumns == kColumns - 1) text += "\x1b[0m\n";
  }
  return text;
}

std::string Shown(std::string_view name) {
  return varnel::IsPrintable(name) ? std::string(name) : varnel::Quoted(name);
}

std::vector<Warning> Losses(const varnel::PaletteData& palette, varnel::PaletteFormat format,
                            bool keepCount) {
  std::vector<Warning> losses;
  const varnel::FormatInfo& to = varnel::InfoOf(format);
  const std::string held = " (" + std::string(to.name) + " holds none)";
  if (palette.extra > 0)
    losses.push_back({std::to_string(palette.extra) + " colours beyond the 256th not converted",
                      "colours beyond the 256th not converted in {}"});
  const bool counted = varnel::IsKept(to.ownCount, keepCount);
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
    return n.size() > units && varnel::Utf16FromUtf8(n).size() > units;
  });
  const std::string holds =
      std::to_string(units) + " UTF-16 units " + std::string(to.name) + " holds";
  if (to.names() && cut > 0)
    losses.push_back({std::to_string(cut) + (cut == 1 ? " colour name" : " colour names") +
                          " cut to the " + holds,
                      "colour names cut to the " + holds + " in {}"});
  if (palette.transparent && !varnel::IsKept(to.transparent, keepCount) &&
      !varnel::HoldsIndexAsAlpha(format, palette, keepCount)) {
    const bool kept = to.transparent == varnel::Kept::WithKeepCount;
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
  return losses;
}

}  // namespace palconv
