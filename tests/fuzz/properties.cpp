#include "properties.h"

#include <algorithm>
#include <memory>

#include "varnel/format.h"

namespace varnel::fuzz {
namespace {

using enum PaletteFormat;

// Feeds `input` to a decoder as ReadPaletteFile does, each piece at the very end of a heap block
// so that the address sanitizer catches a read past it: short inputs byte by byte, all in pieces
// of 1 to 61 bytes, and empty ones, as its bytes choose. Right after the table's last byte (the
// 768th, or the 259th line feed) the decoder must ask for no more.
std::string CheckReading(PaletteFormat format, std::string_view input, const Palette& whole) {
  std::size_t stop = format == Act ? kActSize : 0;
  for (int line = 0; format == JascPal && line < 259 && stop != input.npos; ++line)
    stop = input.find('\n', stop) == input.npos ? input.npos : input.find('\n', stop) + 1;
  for (const bool steered : {false, true}) {
    if (!steered && input.size() > 512) continue;  // keeps the fuzzer fast
    const auto block = std::make_unique<char[]>(64);
    PaletteDecoder decoder(format);
    for (std::size_t at = 0, k = 0; at < input.size() && at < stop; ++k) {
      const unsigned steer = steered ? static_cast<unsigned char>(input[k % input.size()]) : 0u;
      const std::size_t length = std::min(input.size() - at, std::size_t{1} + steer % 61);
      if ((steer & 0x80) && !decoder.Feed({})) return "an empty piece ended the reading";
      std::copy_n(input.data() + at, length, block.get() + 64 - length);
      const bool more = decoder.Feed({block.get() + 64 - length, length});
      if (more != ((at += length) < stop)) return "Feed did not stop right after the table";
    }
    if (stop <= input.size() && decoder.Feed("9 9 9\r\n")) return "Feed asked for more when done";
    if (decoder.Finish() != whole)
      return steered ? "pieces read otherwise" : "bytes read otherwise";
  }
  // What both writers write reads back as the same table.
  for (const PaletteFormat written : {JascPal, Act}) {
    if (Decode(written, Encode(written, whole)) != whole) return "the table does not round-trip";
  }
  return {};
}

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

bool IsWordInAnyCase(std::string_view text, std::string_view lower_word) {
  return std::ranges::equal(text, lower_word, [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

std::string CheckNaming(std::string_view input) {
  const std::size_t nul = input.find('\0');
  const std::string source(input.substr(0, nul)), ext = ExtensionOf(source);
  const std::string name = std::filesystem::path(source).filename();
  if (ext.find_first_of("./") != std::string::npos ||
      (!ext.empty() && !name.ends_with("." + ext)) ||
      (ext.empty() && name.find('.') != std::string::npos && !name.ends_with('.')))
    return "extension \"" + ext + "\" is not what follows the last dot of \"" + name + "\"";
  const bool act = IsWordInAnyCase(ext, "act"), pal = IsWordInAnyCase(ext, "pal");
  if ((FormatForExtension(ext) == Act) != act || (ConvertFormat(ext) == Act) != pal ||
      (FormatNamed(ext) == Act) != act || (FormatNamed(ext) == JascPal) != pal)
    return "extension \"" + ext + "\" picks the wrong format";
  const auto target = ConvertTarget(source, ext);
  if (source.empty()) return target ? "an empty path has a target" : "";
  // The extension and its dot, or a trailing dot, give way to .act beside a .pal, else .pal.
  const std::size_t cut = ext.size() + (ext.empty() && !source.ends_with('.') ? 0 : 1);
  if (!target ||
      target->native() != source.substr(0, source.size() - cut) + (pal ? ".act" : ".pal") ||
      FormatForExtension(ExtensionOf(*target)) != ConvertFormat(ext))
    return "the target of \"" + source + "\" is not the other format beside it";
  // An extension that does not belong to the path: no promise but a name ending in either.
  if (nul == std::string_view::npos) return {};
  const auto other = ConvertTarget(source, std::string(input.substr(nul + 1)));
  const bool ok = other && (other->native().ends_with("act") || other->native().ends_with("pal"));
  return ok ? "" : "a mismatched extension gave a target ending in neither act nor pal";
}

}  // namespace

Palette ModelJascPal(std::string_view text) {
  auto next_line = [&text] {
    const std::string_view line = text.substr(0, text.find('\n'));
    text.remove_prefix(std::min(text.size(), line.size() + 1));
    return line.substr(0, line.find('\0'));
  };
  for (int header = 0; header < 3; ++header) next_line();
  unsigned rgb[3] = {0, 0, 0};
  Palette palette{};
  for (COLORREF& entry : palette) {
    const std::string_view line = next_line();
    std::size_t at = 0;
    for (unsigned& component : rgb) {
      while (at < line.size() && std::string_view(" \t\v\f\r").find(line[at]) != line.npos) ++at;
      const bool negative = at < line.size() && line[at] == '-';
      if (at < line.size() && (line[at] == '+' || line[at] == '-')) ++at;
      if (at == line.size() || !IsDigit(line[at])) break;
      unsigned value = 0;
      for (; at < line.size() && IsDigit(line[at]); ++at)
        value = (value * 10 + unsigned(line[at] - '0')) % 256;
      component = negative ? (256 - value) % 256 : value;
    }
    entry = MakeColor(int(rgb[0]), int(rgb[1]), int(rgb[2]));
  }
  return palette;
}

std::string CheckInput(std::string_view input) {
  const std::string_view rest = input.substr(std::min<std::size_t>(1, input.size()));
  const unsigned selector = input.empty() ? 2u : static_cast<unsigned char>(input[0]) % 3u;
  if (selector == 2) return CheckNaming(rest);
  if (selector == 1) {
    std::string head(rest.substr(0, kActSize));
    head.resize(kActSize, '\0');
    return EncodeAct(DecodeAct(rest)) != head ? "the table is not its first 768 bytes"
                                              : CheckReading(Act, rest, DecodeAct(rest));
  }
  return DecodeJascPal(rest) != ModelJascPal(rest)
             ? "the line model reads otherwise"
             : CheckReading(JascPal, rest, DecodeJascPal(rest));
}

}  // namespace varnel::fuzz
