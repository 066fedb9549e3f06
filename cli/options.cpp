#include "options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>
#include <variant>

#include "varnel/file_io.h"
#include "varnel/utf.h"

namespace palconv {
namespace {

using varnel::PaletteFormat;

constexpr const char* kDescription =
    "Converts palettes between JASC-PAL text (.pal), ACT colour tables (.act) and the other\n"
    "formats below, lists their colours, or tells what a palette file holds.";

// The part of the footer after the formats' list and what reading does with them.
constexpr const char* kFooterRest =
    R"(Without -o each FILE is converted beside itself: to --to FORMAT when given, otherwise a
FILE whose extension is "pal" (any letter case) becomes a .act colour table and every
other FILE a JASC-PAL .pal text; an existing file of that name is replaced.
With -o the format is --to, or OUT's extension as listed ('-': JASC-PAL).

JASC-PAL and ACT are written with all 256 entries; --keep-count writes the palette's own
count instead (JASC-PAL's count line and that many entries, ACT with the 772-byte trailer
that also keeps the transparent index). What a conversion cannot keep (names, alpha,
colours beyond 256, the transparent index, entries Paint.NET does not show) is reported as
"palconv: warning: FILE: ..." (for several FILEs, once a kind at the end); the exit status
stays 0.

A picture of more than 256 colours (a photograph) is refused unless --colours N takes its N
most representative (variance-based median cut refined by k-means in Oklab, each colour
weighted by its pixels). The colour options work in one fixed order whatever their order on
the command line: read, --merge, --dedup, --depth, --colours, --sort, write; each says what
it did as a warning does.

'-' as FILE reads standard input, once; it needs -o, --show or --info.

Exit status: 0 when every FILE was done, 1 when any FILE failed (the others are still
converted; each failure is reported as "palconv: PATH: reason"), 2 for a usage error.

Examples:
  palconv sky.pal sea.act       writes sky.act and sea.pal
  palconv --to gpl *.act        writes a GIMP palette beside every ACT table
  palconv -o out.aco sky.gpl    writes Photoshop swatches, colour names included
  palconv --show sky.act        lists the 256 colours of sky.act
  palconv --info *.pal          tells each file's format, colours, transparency and names
  palconv --from act - -o -     ACT on standard input to JASC-PAL on standard output
  palconv --colours 16 -o sky.gpl sky.jpg   the 16 colours that stand best for a photograph
  palconv --merge --dedup -o all.gpl a.gpl b.gpl   one palette of both, each colour once
  palconv --depth 5,6,5 --sort hue sky.pal    16-bit colours, sorted by hue)";

constexpr std::size_t kFooterWidth = 90;

// `text` in lines of at most kFooterWidth characters, broken at blanks.
std::string Wrapped(std::string_view text) {
  std::string lines, line;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find(' ', at), text.size());
    const std::string_view word = text.substr(at, end - at);
    if (!line.empty() && line.size() + 1 + word.size() > kFooterWidth) {
      lines += line + "\n";
      line.clear();
    }
    line.append(line.empty() ? "" : " ").append(word);
    at = end + 1;
  }
  return lines + line + "\n";
}

std::string Padded(std::string_view text, std::size_t width) {
  std::string padded(text);
  padded.resize(std::max(width, text.size()), ' ');
  return padded;
}

// The footer: every format with its extensions, how reading chooses among them, then the rest.
std::string Footer() {
  using varnel::kFormats;
  auto words = [](const varnel::FormatInfo& info) {
    return info.help.empty() ? info.title : info.help;
  };
  std::size_t nameWidth = 0, wordsWidth = 0;
  for (const varnel::FormatInfo& info : kFormats) {
    nameWidth = std::max(nameWidth, info.name.size() + 2);
    wordsWidth = std::max(wordsWidth, words(info).size() + 2);
  }
  std::string footer = "\nFormats (--from, --to):\n", announcing;
  for (std::size_t row = 0; row < kFormats.size(); ++row) {
    const varnel::FormatInfo& info = kFormats[row];
    std::string extensions;
    for (const std::string_view ext : info.extensions)
      if (!ext.empty()) extensions.append(extensions.empty() ? "." : ", .").append(ext);
    if (PaletteFormat(row) == PaletteFormat::JascPal)
      extensions += " and any other extension";
    else if (!info.offered())
      extensions += info.encode ? " with --from or --to only" : " with --from only";
    else if (!info.encode)
      extensions += " (read only)";
    footer +=
        "  " + Padded(info.name, nameWidth) + Padded(words(info), wordsWidth) + extensions + "\n";
    if (info.signature && !info.announces)
      announcing.append(announcing.empty() ? "" : ", ").append(info.title);
  }
  return footer + "\n" +
         Wrapped("Reading: a FILE whose first bytes announce its format (" + announcing +
                 ") is read as that format; otherwise its extension decides as listed, in any "
                 "letter case, and a FILE read as JASC-PAL whose bytes announce a file that holds "
                 "no palette (ZIP, XML, PDF, a JPEG picture, a program) is refused. A .act FILE is "
                 "always an ACT table. --from FORMAT reads every FILE as FORMAT; --from pal reads "
                 "JASC-PAL exactly as the window program reads a file without a signature.") +
         "\n" + kFooterRest;
}

// "pal, act, ...": the short name of every format, or of every format that is written.
std::string FormatNames(bool written) {
  std::string names;
  for (const varnel::FormatInfo& format : varnel::kFormats)
    if (!written || format.encode) names.append(names.empty() ? "" : ", ").append(format.name);
  return names;
}

// --from takes every format, --to those that are written.
CLI::Validator FormatValidator(bool written) {
  return CLI::Validator(
      [written](std::string& value) -> std::string {
        const auto format = varnel::FormatNamed(value);
        if (format && (!written || varnel::InfoOf(*format).encode)) return {};
        return "'" + value +
               (format ? "' is only read, never written (" : "' is not a palette format (") +
               FormatNames(written) + ")";
      },
      "", "palette format");
}

// The refusal of a command line that parsed but asks for something palconv cannot do,
// or an empty string.
std::string Refusal(const Request& request, bool hasOutput) {
  const auto& files = request.files;
  if (files.empty()) return "no FILE given";
  if (std::ranges::any_of(files, &std::string::empty) || (hasOutput && request.output.empty())) {
    return "empty file name";
  }
  if (request.mode == Mode::Show && files.size() != 1) {
    return "--show lists one FILE, " + std::to_string(files.size()) + " were given";
  }
  if (request.merge && (!hasOutput || files.size() < 2))
    return "--merge needs -o OUT and two or more FILEs";
  if (hasOutput && files.size() != 1 && !request.merge) {
    return "-o writes one FILE, " + std::to_string(files.size()) +
           " were given (--merge makes them one)";
  }
  if (request.works() && request.mode == Mode::Info)
    return "--info tells what each FILE holds as it is; the colour options apply to conversions "
           "and --show";
  if ((request.to || request.keepCount || request.swatch) &&
      (request.mode == Mode::Show || request.mode == Mode::Info))
    return std::string(request.to          ? "--to"
                       : request.keepCount ? "--keep-count"
                                           : "--swatch") +
           " applies to conversions only";
  // What -o OUT names must be written; --swatch sizes only a PNG picture's swatches.
  const varnel::PaletteFormat png = *varnel::FormatNamed("png");
  if (hasOutput && !request.to && !varnel::InfoOf(request.OutputFormat()).encode) {
    return "-o: '" + request.output + "' names " +
           WithArticle(varnel::InfoOf(request.OutputFormat()).title) +
           ", which is only read, never written; --to FORMAT writes another (" + FormatNames(true) +
           ")";
  }
  if (request.swatch && (hasOutput ? request.OutputFormat() != png : request.to != png))
    return "--swatch applies to PNG pictures only (-o OUT.png or --to png)";
  const auto stdin_named = std::ranges::count(files, std::string(kStdStream));
  if (request.mode == Mode::ConvertBeside && stdin_named > 0) {
    return "'-' (standard input) needs -o OUT, --show or --info";
  }
  if (stdin_named > 1) return "'-' (standard input) can be named only once";
  return {};
}

// The print profile in the file `name`, or the reason it is none; read before any FILE.
std::variant<std::shared_ptr<const varnel::CmykProfile>, std::string> ProfileIn(
    const std::string& name) {
  constexpr std::size_t kMost = std::size_t{16} << 20;  // as a palette file
  const std::string shown = varnel::IsPrintable(name) ? name : varnel::Quoted(name);
  std::string bytes;
  try {
    varnel::ReadFileChunks(PathFromUtf8(name), [&bytes](std::string_view piece) {
      bytes.append(piece.substr(0, kMost + 1 - std::min(bytes.size(), kMost + 1)));
      return bytes.size() <= kMost;
    });
    if (bytes.size() > kMost) return shown + ": larger than 16 MiB, not a print profile";
    return std::make_shared<const varnel::CmykProfile>(varnel::CmykProfile::FromBytes(bytes));
  } catch (const varnel::FileError& error) {
    return shown + ": " + error.reason();
  } catch (const varnel::ProfileError& error) {
    return shown + ": " + error.what();
  }
}

constexpr const char* kBadDepth = "a depth is R,G,B or N bits per channel, each 1 to 8 (5,6,5; 4)";
constexpr const char* kBadSort = "a sort key is lightness, hue or chroma";

// "5,6,5" or "4" as bits per channel, each 1 to 8; nullopt for anything else.
std::optional<std::array<int, 3>> DepthOf(std::string_view text) {
  std::array<int, 3> bits{};
  std::size_t given = 0;
  for (std::size_t at = 0; given <= 3;) {
    const std::size_t end = std::min(text.find(',', at), text.size());
    const std::string_view part = text.substr(at, end - at);
    if (given == 3 || part.size() != 1 || part[0] < '1' || part[0] > '8') return std::nullopt;
    bits[given++] = part[0] - '0';
    if (end == text.size()) break;
    at = end + 1;
  }
  if (given == 1) bits[1] = bits[2] = bits[0];
  if (given == 2) return std::nullopt;
  return bits;
}

std::optional<varnel::SortKey> SortKeyOf(std::string_view text) {
  if (text == "lightness") return varnel::SortKey::Lightness;
  if (text == "hue") return varnel::SortKey::Hue;
  if (text == "chroma") return varnel::SortKey::Chroma;
  return std::nullopt;
}

int UsageError(const Console& console, std::string_view message) {
  std::fprintf(console.err, "palconv: %.*s\nTry 'palconv --help' for more information.\n",
               static_cast<int>(message.size()), message.data());
  return kExitUsage;
}

}  // namespace

Parsed ParseCommandLine(const std::vector<std::string>& args, const Console& console) {
  Request request;
  bool show = false;
  bool info = false;
  std::string from;
  std::string to;

  CLI::App app{kDescription, "palconv"};
  app.allow_windows_style_options(false);  // "/x" is a file name, never an option
  app.footer(Footer());
  app.set_version_flag("--version", std::string("palconv ") + PALCONV_VERSION,
                       "Print the version and exit");
  auto* output = app.add_option("-o,--output", request.output,
                                "Write the one FILE to OUT ('-': standard output)")
                     ->type_name("OUT");
  app.add_flag("--show", show, "List the 256 colours of FILE as 'index: red green blue'");
  app.add_flag("--info", info, "Tell each FILE's format and why, colours, transparency, names");
  auto* fromOption = app.add_option("--from", from, "Read every FILE in this format")
                         ->type_name("FORMAT")
                         ->check(FormatValidator(false));
  auto* toOption = app.add_option("--to", to, "Write in this format")
                       ->type_name("FORMAT")
                       ->check(FormatValidator(true));
  app.add_flag("--keep-count", request.keepCount,
               "Write JASC-PAL and ACT with the palette's own colour count");
  app.add_option("--swatch", request.swatch,
                 "Write PNG swatches N pixels square (1 to 64; default 1)")
      ->type_name("N")
      ->check(CLI::Range(1, 64).description(""));
  app.add_flag("--merge", request.merge,
               "Write the FILEs to -o OUT as one palette, their colours in the order given");
  app.add_flag("--dedup", request.dedup,
               "Drop colours equal to an earlier one (sRGB and alpha), keeping the first's name");
  std::string depth;
  auto* depthOption =
      app.add_option("--depth", depth,
                     "Round red, green and blue to R,G,B bits (1 to 8; N for all three), as old "
                     "hardware shows them: 5,6,5, 4 or 3")
          ->type_name("R,G,B")
          ->check(CLI::Validator([](std::string& value) { return DepthOf(value) ? "" : kBadDepth; },
                                 "", "depth"));
  app.add_option("--colours", request.colours,
                 "At most N colours (1 to 256): a picture's or palette's N most representative")
      ->type_name("N")
      ->check(CLI::Range(1, 256).description(""));
  std::string sort;
  auto* sortOption =
      app.add_option("--sort", sort, "Sort the colours by lightness, hue (greys first) or chroma")
          ->type_name("KEY")
          ->check(CLI::Validator(
              [](std::string& value) { return SortKeyOf(value) ? "" : kBadSort; }, "", "sort key"));
  std::string profile;
  auto* profile_option =
      app.add_option("--cmyk-profile", profile,
                     "Convert CMYK colours through this ICC print profile (default: " +
                         varnel::CmykProfile::Default().name() + ")")
          ->type_name("FILE");
  app.add_option("FILE", request.files, "Palette files to convert ('-': standard input)")
      ->type_name("");

  // CLI11 takes the arguments without the program's name, last one first.
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  if (!reversed.empty()) reversed.pop_back();
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), console.out);
    return kExitOk;
  } catch (const CLI::CallForVersion& version) {
    std::fprintf(console.out, "%s\n", version.what());
    return kExitOk;
  } catch (const CLI::ParseError& error) {
    return UsageError(console, error.what());
  }

  const bool hasOutput = output->count() > 0;
  if (show + info + hasOutput > 1) {
    return UsageError(console, std::string(show ? "--show" : "--info") + " and " +
                                   (hasOutput ? "-o" : "--info") + " cannot be used together");
  }
  if (hasOutput) request.mode = Mode::ConvertTo;
  if (show) request.mode = Mode::Show;
  if (info) request.mode = Mode::Info;
  if (fromOption->count() > 0) request.from = varnel::FormatNamed(from);
  if (toOption->count() > 0) request.to = varnel::FormatNamed(to);
  if (depthOption->count() > 0) request.depth = DepthOf(depth);
  if (sortOption->count() > 0) request.sort = SortKeyOf(sort);

  const std::string refusal = Refusal(request, hasOutput);
  if (!refusal.empty()) return UsageError(console, refusal);
  if (profile_option->count() > 0) {
    auto loaded = ProfileIn(profile);
    if (const std::string* reason = std::get_if<std::string>(&loaded)) {
      std::fprintf(console.err, "palconv: %s\n", reason->c_str());
      return kExitUsage;
    }
    request.cmykProfile = std::get<0>(std::move(loaded));
  }
  return request;
}

}  // namespace palconv
