// palconv's command line, parsed and checked.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "palconv.h"
#include "varnel/colour.h"
#include "varnel/palette_file.h"
#include "varnel/palette_ops.h"

namespace palconv {

// The name that stands for standard input (as FILE) or standard output (as OUT).
inline constexpr std::string_view kStdStream = "-";

enum class Mode {
  ConvertBeside,  // palconv FILE...      each file converted beside itself
  ConvertTo,      // palconv -o OUT FILE  one file written to OUT
  Show,           // palconv --show FILE  the 256 entries listed
  Info,           // palconv --info FILE...  what each file is
};

struct Request {
  Mode mode = Mode::ConvertBeside;
  std::vector<std::string> files;             // UTF-8; "-" is standard input
  std::string output;                         // OUT of -o; "-" is standard output
  std::optional<varnel::PaletteFormat> from;  // --from: read every FILE in this format
  std::optional<varnel::PaletteFormat> to;    // --to: write in this format
  bool keepCount = false;     // --keep-count: JASC-PAL and ACT hold the file's count
  std::optional<int> swatch;  // --swatch N: a PNG picture's swatches are N pixels square
  // --cmyk-profile FILE: the print profile CMYK colours are converted through.
  std::shared_ptr<const varnel::CmykProfile> cmykProfile;
  // What is done to the colours between reading and writing, always in this order.
  bool merge = false;                       // --merge: the FILEs one palette, in order
  bool dedup = false;                       // --dedup: repeated colours dropped
  std::optional<std::array<int, 3>> depth;  // --depth R,G,B: bits per channel
  std::optional<std::size_t> colours;       // --colours N: at most N colours
  std::optional<varnel::SortKey> sort;      // --sort KEY
  bool works() const noexcept { return merge || dedup || depth || colours || sort; }

  varnel::WriteOptions writing() const { return {keepCount, swatch.value_or(1)}; }
  // The format -o OUT writes: --to, else OUT's extension's (JASC-PAL on standard output).
  varnel::PaletteFormat OutputFormat() const {
    if (to) return *to;
    return output == kStdStream
               ? varnel::PaletteFormat::JascPal
               : varnel::FormatForExtension(varnel::ExtensionOf(PathFromUtf8(output)));
  }
};

// What the command line asks for, or the exit status when it has been answered already
// (--help, --version) or was refused (usage error, reported on console.err with a hint).
using Parsed = std::variant<Request, int>;

Parsed ParseCommandLine(const std::vector<std::string>& args, const Console& console);

}  // namespace palconv
