#include "properties.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "varnel/act.h"
#include "varnel/jasc_pal.h"
#include "varnel/palette_file.h"

namespace varnel::fuzz {
namespace {

std::string ColorText(COLORREF c) {
  return "(" + std::to_string(RedOf(c)) + ", " + std::to_string(GreenOf(c)) + ", " +
         std::to_string(BlueOf(c)) + ")";
}

// Empty when the tables agree, else the first entry that does not, with both colours.
std::string Compare(const Palette& actual, const Palette& expected, std::string_view what) {
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    if (actual[i] != expected[i]) {
      return std::string(what) + ": entry " + std::to_string(i) + " is " + ColorText(actual[i]) +
             ", expected " + ColorText(expected[i]);
    }
  }
  return {};
}

// A COLORREF keeps its top byte zero.
std::string CheckTopBytes(const Palette& palette) {
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    if (palette[i] >> 24 != 0) return "entry " + std::to_string(i) + " has a non-zero top byte";
  }
  return {};
}

// The writer's text: 259 lines, each ending in CR LF, and no other line break.
std::string CheckJascText(std::string_view text) {
  const auto lf = std::count(text.begin(), text.end(), '\n');
  const auto cr = std::count(text.begin(), text.end(), '\r');
  std::size_t crlf = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos;
       at = text.find("\r\n", at + 2)) {
    ++crlf;
  }
  if (lf != 259 || cr != 259 || crlf != 259 || !text.ends_with("\r\n")) {
    return "written JASC-PAL text is not 259 lines ending in CR LF";
  }
  if (!text.starts_with("JASC-PAL\r\n0100\r\n256\r\n")) return "written header is wrong";
  return {};
}

// Both writers keep every colour: what they write reads back as the same table.
std::string CheckRoundTrips(const Palette& palette) {
  const std::string text = EncodeJascPal(palette);
  if (std::string problem = CheckJascText(text); !problem.empty()) return problem;
  if (std::string problem = Compare(DecodeJascPal(text), palette, "JASC-PAL round trip");
      !problem.empty()) {
    return problem;
  }
  const std::string table = EncodeAct(palette);
  if (table.size() != kActSize) return "written ACT table is not 768 bytes";
  return Compare(DecodeAct(table), palette, "ACT round trip");
}

// Hands out pieces of input from the end of one heap block, so that a read past the end
// of a piece is caught by the address sanitizer rather than landing in the next piece.
class PieceBuffer {
 public:
  static constexpr std::size_t kCapacity = 64;
  PieceBuffer() : data_(std::make_unique<char[]>(kCapacity)) {}
  std::string_view Place(std::string_view bytes) {
    char* const start = data_.get() + (kCapacity - bytes.size());
    std::copy(bytes.begin(), bytes.end(), start);
    return {start, bytes.size()};
  }

 private:
  std::unique_ptr<char[]> data_;
};

enum class Cutting { OneByte, ByOwnBytes };

constexpr std::size_t kOneByteLimit = 512;

// Feeds `input` to a decoder in pieces and stops where the decoder says it has read
// enough, as ReadPaletteFile does. ByOwnBytes lets the input's bytes choose the piece
// lengths (1 to 61) and slip in empty pieces, so the fuzzer steers the cuts.
std::string CheckSplitFeeding(std::string_view input, Cutting cutting, const Palette& whole) {
  JascPalDecoder decoder;
  PieceBuffer pieces;
  bool more = true;
  for (std::size_t at = 0, k = 0; more && at < input.size(); ++k) {
    std::size_t length = 1;
    if (cutting == Cutting::ByOwnBytes) {
      const auto steer = static_cast<unsigned char>(input[k % input.size()]);
      length = 1 + steer % 61;
      if (steer & 0x80) {
        more = decoder.Feed(std::string_view());
        if (more == decoder.Done()) return "Feed of an empty piece disagrees with Done()";
        if (!more) break;
      }
    }
    more = decoder.Feed(pieces.Place(input.substr(at, length)));
    if (more == decoder.Done()) return "Feed's result disagrees with Done()";
    at += length;
  }
  if (!more && decoder.Feed("9 9 9\r\n")) return "Feed asked for more after saying it was done";
  const Palette split = decoder.Finish();
  return Compare(split, whole,
                 cutting == Cutting::OneByte ? "fed one byte at a time" : "fed in steered pieces");
}

constexpr bool IsScanBlank(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n';
}

constexpr bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Scans up to three signed decimal numbers, modulo 256, into rgb; a component the line
// does not give keeps its value.
void ScanLine(std::string_view line, unsigned (&rgb)[3]) {
  std::size_t at = 0;
  for (unsigned& component : rgb) {
    while (at < line.size() && IsScanBlank(line[at])) ++at;
    bool negative = false;
    if (at < line.size() && (line[at] == '+' || line[at] == '-')) negative = line[at++] == '-';
    if (at == line.size() || !IsDigit(line[at])) return;
    unsigned value = 0;
    for (; at < line.size() && IsDigit(line[at]); ++at) {
      value = (value * 10 + static_cast<unsigned>(line[at] - '0')) % 256;
    }
    component = negative ? (256 - value) % 256 : value;
  }
}

char FoldAscii(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsWordInAnyCase(std::string_view text, std::string_view lower_word) {
  return text.size() == lower_word.size() &&
         std::equal(text.begin(), text.end(), lower_word.begin(),
                    [](char a, char b) { return FoldAscii(a) == b; });
}

// ExtensionOf: the text after the file name's last dot, empty when there is none.
std::string CheckExtension(const std::filesystem::path& path, const std::string& ext) {
  const std::string name = path.filename().native();
  if (ext.find('.') != std::string::npos || ext.find('/') != std::string::npos) {
    return "extension \"" + ext + "\" holds a dot or a slash";
  }
  if (!ext.empty() && !name.ends_with("." + ext)) {
    return "extension \"" + ext + "\" is not the end of the file name";
  }
  if (ext.empty() && name.find('.') != std::string::npos && !name.ends_with('.')) {
    return "the file name has an extension but none was found";
  }
  return {};
}

// Convert's target for a path and its own extension.
std::string CheckTarget(const std::string& source, const std::string& ext) {
  const std::optional<std::filesystem::path> target = ConvertTarget(source, ext);
  if (source.empty()) return target ? "an empty path has a target" : "";
  if (!target) return "no target for \"" + source + "\"";
  const std::string& written = target->native();

  const std::size_t slash = source.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : source.substr(0, slash + 1);
  if (!written.starts_with(folder) || written.find('/', folder.size()) != std::string::npos) {
    return "target \"" + written + "\" is not in the folder of \"" + source + "\"";
  }
  std::string base = source;
  if (!ext.empty()) {
    base.resize(base.size() - ext.size() - 1);
  } else if (base.ends_with('.')) {
    base.pop_back();
  }
  const bool to_act = IsWordInAnyCase(ext, "pal");
  if (written != base + (to_act ? ".act" : ".pal")) {
    return "target of \"" + source + "\" is \"" + written + "\"";
  }
  if (written == source) return "Convert would overwrite its own source \"" + source + "\"";
  if (FormatForExtension(ExtensionOf(*target)) != ConvertFormat(ext)) {
    return "target \"" + written + "\" would be read back in the other format";
  }
  // Converting the target twice comes back to it: x.act -> x.pal -> x.act.
  const auto back = ConvertTarget(*target, ExtensionOf(*target));
  const auto again = back ? ConvertTarget(*back, ExtensionOf(*back)) : std::nullopt;
  if (!again || again->native() != written) return "converting \"" + written + "\" twice moves it";
  return {};
}

}  // namespace

Palette ModelJascPal(std::string_view text) {
  // The next line of the text, without its LF; past the end every line is empty.
  auto next_line = [&text]() {
    const std::size_t lf = text.find('\n');
    const std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    return line;
  };
  for (int header = 0; header < 3; ++header) next_line();
  unsigned rgb[3] = {0, 0, 0};
  Palette palette{};
  for (COLORREF& entry : palette) {
    const std::string_view line = next_line();
    ScanLine(line.substr(0, line.find('\0')), rgb);
    entry = MakeColor(static_cast<int>(rgb[0]), static_cast<int>(rgb[1]), static_cast<int>(rgb[2]));
  }
  return palette;
}

std::string CheckJascPal(std::string_view input) {
  const Palette whole = DecodeJascPal(input);
  if (std::string problem = CheckTopBytes(whole); !problem.empty()) return problem;
  if (std::string problem = Compare(whole, ModelJascPal(input), "against the line model");
      !problem.empty()) {
    return problem;
  }
  // One byte at a time is the hardest cut; it is kept to inputs of a few lines so that
  // the fuzzer stays fast, the steered cuts reach every length.
  if (input.size() <= kOneByteLimit) {
    if (std::string problem = CheckSplitFeeding(input, Cutting::OneByte, whole); !problem.empty()) {
      return problem;
    }
  }
  if (std::string problem = CheckSplitFeeding(input, Cutting::ByOwnBytes, whole);
      !problem.empty()) {
    return problem;
  }
  return CheckRoundTrips(whole);
}

std::string CheckAct(std::string_view input) {
  const Palette whole = DecodeAct(input);
  if (std::string problem = CheckTopBytes(whole); !problem.empty()) return problem;
  const std::string head(input.substr(0, kActSize));
  if (std::string problem = Compare(DecodeAct(head), whole, "first 768 bytes alone");
      !problem.empty()) {
    return problem;
  }
  std::string table(input.substr(0, kActSize));
  table.resize(kActSize, '\0');
  if (EncodeAct(whole) != table) return "the table does not re-encode to the bytes it came from";
  return CheckRoundTrips(whole);
}

std::string CheckNaming(std::string_view input) {
  const std::size_t nul = input.find('\0');
  const std::string source(input.substr(0, nul));
  const std::filesystem::path path(source);
  const std::string ext = ExtensionOf(path);

  if (std::string problem = CheckExtension(path, ext); !problem.empty()) return problem;
  if ((FormatForExtension(ext) == PaletteFormat::Act) != IsWordInAnyCase(ext, "act")) {
    return "extension \"" + ext + "\" picks the wrong format to read";
  }
  if ((ConvertFormat(ext) == PaletteFormat::Act) != IsWordInAnyCase(ext, "pal")) {
    return "extension \"" + ext + "\" picks the wrong format to convert to";
  }
  if (std::string problem = CheckTarget(source, ext); !problem.empty()) return problem;

  // A caller may hand over an extension that does not belong to the path; the target is
  // then no promise, but it must still be computed safely and end in one of the two.
  if (nul != std::string_view::npos) {
    const std::string other(input.substr(nul + 1));
    const auto target = ConvertTarget(path, other);
    if (!source.empty() &&
        (!target || !(target->native().ends_with("act") || target->native().ends_with("pal")))) {
      return "a mismatched extension gave a target ending in neither act nor pal";
    }
  }
  return {};
}

int RunFuzzInput(Check check, const std::uint8_t* data, std::size_t size) {
  const std::string problem = check(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!problem.empty()) {
    std::fprintf(stderr, "broken property: %s\n", problem.c_str());
    std::abort();
  }
  return 0;
}

}  // namespace varnel::fuzz
