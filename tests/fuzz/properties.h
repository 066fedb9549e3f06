// What must hold for every input the readers and naming rules meet: the fuzz target's checks.
#pragma once

#include <string>
#include <string_view>

#include "varnel/palette.h"

namespace varnel::fuzz {

// "" or what the input breaks, under the check its first byte selects (modulo 3: '0' JASC-PAL,
// '1' ACT, '2' naming) on the rest: a reader agrees with its model (ModelJascPal; the first
// 768 bytes, zero-padded) fed whole or in any pieces, never reads past a piece, stops right
// after the table and its table survives both writers; an extension is what follows the last
// dot, "act" in any case picks ACT, and Convert's target is the other format beside the source.
std::string CheckInput(std::string_view input);

// JASC-PAL read the slow, obvious way: lines cut at LF, three skipped, each of the next 256
// scanned like "%d %d %d" up to a NUL, numbers modulo 256, missing components carried over.
Palette ModelJascPal(std::string_view text);

}  // namespace varnel::fuzz
