#include "work.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "varnel/losses.h"
#include "varnel/palette_ops.h"
#include "varnel/utf.h"

namespace palconv {
namespace {

constexpr const char* kSortWords[] = {"lightness", "hue (greys first)", "chroma"};

}  // namespace

void RefuseManyColours(const varnel::PaletteData& palette, const Request& request) {
  if (palette.pictureColors <= palette.count || request.colours) return;
  throw std::runtime_error("a picture of " + varnel::PictureColors(palette) +
                           ", not a palette (at most 256; --colours 256 takes its 256 most "
                           "representative)");
}

varnel::PaletteData Worked(std::vector<varnel::PaletteData> read, const Request& request,
                           const Say& say) {
  const varnel::PaletteData& first = read.front();
  if (!request.works()) return std::move(read.front());
  varnel::Swatches swatches = varnel::SwatchesOf(first);
  varnel::PaletteData facts;
  facts.title = first.title;
  facts.extra = first.extra;
  if (request.merge) {
    facts = {};
    facts.extra = first.extra;
    for (std::size_t i = 1; i < read.size(); ++i) {
      facts.extra += read[i].extra;
      varnel::Merge(swatches, varnel::SwatchesOf(read[i]));
    }
    say(varnel::Counted(read.size(), "file") +
            " merged: " + varnel::Counted(swatches.size(), "colour"),
        {});
  }
  if (request.dedup) {
    const std::size_t dropped = varnel::DropRepeats(swatches);
    say(dropped == 0 ? std::string("no repeated colour to drop")
                     : varnel::Counted(dropped, "repeated colour") + " dropped, " +
                           varnel::Counted(swatches.size(), "colour") + " kept",
        "repeated colours dropped from {}");
  }
  if (request.depth) {
    const auto& bits = *request.depth;
    const varnel::DepthChange change = varnel::SnapToDepth(swatches, bits);
    const std::string depth = std::to_string(bits[0]) + "," + std::to_string(bits[1]) + "," +
                              std::to_string(bits[2]) + " bits";
    say("colours rounded to " + depth + ": " + varnel::Counted(change.changed, "colour") +
            " changed" +
            (change.joined > 0 ? ", " + std::to_string(change.joined) +
                                     " became equal to another (--dedup drops them)"
                               : ""),
        "colours rounded to " + depth + " in {}");
  }
  if (request.colours) {
    const std::size_t before = swatches.size();
    const bool named = std::ranges::any_of(
        swatches, [](const varnel::Swatch& s) { return !s.name.empty() || s.source; });
    const bool picture = !request.merge && first.pictureColors > first.count;
    if (varnel::Reduce(swatches, *request.colours))
      say((picture ? "its " + varnel::PictureColors(first) : varnel::Counted(before, "colour")) +
              " reduced to the " + std::to_string(swatches.size()) + " most representative" +
              (named ? "; names and source values dropped" : ""),
          "colours reduced to " + std::to_string(*request.colours) + " in {}");
  }
  if (request.sort) {
    varnel::Sort(swatches, *request.sort);
    say(std::string("colours sorted by ") + kSortWords[static_cast<int>(*request.sort)],
        std::string("colours sorted by ") + kSortWords[static_cast<int>(*request.sort)] + " in {}");
  }
  if (const auto clear = std::ranges::count_if(swatches, &varnel::Swatch::transparent); clear > 1)
    say("the first transparent entry stays one; " +
            varnel::Counted(static_cast<std::size_t>(clear - 1), "later one") +
            " kept as an opaque colour",
        {});
  if (swatches.size() > varnel::kPaletteSize)
    throw std::runtime_error(varnel::Counted(swatches.size(), "colour") +
                             ", more than a palette holds (256); --colours 256 reduces them");
  return varnel::PaletteOf(swatches, facts);
}

}  // namespace palconv
