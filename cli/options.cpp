#include "options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <string_view>

namespace palconv {
namespace {

using varnel::PaletteFormat;

constexpr const char* kDescription =
    "Converts palettes between JASC-PAL text (.pal), ACT colour tables (.act) and the other\n"
    "formats below, lists their colours, or tells what a palette file holds.";

constexpr const char* kFooter = R"(
Formats (--from, --to):
  pal       JASC-PAL text, 256 entries          .pal and any other extension
  act       ACT colour table, 768 bytes         .act
  gpl       GIMP palette                        .gpl
  hex       Lospec hex list, rrggbb a line      .hex
  paintnet  Paint.NET palette, aarrggbb a line  .txt with --from or --to only
  riff      RIFF palette                        .pal with --from or --to only
  aco       Photoshop swatches                  .aco
  ase       Adobe swatch exchange               .ase
  raw       R G B bytes, any number of colours  .raw with --from or --to only

Reading: a FILE whose first bytes announce its format (GIMP, RIFF, Adobe swatch exchange,
Paint.NET, Photoshop swatches) is read as that format; otherwise its extension decides as
listed, in any letter case, and a FILE read as JASC-PAL whose bytes announce a file that
holds no palette (ZIP, XML, PDF, a picture, a program) is refused. A .act FILE is always an
ACT table. --from FORMAT reads every FILE as FORMAT; --from pal reads JASC-PAL exactly as
the window program reads a file without a signature.

Without -o each FILE is converted beside itself: to --to FORMAT when given, otherwise a
FILE whose extension is "pal" (any letter case) becomes a .act colour table and every
other FILE a JASC-PAL .pal text; an existing file of that name is replaced.
With -o the format is --to, or OUT's extension as listed ('-': JASC-PAL).

JASC-PAL and ACT are written with all 256 entries; --keep-count writes the palette's own
count instead (JASC-PAL's count line and that many entries, ACT with the 772-byte trailer
that also keeps the transparent index). What a conversion cannot keep (names, alpha,
colours beyond 256, the transparent index, entries Paint.NET does not show) is reported as
"palconv: warning: FILE: ..." (for several FILEs, once a kind at the end); the exit status
stays 0.

'-' as FILE reads standard input, once; it needs -o, --show or --info.

Exit status: 0 when every FILE was done, 1 when any FILE failed (the others are still
converted; each failure is reported as "palconv: PATH: reason"), 2 for a usage error.

Examples:
  palconv sky.pal sea.act       writes sky.act and sea.pal
  palconv --to gpl *.act        writes a GIMP palette beside every ACT table
  palconv -o out.aco sky.gpl    writes Photoshop swatches, colour names included
  palconv --show sky.act        lists the 256 colours of sky.act
  palconv --info *.pal          tells each file's format, colours, transparency and names
  palconv --from act - -o -     ACT on standard input to JASC-PAL on standard output)";

// "pal, act, ...": every format's short name.
const std::string kFormatNames = [] {
  std::string names;
  for (const varnel::FormatInfo& format : varnel::kFormats)
    names.append(names.empty() ? "" : ", ").append(format.name);
  return names;
}();

CLI::Validator FormatValidator() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        if (varnel::FormatNamed(value)) return {};
        return "'" + value + "' is not a palette format (" + kFormatNames + ")";
      },
      "", "palette format");
}

// The refusal of a command line that parsed but asks for something palconv cannot do,
// or an empty string.
std::string Refusal(const Request& request, bool has_output) {
  const auto& files = request.files;
  if (files.empty()) return "no FILE given";
  if (std::ranges::any_of(files, &std::string::empty) || (has_output && request.output.empty())) {
    return "empty file name";
  }
  if (request.mode == Mode::Show && files.size() != 1) {
    return "--show lists one FILE, " + std::to_string(files.size()) + " were given";
  }
  if (has_output && files.size() != 1) {
    return "-o writes one FILE, " + std::to_string(files.size()) + " were given";
  }
  if ((request.to || request.keep_count) &&
      (request.mode == Mode::Show || request.mode == Mode::Info))
    return std::string(request.to ? "--to" : "--keep-count") + " applies to conversions only";
  const auto stdin_named = std::ranges::count(files, std::string(kStdStream));
  if (request.mode == Mode::ConvertBeside && stdin_named > 0) {
    return "'-' (standard input) needs -o OUT, --show or --info";
  }
  if (stdin_named > 1) return "'-' (standard input) can be named only once";
  return {};
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
  app.footer(kFooter);
  app.set_version_flag("--version", std::string("palconv ") + PALCONV_VERSION,
                       "Print the version and exit");
  auto* output = app.add_option("-o,--output", request.output,
                                "Write the one FILE to OUT ('-': standard output)")
                     ->type_name("OUT");
  app.add_flag("--show", show, "List the 256 colours of FILE as 'index: red green blue'");
  app.add_flag("--info", info, "Tell each FILE's format and why, colours, transparency, names");
  auto* from_option = app.add_option("--from", from, "Read every FILE in this format")
                          ->type_name("FORMAT")
                          ->check(FormatValidator());
  auto* to_option = app.add_option("--to", to, "Write in this format")
                        ->type_name("FORMAT")
                        ->check(FormatValidator());
  app.add_flag("--keep-count", request.keep_count,
               "Write JASC-PAL and ACT with the palette's own colour count");
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

  const bool has_output = output->count() > 0;
  if (show + info + has_output > 1) {
    return UsageError(console, std::string(show ? "--show" : "--info") + " and " +
                                   (has_output ? "-o" : "--info") + " cannot be used together");
  }
  if (has_output) request.mode = Mode::ConvertTo;
  if (show) request.mode = Mode::Show;
  if (info) request.mode = Mode::Info;
  if (from_option->count() > 0) request.from = varnel::FormatNamed(from);
  if (to_option->count() > 0) request.to = varnel::FormatNamed(to);

  const std::string refusal = Refusal(request, has_output);
  if (!refusal.empty()) return UsageError(console, refusal);
  return request;
}

}  // namespace palconv
