// What a conversion cannot keep of a palette: palconv's warnings and the window program's.
#pragma once

#include <string>
#include <vector>

#include "varnel/format.h"
#include "varnel/source_colors.h"

namespace varnel {

// One thing a file in some format cannot keep: `what` says it of one file ("alpha dropped
// (pal holds none)"); `batch` of many, "{}" standing for their number ("alpha dropped from {}
// (pal holds none)").
struct Loss {
  std::string what, batch;
};

// What writing `palette` in `format` (with its own count where `keepCount`, as --keep-count
// asks) loses: colours beyond the 256th, colour lines beyond the count line, alpha, names,
// names cut to their field, the transparent index, source colours in a model or of a kind the
// format does not hold, entries Paint.NET does not show.
std::vector<Loss> LossesOf(const PaletteData& palette, PaletteFormat format, bool keepCount);

// A picture's number of colours where it has more than a palette holds: "65,414 colours"
// ("over 4,194,304 colours" where counting stopped); "" for any other palette.
std::string PictureColors(const PaletteData& palette);

// What the window program says once when it loads a picture of more colours than a palette
// holds, of the file `name`: "sky.jpg has 65,414 colours; its 256 most representative are
// shown"; "" for any other palette.
std::string ReductionNote(const PaletteData& palette, const std::string& name);

// What converting a file's source colours did (see ConvertSources), through the print profile
// named `profile`, the default one where `byDefault`: "1 CMYK colour converted to RGB through
// FOGRA39L Coated (--cmyk-profile FILE for another press)", Lab colours clipped.
std::vector<Loss> ConversionNotes(const Converted& converted, const std::string& profile,
                                  bool byDefault);

}  // namespace varnel
