// What must hold for every input the readers and naming rules meet: the fuzz target's checks.
#pragma once

#include <string>
#include <string_view>

#include "varnel/format.h"

namespace varnel::fuzz {

// "" or what the input breaks, under the check its first line names (see SelectorOf): a
// format's short name, "name" for naming and UTF-8/UTF-16 text, "sniff" for sniffing, which
// also takes, whole, an input whose first line names nothing. A reader agrees with its model
// (ModelJascPal; the first 768 bytes, zero-padded) fed whole or in any pieces, never reads past
// a piece, stops right after the table; another reader either refuses the input or gives 1 to
// 256 colours; what any reader gives survives every writer as far as that format holds it
// (Held); a sniffing decoder reads as the format it settles on; an extension is what follows
// the last dot, the right ones pick their formats, and Convert's target is the other format
// beside the source. Checks are chosen by name, so a new row of kFormats leaves every stored
// input under the check it was stored for.
std::string CheckInput(std::string_view input);

// The first line that selects the reader of `format` in CheckInput: its name and a line feed.
std::string SelectorOf(PaletteFormat format);

// The check CheckInput runs on `input`: a format's short name, "name" or "sniff".
std::string_view CheckSelected(std::string_view input);

// A palette as text, for comparing: "count", "transparent", "extra", "alpha" and "title"
// lines, then "I R G B[ NAME]" for each of the first `count` colours.
std::string Describe(const PaletteData& palette);

// Whether `back`'s source colours (PaletteData::sources) are `held`'s, as far as the
// format's numbers resolve them; `back` then takes `held`'s 8-bit colours where each is
// within 1 of it, so that the rest compares exactly. "" when they agree, else what differs.
std::string SourcesAgree(PaletteData& back, const PaletteData& held);

// What of `palette` a file in `format` holds, written with its own count and read back.
PaletteData Held(const PaletteData& palette, PaletteFormat format);

// JASC-PAL read the slow, obvious way: lines cut at LF, three skipped, each of the next 256
// scanned like "%d %d %d" up to a NUL, numbers modulo 256, missing components carried over;
// `colourLines`, if given, counts the lines that gave a number.
Palette ModelJascPal(std::string_view text, std::size_t* colourLines = nullptr);

}  // namespace varnel::fuzz
