// The line-based formats: JASC-PAL's row of kFormats (its decoder is jasc_pal.cpp), GIMP
// palettes, Lospec hex lists and Paint.NET palettes.
#include <algorithm>
#include <array>
#include <charconv>
#include <span>

#include "codecs.h"
#include "varnel/utf.h"

namespace varnel {

void ColorList::Add(COLORREF color, std::string_view name, std::uint8_t alpha) {
  if (count_ == kPaletteSize) {
    ++data_.extra;
    return;
  }
  // Names and alpha are kept from the first that says something on; the colours before it
  // get "" and 255.
  if (!name.empty() || !data_.names.empty()) {
    data_.names.resize(count_);
    data_.names.push_back(ValidUtf8(name));
  }
  if (alpha != 255 || !data_.alpha.empty()) {
    data_.alpha.resize(count_, 255);
    data_.alpha.push_back(alpha);
  }
  data_.colors[count_++] = color;
  if (!data_.sources.empty()) data_.sources.resize(count_);
}

void ColorList::Add(COLORREF color, std::string_view name, const SourceColor& source,
                    std::uint8_t alpha) {
  const std::size_t before = count_;
  Add(color, name, alpha);
  if (count_ == before) return;  // beyond the 256th
  data_.sources.resize(count_);
  data_.sources.back() = source;
}

PaletteData ColorList::Finish() {
  if (count_ == 0) throw FormatError("it holds no colours");
  data_.count = ColorCount(count_);
  return std::move(data_);
}

namespace {

// Calls `take(line, number)` for each line of `text`, trimmed, counting from 1; a UTF-8
// byte-order mark before the first line is no part of it.
template <class Take>
void ForEachLine(std::string_view text, Take&& take) {
  text = WithoutBom(text);
  for (int number = 1; !text.empty(); ++number) {
    const std::size_t lf = std::min(text.find('\n'), text.size());
    take(Trimmed(text.substr(0, lf)), number);
    text.remove_prefix(std::min(lf + 1, text.size()));
  }
}

// A line quoted for an error message: at most 40 characters, nothing in it left to move a
// terminal's cursor (see Quoted).
[[noreturn]] void NotAColor(std::string_view line, int number, std::string_view expected) {
  const std::string_view shown = Utf8Prefix(line, 40);
  throw FormatError("line " + std::to_string(number) + ": " + Quoted(shown) +
                    (shown.size() < line.size() ? "..." : "") + " is not " + std::string(expected));
}

// The value of `text`, hex digits and nothing else, or nullopt.
std::optional<std::uint32_t> HexValue(std::string_view text) noexcept {
  std::uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size() || text.starts_with('-') ||
      text.starts_with('+'))
    return std::nullopt;
  return value;
}

COLORREF FromRgb(std::uint32_t rgb) noexcept {
  return MakeColor(static_cast<int>(rgb >> 16), static_cast<int>(rgb >> 8), static_cast<int>(rgb));
}

}  // namespace

bool LooksLikeJascPal(std::string_view bytes) noexcept {
  return WithoutBom(bytes).starts_with("JASC-PAL");
}

namespace {

class JascPalReader final : public StreamDecoder {
 public:
  bool Feed(std::string_view piece) override { return text_.Feed(piece); }
  PaletteData Finish() override {
    PaletteData data(text_.Finish());
    // An empty file, or a text with no colour line, would give 256 black entries that are
    // nowhere in it.
    if (text_.ColorLines() == 0) throw FormatError("it holds no colours");
    data.count = ColorCount(text_.Count());
    if (text_.ColorLines() > data.count) data.colorLines = text_.ColorLines();
    return data;
  }

 private:
  JascPalDecoder text_;
};

}  // namespace

std::unique_ptr<StreamDecoder> JascPalStream() { return std::make_unique<JascPalReader>(); }

std::string EncodeJascPalFile(const PaletteData& palette, const WriteOptions& options) {
  return options.ownCount ? EncodeJascPal(palette.colors, palette.count)
                          : EncodeJascPal(palette.colors);
}

bool LooksLikeGpl(std::string_view bytes) noexcept {
  return WithoutBom(bytes).starts_with("GIMP Palette");
}

// GIMP: "GIMP Palette", then header words, comments and "R G B name" lines.
PaletteData DecodeGpl(std::string_view text) {
  if (WithoutBom(text).empty()) throw FormatError("its first line is not \"GIMP Palette\"");
  ColorList list;
  bool rgba = false;
  ForEachLine(text, [&](std::string_view line, int number) {
    // Most lines are colours and start with a digit: no need to look for words there.
    const bool word = line.empty() || line[0] < '0' || line[0] > '9';
    if (number == 1) {
      if (line != "GIMP Palette") throw FormatError("its first line is not \"GIMP Palette\"");
    } else if (word && (line.empty() || line.starts_with('#') || line.starts_with("Columns:"))) {
    } else if (word && line.starts_with("Name:")) {
      list.data().title = ValidUtf8(Trimmed(line.substr(5)));
    } else if (word && line.starts_with("Channels:")) {
      rgba = Trimmed(line.substr(9)) == "RGBA";
    } else {
      std::array rgbaValues{0, 0, 0, 255};
      const char* p = line.data();
      const char* const end = p + line.size();
      for (int& value : std::span(rgbaValues).first(rgba ? 4 : 3)) {
        while (p != end && (*p == ' ' || *p == '\t')) ++p;
        const auto result = std::from_chars(p, end, value);
        if (result.ec == std::errc::invalid_argument)
          NotAColor(line, number, "a colour (R G B name)");
        // Out of range: held at the nearest end, as any other number is.
        if (result.ec == std::errc::result_out_of_range) value = *p == '-' ? 0 : 255;
        value = std::clamp(value, 0, 255);
        p = result.ptr;
      }
      list.Add(MakeColor(rgbaValues[0], rgbaValues[1], rgbaValues[2]),
               Trimmed(std::string_view(p, static_cast<std::size_t>(end - p))),
               static_cast<std::uint8_t>(rgbaValues[3]));
    }
  });
  return list.Finish();
}

std::string EncodeGpl(const PaletteData& palette) {
  // GIMP lines hold no control characters, and lose the blanks around a name.
  auto printable = [](std::string text) {
    std::ranges::replace_if(
        text, [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    return std::string(Trimmed(text));
  };
  // GIMP and Krita need the name.
  const std::string title = printable(palette.title);
  std::string out = "GIMP Palette\nName: " + (title.empty() ? "Untitled" : title) + "\n";
  const bool rgba = !palette.alpha.empty();
  if (rgba) out += "Channels: RGBA\n";
  out += "Columns: 16\n#\n";
  // A number right-aligned in three places, as GIMP writes them (snprintf costs ten times more).
  auto number = [&out](unsigned value) {
    const char digits[] = {static_cast<char>(value >= 100 ? '0' + value / 100 : ' '),
                           static_cast<char>(value >= 10 ? '0' + value / 10 % 10 : ' '),
                           static_cast<char>('0' + value % 10)};
    out.append(digits, std::size(digits));
  };
  for (std::size_t i = 0; i < palette.count; ++i) {
    const COLORREF c = palette.colors[i];
    number(RedOf(c));
    out += ' ';
    number(GreenOf(c));
    out += ' ';
    number(BlueOf(c));
    if (rgba) {
      out += ' ';
      number(palette.alpha[i]);
    }
    if (i < palette.names.size()) {
      const std::string name = printable(palette.names[i]);
      if (!name.empty()) out += "\t" + name;
    }
    out += '\n';
  }
  return out;
}

// Lospec: "rrggbb" a line, either case, an optional '#'.
PaletteData DecodeHex(std::string_view text) {
  ColorList list;
  ForEachLine(text, [&](std::string_view line, int number) {
    if (line.empty()) return;
    const std::string_view digits = line.starts_with('#') ? line.substr(1) : line;
    const auto rgb = digits.size() == 6 ? HexValue(digits) : std::nullopt;
    if (!rgb) NotAColor(line, number, "a colour (rrggbb)");
    list.Add(FromRgb(*rgb));
  });
  return list.Finish();
}

std::string EncodeHex(const PaletteData& palette) {
  std::string out;
  for (std::size_t i = 0; i < palette.count; ++i) {
    AppendHex(out, palette.colors[i], false);
    out += '\n';
  }
  return out;
}

// A ';' comment whose first word is "paint.net" in any letter case.
bool LooksLikePaintNet(std::string_view bytes) noexcept {
  bytes = WithoutBom(bytes);
  if (!bytes.starts_with(';')) return false;
  bytes.remove_prefix(std::min(bytes.find_first_not_of(" \t", 1), bytes.size()));
  constexpr std::string_view kWord = "paint.net";
  return SameLetters(bytes.substr(0, kWord.size()), kWord);
}

// Paint.NET: ';' comments and "AARRGGBB" a line (six digits are taken as opaque).
PaletteData DecodePaintNet(std::string_view text) {
  ColorList list;
  ForEachLine(text, [&](std::string_view line, int number) {
    if (line.empty() || line.starts_with(';')) return;
    const auto argb = line.size() == 8 || line.size() == 6 ? HexValue(line) : std::nullopt;
    if (!argb) NotAColor(line, number, "a colour (AARRGGBB)");
    list.Add(FromRgb(*argb & 0xFFFFFF), {},
             line.size() == 8 ? static_cast<std::uint8_t>(*argb >> 24) : std::uint8_t{255});
  });
  return list.Finish();
}

std::string EncodePaintNet(const PaletteData& palette) {
  std::string out =
      "; paint.net Palette File\r\n"
      "; Lines that start with a semicolon are comments.\r\n"
      "; Colors are written as 8-digit hexadecimal numbers: aarrggbb.\r\n";
  for (std::size_t i = 0; i < palette.count; ++i) {
    AppendHex(out, palette.alpha.empty() ? std::uint8_t{255} : palette.alpha[i], true);
    AppendHex(out, palette.colors[i], true);
    out += "\r\n";
  }
  return out;
}

}  // namespace varnel
