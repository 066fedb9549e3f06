#include "palconv.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <exception>
#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>
#include <variant>

#include "options.h"
#include "varnel/file_error.h"
#include "varnel/palette_file.h"

namespace palconv {
namespace {

using varnel::Palette;
using varnel::PaletteData;
using varnel::PaletteDecoder;
using varnel::PaletteFormat;

constexpr std::size_t kPaintNetShown = 96;  // the entries Paint.NET's palette shows

constexpr std::string_view kSavedAs = "Pallete saved as ";
constexpr std::string_view kStdoutName = "standard output";

// A failure on standard output, which has no path of its own.
struct StreamError {
  std::string_view stream;
  std::string reason;
};

std::string SystemReason(int error_number) { return std::generic_category().message(error_number); }

void Append(std::string& text, unsigned value) {
  std::array<char, 16> digits{};
  const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
  text.append(digits.data(), end);
}

// The entry's red, green and blue in decimal, `separator` between them.
void AppendRgb(std::string& text, varnel::COLORREF color, char separator) {
  Append(text, varnel::RedOf(color));
  text += separator;
  Append(text, varnel::GreenOf(color));
  text += separator;
  Append(text, varnel::BlueOf(color));
}

// "index: red green blue", one line per entry.
std::string Listing(const Palette& palette) {
  std::string text;
  text.reserve(palette.size() * 16);
  for (unsigned i = 0; i < palette.size(); ++i) {
    Append(text, i);
    text += ": ";
    AppendRgb(text, palette[i], ' ');
    text += '\n';
  }
  return text;
}

// 16 rows of 16 cells, each two blanks on the entry's colour as a 24-bit background.
std::string Grid(const Palette& palette) {
  constexpr unsigned kColumns = 16;
  std::string text;
  for (unsigned i = 0; i < palette.size(); ++i) {
    text += "\x1b[48;2;";
    AppendRgb(text, palette[i], ';');
    text += "m  ";
    if (i % kColumns == kColumns - 1) text += "\x1b[0m\n";
  }
  return text;
}

// A name as printed: as it is, or, when it holds a control character (a line feed, an
// escape sequence), in double quotes with those characters spelt out, so that no name
// can move the cursor or fake a line of its own.
std::string Shown(std::string_view name) {
  if (std::ranges::none_of(
          name, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
    return std::string(name);
  std::string text = "\"";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      text += '\\';
      text += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      constexpr char kHex[] = "0123456789abcdef";
      text += c == '\n'   ? "\\n"
              : c == '\t' ? "\\t"
              : c == '\r' ? "\\r"
                          : std::string("\\x") + kHex[byte >> 4] + kHex[byte & 15];
    } else {
      text += c;
    }
  }
  return text + '"';
}

// The reason standard output failed, or "" when all that was printed arrived.
std::string OutputFailure(std::FILE* out) {
  const bool flushed = std::fflush(out) == 0;
  const int error_number = errno;
  if (flushed && !std::ferror(out)) return {};
  return SystemReason(flushed ? EIO : error_number);
}

class Session {
 public:
  Session(const Request& request, const Console& console) : request_(request), console_(console) {}

  int Run() {
    switch (request_.mode) {
      case Mode::ConvertBeside:
        for (const std::string& name : request_.files) Attempt(name, [&] { ConvertBeside(name); });
        break;
      case Mode::ConvertTo:
        Attempt(request_.files.front(), [&] { ConvertTo(request_.files.front()); });
        break;
      case Mode::Show:
        Attempt(request_.files.front(), [&] {
          PaletteDecoder decoder = DecoderFor(request_.files.front());
          Show(ReadInput(request_.files.front(), decoder).colors);
        });
        break;
      case Mode::Info:
        for (const std::string& name : request_.files) Attempt(name, [&] { Info(name); });
        break;
    }
    FinishOutput();
    return failed_ ? kExitFileFailed : kExitOk;
  }

 private:
  // Does one file's work; a failure is reported and the run goes on with the next file.
  template <class Work>
  void Attempt(std::string_view name, Work&& work) {
    try {
      std::forward<Work>(work)();
    } catch (const varnel::FileError& error) {
      Report(varnel::PathText(error.path()), error.reason());
    } catch (const StreamError& error) {
      Report(error.stream, error.reason);
      if (error.stream == kStdoutName) out_reported_ = true;
    } catch (const std::exception& error) {
      Report(name, error.what());
    }
  }

  void Report(std::string_view where, std::string_view reason) {
    failed_ = true;
    const std::string shown = Shown(where);
    std::fprintf(console_.err, "palconv: %s: %.*s\n", shown.c_str(),
                 static_cast<int>(reason.size()), reason.data());
  }

  // --from, or the format the file's first bytes announce, or its extension's; a .act
  // file is always an ACT table.
  PaletteDecoder DecoderFor(const std::string& name) const {
    if (request_.from) return PaletteDecoder(*request_.from);
    const PaletteFormat format =
        name == kStdStream ? PaletteFormat::JascPal
                           : varnel::FormatForExtension(varnel::ExtensionOf(PathFromUtf8(name)));
    return format == PaletteFormat::Act ? PaletteDecoder(format) : PaletteDecoder::Sniffing(format);
  }

  PaletteData ReadInput(const std::string& name, PaletteDecoder& decoder) const {
    if (name == kStdStream) return varnel::ReadStandardInput(decoder);
    return varnel::ReadPaletteFile(PathFromUtf8(name), decoder);
  }

  void ConvertTo(const std::string& name) {
    PaletteDecoder decoder = DecoderFor(name);
    const PaletteData palette = ReadInput(name, decoder);
    const std::string& out = request_.output;
    const std::filesystem::path path = PathFromUtf8(out);
    const PaletteFormat format = request_.to.value_or(
        out == kStdStream ? PaletteFormat::JascPal
                          : varnel::FormatForExtension(varnel::ExtensionOf(path)));
    if (out == kStdStream) {
      Print(varnel::Encode(format, palette, request_.keep_count));
      if (std::fflush(console_.out) != 0) throw StreamError{kStdoutName, SystemReason(errno)};
    } else {
      varnel::WritePaletteFile(path, palette, format, request_.keep_count);
      SaySaved(path);
    }
    WarnOfLosses(name, palette, format);
  }

  // Convert's rule: a "pal" file becomes an ACT table beside it, any other a JASC-PAL
  // text; or each becomes --to.
  void ConvertBeside(const std::string& name) {
    const std::filesystem::path path = PathFromUtf8(name);
    const varnel::NativeString ext = varnel::ExtensionOf(path);
    PaletteDecoder decoder = DecoderFor(name);
    const PaletteData palette = ReadInput(name, decoder);
    const PaletteFormat format = request_.to.value_or(varnel::ConvertFormat(ext));
    // Names are never empty here, so there always is a target.
    const std::filesystem::path target = varnel::ConvertTarget(path, ext, format).value();
    // A file named to convert is never replaced by another's conversion, nor by its own
    // through a link. Only a target that exists is looked at, so a batch of new targets
    // resolves no paths.
    varnel::WritePaletteFile(target, palette, format, request_.keep_count, [&] {
      const std::filesystem::path resolved = Resolved(target);
      if (Sources().contains(resolved))
        throw std::runtime_error(
            "not converted: its target " + Shown(varnel::PathText(target)) +
            (resolved == Resolved(path) ? " leads to the file itself" : " is a file to convert"));
    });
    SaySaved(target);
    WarnOfLosses(name, palette, format);
  }

  // What a conversion of `name` to `format` could not keep, on standard error.
  void WarnOfLosses(std::string_view name, const PaletteData& palette, PaletteFormat format) {
    const varnel::FormatInfo& to = varnel::InfoOf(format);
    const bool named = !palette.names.empty();
    auto warn = [&](const std::string& what) {
      std::fprintf(console_.err, "palconv: warning: %s: %s\n", Shown(name).c_str(), what.c_str());
    };
    if (palette.extra > 0)
      warn(std::to_string(palette.extra) + " colours beyond the 256th not converted");
    const std::string held = " (" + std::string(to.name) + " holds none)";
    if (palette.alpha) warn("alpha dropped" + held);
    const bool titled = !palette.title.empty() && format != PaletteFormat::Gpl;
    if ((named && !to.names) || titled)
      warn((named && !to.names ? titled ? "colour and palette names" : "colour names"
                               : "palette name") +
           std::string(" dropped") + held);
    if (palette.transparent && !(format == PaletteFormat::Act && request_.keep_count))
      warn("transparent index " + std::to_string(*palette.transparent) + " dropped" +
           (format == PaletteFormat::Act ? " (--keep-count keeps it)" : ""));
    if (format == PaletteFormat::PaintNet && palette.count > kPaintNetShown)
      warn("Paint.NET shows only the first " + std::to_string(kPaintNetShown) + " of its " +
           std::to_string(palette.count) + " colours");
  }

  // One line: the format and why it was chosen, the count, the transparent index, names.
  void Info(const std::string& name) {
    PaletteDecoder decoder = DecoderFor(name);
    const PaletteData palette = ReadInput(name, decoder);
    const varnel::FormatInfo& format = varnel::InfoOf(decoder.format());
    const std::string ext = varnel::PathText(varnel::ExtensionOf(PathFromUtf8(name)));
    const char* why = request_.from           ? "as --from asks"
                      : decoder.bySignature() ? "by its signature"
                      : name != kStdStream && (format.format != PaletteFormat::JascPal ||
                                               varnel::FormatNamed(ext) == PaletteFormat::JascPal)
                          ? "by its extension"
                          : "by default";
    const bool named = !palette.names.empty();
    std::string line =
        Shown(name) + ": " + std::string(format.name) + " (" + std::string(format.title) + ") " +
        why + "; " + std::to_string(palette.count) + (palette.count == 1 ? " colour" : " colours");
    if (palette.extra > 0) line += " and " + std::to_string(palette.extra) + " more not read";
    line += "; transparent index " +
            (palette.transparent ? std::to_string(*palette.transparent) : std::string("none"));
    line += named ? "; colour names" : "; no colour names";
    if (!palette.title.empty()) line += "; named " + Shown(palette.title);
    if (palette.alpha) line += "; alpha not kept";
    Print(line + "\n");
  }

  void Show(const Palette& palette) {
    Print(Listing(palette));
    if (console_.out_is_terminal) Print(Grid(palette));
  }

  void SaySaved(const std::filesystem::path& path) {
    std::string line(kSavedAs);
    line += Shown(varnel::PathText(path));
    line += '\n';
    Print(line);
  }

  void Print(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), console_.out) != text.size() && out_errno_ == 0)
      out_errno_ = errno;
  }

  // Everything printed must have arrived: a full disk or closed pipe on standard output
  // is a failure like any other.
  void FinishOutput() {
    // A write that failed on the way has the better reason: the last flush may find no
    // bytes left to fail on.
    if (const std::string reason = OutputFailure(console_.out); !reason.empty() && !out_reported_)
      Report(kStdoutName, out_errno_ != 0 ? SystemReason(out_errno_) : reason);
  }

  // Every FILE, resolved; worked out only once a target exists, so that a batch of new
  // targets costs nothing.
  const std::set<std::filesystem::path>& Sources() {
    if (!sources_) {
      sources_.emplace();
      for (const std::string& name : request_.files) sources_->insert(Resolved(PathFromUtf8(name)));
    }
    return *sources_;
  }

  // A path with every link on it followed, as far as it exists.
  static std::filesystem::path Resolved(const std::filesystem::path& path) {
    std::error_code ignored;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ignored);
    return resolved.empty() ? path : resolved;
  }

  const Request& request_;
  const Console& console_;
  std::optional<std::set<std::filesystem::path>> sources_;  // see Sources()
  bool failed_ = false;
  bool out_reported_ = false;
  int out_errno_ = 0;  // why printing first failed
};

}  // namespace

std::filesystem::path PathFromUtf8(std::string_view text) {
  std::u8string utf8(text.size(), u8'\0');
  std::ranges::transform(text, utf8.begin(), [](char c) { return static_cast<char8_t>(c); });
  return std::filesystem::path(utf8);
}

int Run(const std::vector<std::string>& args, const Console& console) {
  const Parsed parsed = ParseCommandLine(args, console);
  if (const int* status = std::get_if<int>(&parsed)) {
    // --help and --version fail like any other output.
    const std::string reason = OutputFailure(console.out);
    if (*status != kExitOk || reason.empty()) return *status;
    std::fprintf(console.err, "palconv: %s: %s\n", kStdoutName.data(), reason.c_str());
    return kExitFileFailed;
  }
  return Session(std::get<Request>(parsed), console).Run();
}

}  // namespace palconv
