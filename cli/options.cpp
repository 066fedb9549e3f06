#include "options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <string_view>

namespace palconv {
namespace {

using varnel::PaletteFormat;

constexpr const char* kDescription =
    "Converts 256-colour palettes between JASC-PAL text (.pal) and ACT colour tables (.act),\n"
    "or lists their colours.";

constexpr const char* kFooter = R"(
Without -o each FILE is converted beside itself: a FILE whose extension is "pal" (any
letter case) becomes a .act colour table, every other FILE a JASC-PAL .pal text; an existing
file of that name is replaced. A FILE is read as ACT when its extension is "act" (any case)
and as JASC-PAL otherwise, unless --from says otherwise.

'-' as FILE reads standard input (JASC-PAL unless --from act); it needs -o or --show.
'-o -' writes standard output (JASC-PAL unless --to act).

Exit status: 0 when every FILE was done, 1 when any FILE failed (the others are still
converted; each failure is reported as "palconv: PATH: reason"), 2 for a usage error.

Examples:
  palconv sky.pal sea.act       writes sky.act and sea.pal
  palconv -o out.act sky.pal    writes out.act
  palconv --show sky.act        lists the 256 colours of sky.act
  palconv --from act - -o -     ACT on standard input to JASC-PAL on standard output)";

CLI::Validator FormatValidator() {
  return CLI::Validator(
      [](std::string& value) -> std::string {
        if (varnel::FormatNamed(value)) return {};
        return "'" + value + "' is not a palette format (act or pal)";
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
  if (request.mode == Mode::Show && has_output) return "--show and -o cannot be used together";
  if (request.mode == Mode::Show && files.size() != 1) {
    return "--show lists one FILE, " + std::to_string(files.size()) + " were given";
  }
  if (has_output && files.size() != 1) {
    return "-o writes one FILE, " + std::to_string(files.size()) + " were given";
  }
  if (request.to && !has_output) return "--to applies to -o OUT only";
  if (request.mode == Mode::ConvertBeside &&
      std::ranges::find(files, std::string(kStdStream)) != files.end()) {
    return "'-' (standard input) needs -o OUT or --show";
  }
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
  auto* from_option = app.add_option("--from", from, "Read every FILE in this format")
                          ->type_name("act|pal")
                          ->check(FormatValidator());
  auto* to_option = app.add_option("--to", to, "Write OUT in this format (with -o only)")
                        ->type_name("act|pal")
                        ->check(FormatValidator());
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

  if (show) request.mode = Mode::Show;
  if (output->count() > 0 && !show) request.mode = Mode::ConvertTo;
  if (from_option->count() > 0) request.from = varnel::FormatNamed(from);
  if (to_option->count() > 0) request.to = varnel::FormatNamed(to);

  const std::string refusal = Refusal(request, output->count() > 0);
  if (!refusal.empty()) return UsageError(console, refusal);
  return request;
}

}  // namespace palconv
