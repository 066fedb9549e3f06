// What palconv does to the colours between reading and writing: --merge, --dedup, --depth,
// --colours and --sort, always in that order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "options.h"

namespace palconv {

// Tells what an operation did: of one file, and of many ("{}" for their number).
using Say = std::function<void(const std::string& what, const std::string& batch)>;

// Throws std::runtime_error for a picture of more colours than a palette holds where
// `request` reduces none (no --colours): the refusal names --colours 256.
void RefuseManyColours(const varnel::PaletteData& palette, const Request& request);

// The palette of `read` (the palettes of the FILEs, in order: several only with --merge)
// after what `request` asks, each operation saying what it did through `say`. Throws
// std::runtime_error for a result of more than 256 colours.
varnel::PaletteData Worked(std::vector<varnel::PaletteData> read, const Request& request,
                           const Say& say);

}  // namespace palconv
