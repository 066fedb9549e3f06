// Procreate swatches (.swatches): a ZIP archive of Swatches.json, a list of palettes (or, as
// older versions wrote it, one palette), each a name and its swatches in order: hue,
// saturation and brightness as fractions of 1, alpha, and the colour space they are meant in
// (0 for sRGB); an empty place of the palette is null.
#include "codecs.h"
#include "json_reading.h"
#include "varnel/source_colors.h"
#include "varnel/utf.h"
#include "zip.h"

namespace varnel {
namespace {

using json::At;
using json::Ordered;

constexpr std::string_view kEntry = "Swatches.json";

class SwatchesReader {
 public:
  PaletteData Read(const json::Value& top) {
    const At root(top);
    if (top.is_array()) {
      palettes_ = root.Array();
      if (palettes_ == 0) root.Fail("holds no palette");
      Palette(root[0]);
    } else {
      Palette(root);
    }
    PaletteData data = list_.Finish();
    if (palettes_ > 1)
      data.warnings.push_back("its " + std::string(kEntry) + " holds " + std::to_string(palettes_) +
                              " palettes; the first is read");
    if (otherSpace_ > 0)
      data.warnings.push_back(Counted(otherSpace_, "colour") +
                              " in another colour space than sRGB read as sRGB");
    if (kept_ > 0)
      data.warnings.push_back(Counted(kept_, "empty place") +
                              " before the last colour kept as fully transparent black");
    return data;
  }

 private:
  void Palette(const At& palette) {
    palette.Object();
    if (const At name = palette["name"]; name.Has() && !name.value().is_null())
      list_.data().title = ValidUtf8(name.String());
    const At swatches = palette["swatches"];
    std::size_t empty = 0;  // places since the last colour
    for (std::size_t i = 0; i < swatches.Array(); ++i) {
      const At swatch = swatches[i];
      if (swatch.value().is_null()) {
        ++empty;
        continue;
      }
      // Empty places between colours keep their place; those after the last do not.
      for (kept_ += empty; empty > 0; --empty)
        list_.Add(0, {}, SourceColor{ColorModel::Hsb}, 0);
      swatch.Object();
      const SourceColor source{ColorModel::Hsb,
                               {swatch["hue"].Number(0, 1), swatch["saturation"].Number(0, 1),
                                swatch["brightness"].Number(0, 1), 0}};
      const At alpha = swatch["alpha"], space = swatch["colorSpace"];
      if (space.Has() && space.Number(0, 255) != 0) ++otherSpace_;
      list_.Add(TableColor(source), {}, source,
                alpha.Has() ? Byte(alpha.Number(0, 1)) : std::uint8_t{255});
    }
  }

  ColorList list_;
  std::size_t palettes_ = 1, otherSpace_ = 0, kept_ = 0;
};

// An entry that the reader would give back as an empty place: fully transparent black read
// from nothing but black.
bool Empty(const PaletteData& palette, std::size_t i) {
  const SourceColor source = SourceOf(palette, i);
  const bool black = source.model != ColorModel::Hsb ||
                     source.values == SourceColor{ColorModel::Hsb}.values;
  return palette.colors[i] == 0 && !palette.alpha.empty() && palette.alpha[i] == 0 && black;
}

}  // namespace

bool LooksLikeSwatches(std::string_view bytes) noexcept {
  try {
    const ZipReader zip(bytes);
    return zip.Find(kEntry) != nullptr;
  } catch (const FormatError&) {
    return false;
  }
}

PaletteData DecodeSwatches(std::string_view bytes) {
  ZipReader zip(bytes);
  const ZipReader::Entry* entry = zip.Find(kEntry);
  if (!entry) throw NotAPaletteError("a ZIP file");
  const std::string text = zip.Read(*entry);
  try {
    return SwatchesReader().Read(json::Parse(text));
  } catch (const FormatError& error) {
    throw FormatError("its " + std::string(kEntry) + ": " + error.what());
  }
}

// As Procreate 5 writes a palette: a list of one, its colours in sRGB, empty places before
// the last colour as null.
std::string EncodeSwatches(const PaletteData& palette) {
  std::size_t end = palette.count;
  while (end > 1 && Empty(palette, end - 1)) --end;
  Ordered swatches = Ordered::array();
  for (std::size_t i = 0; i < palette.count; ++i) {
    if (i + 1 < end && Empty(palette, i)) {
      swatches.push_back(nullptr);
      continue;
    }
    const SourceColor source = SourceOf(palette, i);
    const SourceColor hsb = source.model == ColorModel::Hsb ? source : HsbOf(palette.colors[i]);
    swatches.push_back({{"hue", hsb.values[0]},
                        {"saturation", hsb.values[1]},
                        {"brightness", hsb.values[2]},
                        {"alpha", (palette.alpha.empty() ? 255 : palette.alpha[i]) / 255.0},
                        {"colorSpace", 0}});
  }
  Ordered palettes = Ordered::array();
  palettes.push_back({{"name", palette.title}, {"swatches", std::move(swatches)}});
  const std::string text = json::Dump(palettes, -1);
  const ZipEntry entries[] = {{kEntry, text}};
  return WriteZip(entries);
}

}  // namespace varnel
