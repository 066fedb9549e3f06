#include "properties.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <span>
#include <vector>

#include "varnel/format.h"
#include "varnel/utf.h"
#include "zip.h"

namespace varnel::fuzz {
namespace {

const PaletteFormat &JascPal = PaletteFormat::JascPal, &Act = PaletteFormat::Act;

// Feeds `input` to a decoder as ReadPaletteFile does, each piece at the very end of a heap block
// so that the address sanitizer catches a read past it: short inputs byte by byte, all in pieces
// of 1 to 61 bytes, and empty ones, as its bytes choose. Right after the table's last byte (the
// 768th, or the 259th line feed) the decoder must ask for no more.
std::string CheckReading(PaletteFormat format, std::string_view input, const Palette& whole,
                         bool holdsColours) {
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
    // A file that holds no colour is refused, not read as 256 black ones.
    PaletteData read;
    try {
      read = decoder.Finish();
    } catch (const FormatError&) {
      if (holdsColours) return "a file that holds colours refused";
      continue;
    }
    if (!holdsColours) return "a file that holds no colour read";
    if (read.colors != whole) return steered ? "pieces read otherwise" : "bytes read otherwise";
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
  for (std::size_t row = 0; row < kFormats.size(); ++row) {
    const PaletteFormat written(row);
    if (!kFormats[row].encode) continue;
    PaletteData back = Decode(written, Encode(written, read, {.ownCount = true}));
    const PaletteData held = Held(read, written);
    if (const std::string wrong = SourcesAgree(back, held); !wrong.empty())
      return std::string(kFormats[row].name) + ": " + wrong;
    if (Describe(back) != Describe(held))
      return "what " + std::string(kFormats[row].name) + " holds does not come back";
  }
  return CheckOperations(read, input);
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

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

bool IsWordInAnyCase(std::string_view text, std::string_view lowerWord) {
  return Lower(text) == lowerWord;
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
  // The first format the window program offers with that extension, else JASC-PAL.
  std::optional<PaletteFormat> offering;
  for (std::size_t row = 0; row < kFormats.size() && !ext.empty() && !offering; ++row)
    if (kFormats[row].offered() && std::ranges::count(kFormats[row].extensions, Lower(ext)) > 0)
      offering = PaletteFormat(row);
  const PaletteFormat picked = offering.value_or(JascPal);
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
  const std::string otherExt(input.substr(nul + 1));
  const auto other = ConvertTarget(source, otherExt, ConvertFormat(otherExt));
  const bool ok = other && (other->native().ends_with("act") || other->native().ends_with("pal"));
  return ok ? "" : "a mismatched extension gave a target ending in neither act nor pal";
}

// The check an input's first line names, and the rest; an input whose first line names none
// is sniffed whole.
std::pair<std::string_view, std::string_view> Selected(std::string_view input) {
  const std::size_t end = input.find('\n');
  const std::string_view head = input.substr(0, end);
  if (end == input.npos || (head != "name" && head != "sniff" && head != "kpl.xml" &&
                            head != "procreate.json" && !FormatNamed(head)))
    return {"sniff", input};
  return {head, input.substr(end + 1)};
}

}  // namespace

std::string SelectorOf(PaletteFormat format) {
  return std::string(kFormats[format.row()].name) + '\n';
}

std::string_view CheckSelected(std::string_view input) { return Selected(input).first; }

Palette ModelJascPal(std::string_view text, std::size_t* colourLines) {
  auto nextLine = [&text] {
    const std::string_view line = text.substr(0, text.find('\n'));
    text.remove_prefix(std::min(text.size(), line.size() + 1));
    return line.substr(0, line.find('\0'));
  };
  for (int header = 0; header < 3; ++header) nextLine();
  unsigned rgb[3] = {0, 0, 0};
  Palette palette{};
  for (COLORREF& entry : palette) {
    const std::string_view line = nextLine();
    std::size_t at = 0;
    for (unsigned& component : rgb) {
      while (at < line.size() && std::string_view(" \t\v\f\r").find(line[at]) != line.npos) ++at;
      const bool negative = at < line.size() && line[at] == '-';
      if (at < line.size() && (line[at] == '+' || line[at] == '-')) ++at;
      if (at == line.size() || !IsDigit(line[at])) break;
      if (&component == rgb && colourLines != nullptr) ++*colourLines;
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

std::string CheckInput(std::string_view input) {
  const auto [check, rest] = Selected(input);
  if (check == "sniff") return CheckSniffing(rest);
  if (check == "name") return CheckNaming(rest) + CheckText(rest);
  // The document inside a Krita or Procreate archive, wrapped here, as the fuzzer cannot mend
  // an entry's checksum.
  if (check == "kpl.xml") {
    const ZipEntry entries[] = {{"mimetype", "krita/x-colorset", true}, {"colorset.xml", rest}};
    return CheckCodec(*FormatNamed("kpl"), WriteZip(entries));
  }
  if (check == "procreate.json") {
    const ZipEntry entries[] = {{"Swatches.json", rest}};
    return CheckCodec(*FormatNamed("procreate"), WriteZip(entries));
  }
  const PaletteFormat format = *FormatNamed(check);
  if (format != JascPal && format != Act) return CheckCodec(format, rest);
  if (format == Act) {
    std::string head(rest.substr(0, kActSize));
    head.resize(kActSize, '\0');
    return CheckCodec(Act, rest) + (EncodeAct(DecodeAct(rest)) != head
                                        ? "the table is not its first 768 bytes"
                                        : CheckReading(Act, rest, DecodeAct(rest), !rest.empty()));
  }
  std::size_t colourLines = 0;
  return DecodeJascPal(rest) != ModelJascPal(rest, &colourLines)
             ? "the line model reads otherwise"
             : CheckReading(JascPal, rest, DecodeJascPal(rest), colourLines > 0) +
                   CheckCodec(JascPal, rest);
}

}  // namespace varnel::fuzz
