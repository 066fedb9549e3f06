// What must hold for every input the readers and the naming rules can meet. The fuzz
// targets check it on every generated input, the replay test on the stored ones. Each
// check returns "" or a sentence naming the first property the input breaks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "varnel/palette.h"

namespace varnel::fuzz {

// JASC-PAL reading agrees with a plain line-by-line model, gives the same table however
// the input is cut into pieces (never reading past a piece), and survives both writers.
std::string CheckJascPal(std::string_view input);

// ACT reading: only the first 768 bytes count, the table re-encodes to exactly them
// (zero-padded), and survives both writers.
std::string CheckAct(std::string_view input);

// Naming rules on `input` as a path (up to its first NUL; what follows is tried as a
// mismatched extension): the extension follows the name's last dot, ACT is chosen only by
// "act" in any case, and Convert's target stays in the folder, swaps .act and .pal, is
// read back in the format written and never is the source.
std::string CheckNaming(std::string_view input);

// The forgiving JASC-PAL reading done the slow, obvious way: lines cut at LF, three
// skipped, each of the next 256 scanned like "%d %d %d" up to its first NUL, numbers of any
// length modulo 256, missing components carried over. Lines past the end are empty.
Palette ModelJascPal(std::string_view text);

// A broken property aborts, so that the fuzzer keeps the input.
using Check = std::string (*)(std::string_view);
int RunFuzzInput(Check check, const std::uint8_t* data, std::size_t size);

}  // namespace varnel::fuzz
