// What a conversion cannot keep of a palette: palconv's warnings and the window program's.
#pragma once

#include <string>
#include <vector>

#include "varnel/format.h"

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

}  // namespace varnel
