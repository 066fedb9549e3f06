// What must hold for every input the readers and the naming rules can meet. The fuzz
// targets check these on every generated input; the replay test checks them on the seed
// corpus and on every input that once broke something.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "varnel/palette.h"

namespace varnel::fuzz {

// Each check returns an empty string when `input` keeps every property, otherwise a
// sentence naming the first property it breaks.

// JASC-PAL reading: the streaming decoder agrees with a plain line-by-line model, gives
// the same table however the input is cut into pieces, ignores what follows the 256th
// entry line, and its table survives a JASC-PAL and an ACT round trip.
std::string CheckJascPal(std::string_view input);

// ACT reading: only the first 768 bytes count, the table re-encodes to exactly those
// bytes (zero-padded when the input is shorter), and survives a JASC-PAL round trip.
std::string CheckAct(std::string_view input);

// Naming rules on `input` taken as a path (bytes up to the first NUL; the rest, if any,
// is tried as a mismatched extension): the extension is what follows the file name's last
// dot, ACT is chosen only by "act" in any case, and Convert's target stays in the folder,
// ends in ".act" or ".pal", is read back in the format written and never is the source.
std::string CheckNaming(std::string_view input);

// The forgiving JASC-PAL reading done the slow, obvious way: cut the text into lines at
// LF, skip three, scan each of the next 256 like "%d %d %d" up to its first NUL, with
// numbers of any length taken modulo 256 and components carried over from the entry
// before. A line past the end of the text is empty.
Palette ModelJascPal(std::string_view text);

// Runs a check the way a fuzz target does: a broken property is a crash, so the fuzzer
// keeps the input.
using Check = std::string (*)(std::string_view);
int RunFuzzInput(Check check, const std::uint8_t* data, std::size_t size);

}  // namespace varnel::fuzz
