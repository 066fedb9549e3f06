#include "properties.h"

#include <algorithm>
#include <memory>

#include "varnel/format.h"
#include "varnel/utf.h"

namespace varnel::fuzz {
namespace {

using enum PaletteFormat;

// Feeds `input` to a decoder as ReadPaletteFile does, each piece at the very end of a heap block
// so that the address sanitizer catches a read past it: short inputs byte by byte, all in pieces
// of 1 to 61 bytes, and empty ones, as its bytes choose. Right after the table's last byte (the
// 768th, or the 259th line feed) the decoder must ask for no more.
std::string CheckReading(PaletteFormat format, std::string_view input, const Palette& whole) {
  std::size_t stop = format == Act ? kActSize + 5 : 0;  // ACT: a byte past its trailer
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
    if (decoder.Finish().colors != whole)
      return steered ? "pieces read otherwise" : "bytes read otherwise";
  }
  // What both writers write reads back as the same table.
  for (const PaletteFormat written : {JascPal, Act}) {
    if (Decode(written, Encode(written, PaletteData(whole))).colors != whole)
      return "the table does not round-trip";
  }
  return {};
}

// Strict UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t n = lead < 0x80                   ? 1
                          : lead >= 0xC2 && lead < 0xE0 ? 2
                          : lead >= 0xE0 && lead < 0xF0 ? 3
                          : lead >= 0xF0 && lead < 0xF5 ? 4
                                                        : 0;
    if (n == 0 || i + n > text.size()) return false;
    unsigned c = n == 1 ? lead : lead & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
      c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    if ((n == 3 && (c < 0x800 || (c >= 0xD800 && c < 0xE000))) ||
        (n == 4 && (c < 0x10000 || c > 0x10FFFF)))
      return false;
    i += n;
  }
  return true;
}

// Whatever a reader makes of the input survives every writer as far as the format holds it.
std::string CheckCodec(PaletteFormat format, std::string_view input) {
  PaletteData read;
  try {
    read = Decode(format, input);
  } catch (const FormatError&) {
    return {};
  }
  if (read.count < 1 || read.count > kPaletteSize ||
      (!read.names.empty() && read.names.size() != read.count) ||
      (!read.alpha.empty() && read.alpha.size() != read.count))
    return "a count, name or alpha list out of bounds";
  if (!std::ranges::all_of(read.names, IsUtf8) || !IsUtf8(read.title)) return "a name is not UTF-8";
  for (const FormatInfo& written : kFormats) {
    const PaletteData back = Decode(written.format, Encode(written.format, read, true)),
                      held = Held(read, written.format);
    if (Describe(back) != Describe(held))
      return "what " + std::string(written.name) + " holds does not come back";
  }
  return {};
}

// A sniffing decoder reads exactly as the format it settles on.
std::string CheckSniffing(std::string_view input) {
  auto described = [](auto&& read) {
    try {
      return Describe(read());
    } catch (const FormatError& error) {
      return std::string(error.what());
    }
  };
  PaletteDecoder decoder = PaletteDecoder::Sniffing(JascPal);
  const std::string sniffed = described([&] {
    decoder.Feed(input);
    return decoder.Finish();
  });
  if (decoder.bySignature() == (decoder.format() == JascPal))
    return "settled on an unannounced format";
  // A file of a kind that holds no palette is refused, never read as one.
  if (!decoder.foreign().empty())
    return sniffed == std::string(decoder.foreign()) + ", not a palette file"
               ? ""
               : "a foreign file read";
  return sniffed == described([&] { return Decode(decoder.format(), input); })
             ? ""
             : "sniffing read otherwise";
}

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

bool IsWordInAnyCase(std::string_view text, std::string_view lower_word) {
  return std::ranges::equal(text, lower_word, [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

// Text survives UTF-8 to UTF-16 and back as its well-formed self.
std::string CheckText(std::string_view input) {
  const std::string valid = ValidUtf8(input);
  if (!IsUtf8(valid) || (IsUtf8(input) && valid != input)) return "ValidUtf8 is wrong";
  if (Utf8FromUtf16(Utf16FromUtf8(input)) != valid) return "UTF-16 and back is not ValidUtf8";
  std::u16string units(input.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(static_cast<unsigned char>(input[2 * i]) << 8 |
                                     static_cast<unsigned char>(input[2 * i + 1]));
  return IsUtf8(Utf8FromUtf16(units)) ? "" : "UTF-16 gave ill-formed UTF-8";
}

std::string CheckNaming(std::string_view input) {
  const std::size_t nul = input.find('\0');
  const std::string source(input.substr(0, nul)), ext = ExtensionOf(source);
  const std::string name = std::filesystem::path(source).filename();
  if (ext.find_first_of("./") != std::string::npos ||
      (!ext.empty() && !name.ends_with("." + ext)) ||
      (ext.empty() && name.find('.') != std::string::npos && !name.ends_with('.')))
    return "extension \"" + ext + "\" is not what follows the last dot of \"" + name + "\"";
  const bool pal = IsWordInAnyCase(ext, "pal");
  PaletteFormat picked = JascPal;
  for (const PaletteFormat format : {Act, Gpl, Hex, Aco, Ase})
    if (IsWordInAnyCase(ext, InfoOf(format).extension)) picked = format;
  if (FormatForExtension(ext) != picked || (ConvertFormat(ext) == Act) != pal ||
      (FormatNamed(ext) == Act) != IsWordInAnyCase(ext, "act") ||
      (FormatNamed(ext) == JascPal) != pal)
    return "extension \"" + ext + "\" picks the wrong format";
  const auto target = ConvertTarget(source, ext, ConvertFormat(ext));
  if (source.empty()) return target ? "an empty path has a target" : "";
  // The extension and its dot, or a trailing dot, give way to .act beside a .pal, else .pal.
  const std::size_t cut = ext.size() + (ext.empty() && !source.ends_with('.') ? 0 : 1);
  if (!target ||
      target->native() != source.substr(0, source.size() - cut) + (pal ? ".act" : ".pal") ||
      FormatForExtension(ExtensionOf(*target)) != ConvertFormat(ext))
    return "the target of \"" + source + "\" is not the other format beside it";
  // An extension that does not belong to the path: no promise but a name ending in either.
  if (nul == std::string_view::npos) return {};
  const std::string other_ext(input.substr(nul + 1));
  const auto other = ConvertTarget(source, other_ext, ConvertFormat(other_ext));
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

std::string Describe(const PaletteData& palette) {
  std::string alpha = palette.alpha.empty() ? " no" : "";
  for (const unsigned value : palette.alpha) alpha += " " + std::to_string(value);
  std::string text = "count " + std::to_string(palette.count) + "\ntransparent " +
                     (palette.transparent ? std::to_string(*palette.transparent) : "none") +
                     "\nextra " + std::to_string(palette.extra) + "\nalpha" + alpha + "\ntitle" +
                     (palette.title.empty() ? "" : " " + palette.title) + "\n";
  for (std::size_t i = 0; i < palette.count; ++i) {
    const COLORREF c = palette.colors[i];
    text += std::to_string(i) + " " + std::to_string(RedOf(c)) + " " + std::to_string(GreenOf(c)) +
            " " + std::to_string(BlueOf(c));
    if (i < palette.names.size() && !palette.names[i].empty()) text += " " + palette.names[i];
    text += "\n";
  }
  return text;
}

PaletteData Held(const PaletteData& palette, PaletteFormat format) {
  // GIMP lines hold no control characters and lose the blanks around a name.
  auto gimp = [](std::string text) {
    std::ranges::replace_if(
        text, [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    text.erase(0, text.find_first_not_of(' '));
    return text.erase(text.find_last_not_of(' ') + 1);
  };
  // A name cut to the UTF-16 units the format holds, at a character boundary.
  auto cut = [units = NameUnits(format)](std::string name) {
    std::size_t at = 0;
    for (std::size_t left = units; at < name.size();) {
      const auto lead = static_cast<unsigned char>(name[at]);
      const std::size_t size = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      if ((size == 4 ? 2u : 1u) > left) break;
      left -= size == 4 ? 2 : 1;
      at += size;
    }
    return name.substr(0, at);
  };
  PaletteData held(palette.colors);
  held.count = palette.count;
  if (format == Act) held.transparent = palette.transparent;
  if (format == Gpl) held.title = gimp(palette.title).empty() ? "Untitled" : gimp(palette.title);
  if (InfoOf(format).names) held.names = palette.names;
  if (InfoOf(format).alpha) held.alpha = palette.alpha;
  std::ranges::transform(held.names, held.names.begin(), cut);
  if (format == Gpl) std::ranges::transform(held.names, held.names.begin(), gimp);
  if (std::ranges::all_of(held.names, &std::string::empty)) held.names.clear();
  return held;
}

std::string CheckInput(std::string_view input) {
  const std::string_view rest = input.substr(std::min<std::size_t>(1, input.size()));
  const unsigned selector = input.empty() ? 2u : static_cast<unsigned char>(input[0]) % 12u;
  if (selector >= 10) return CheckSniffing(rest);
  if (selector >= 3) return CheckCodec(static_cast<PaletteFormat>(selector - 1), rest);
  if (selector == 2) return CheckNaming(rest) + CheckText(rest);
  if (selector == 1) {
    std::string head(rest.substr(0, kActSize));
    head.resize(kActSize, '\0');
    return CheckCodec(Act, rest) + (EncodeAct(DecodeAct(rest)) != head
                                        ? "the table is not its first 768 bytes"
                                        : CheckReading(Act, rest, DecodeAct(rest)));
  }
  return DecodeJascPal(rest) != ModelJascPal(rest)
             ? "the line model reads otherwise"
             : CheckReading(JascPal, rest, DecodeJascPal(rest)) + CheckCodec(JascPal, rest);
}

}  // namespace varnel::fuzz
