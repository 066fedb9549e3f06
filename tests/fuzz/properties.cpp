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

// "" when the tables agree, else the first entry that does not, with both colours; a
// COLORREF's top byte must stay zero.
std::string Compare(const Palette& actual, const Palette& expected, std::string_view what) {
  auto text = [](COLORREF c) {
    return std::to_string(c >> 24) + ":" + std::to_string(RedOf(c)) + "," +
           std::to_string(GreenOf(c)) + "," + std::to_string(BlueOf(c));
  };
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    if (actual[i] != expected[i] || actual[i] >> 24 != 0) {
      return std::string(what) + ": entry " + std::to_string(i) + " is " + text(actual[i]) +
             ", expected " + text(expected[i]);
    }
  }
  return {};
}

// What both writers write reads back as the same table.
std::string CheckRoundTrips(const Palette& palette) {
  const std::string text = EncodeJascPal(palette), table = EncodeAct(palette);
  if (!text.starts_with("JASC-PAL\r\n0100\r\n256\r\n") ||
      std::count(text.begin(), text.end(), '\n') != 259) {
    return "written JASC-PAL text is not a header and 256 entry lines";
  }
  if (table.size() != kActSize) return "written ACT table is not 768 bytes";
  if (std::string problem = Compare(DecodeJascPal(text), palette, "JASC-PAL round trip");
      !problem.empty()) {
    return problem;
  }
  return Compare(DecodeAct(table), palette, "ACT round trip");
}

// Feeds `input` to a decoder in pieces, each copied to the very end of a heap block so
// that a read past it is caught by the address sanitizer, and stops where the decoder says
// it has read enough, as ReadPaletteFile does. With `steered`, the input's own bytes choose
// the piece lengths (1 to 61) and slip in empty pieces; otherwise pieces are single bytes.
std::string CheckSplitFeeding(std::string_view input, bool steered, const Palette& whole) {
  constexpr std::size_t kBlock = 64;
  const auto block = std::make_unique<char[]>(kBlock);
  JascPalDecoder decoder;
  bool more = true;
  for (std::size_t at = 0, k = 0; more && at < input.size(); ++k) {
    const unsigned steer = steered ? static_cast<unsigned char>(input[k % input.size()]) : 0u;
    const std::size_t length = std::min(input.size() - at, std::size_t{1} + steer % 61);
    if (steer & 0x80) more = decoder.Feed(std::string_view());
    if (more) {
      char* const start = block.get() + kBlock - length;
      std::copy_n(input.data() + at, length, start);
      more = decoder.Feed(std::string_view(start, length));
    }
    if (more == decoder.Done()) return "Feed's result disagrees with Done()";
    at += length;
  }
  if (!more && decoder.Feed("9 9 9\r\n")) return "Feed asked for more after saying it was done";
  return Compare(decoder.Finish(), whole, steered ? "fed in steered pieces" : "fed byte by byte");
}

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

bool IsWordInAnyCase(std::string_view text, std::string_view lower_word) {
  return std::equal(text.begin(), text.end(), lower_word.begin(), lower_word.end(),
                    [](char a, char b) {
                      return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
                    });
}

// Convert's target for a path and its own extension.
std::string CheckTarget(const std::string& source, const std::string& ext) {
  const auto target = ConvertTarget(source, ext);
  if (source.empty()) return target ? "an empty path has a target" : "";
  if (!target) return "no target for \"" + source + "\"";
  const std::string& written = target->native();
  std::string base = source;
  base.resize(source.size() - ext.size() - (ext.empty() && !source.ends_with('.') ? 0 : 1));
  if (written != base + (IsWordInAnyCase(ext, "pal") ? ".act" : ".pal") || written == source) {
    return "target of \"" + source + "\" is \"" + written + "\"";
  }
  if (FormatForExtension(ExtensionOf(*target)) != ConvertFormat(ext)) {
    return "target \"" + written + "\" would be read back in the other format";
  }
  return {};
}

}  // namespace

Palette ModelJascPal(std::string_view text) {
  auto next_line = [&text] {
    const std::size_t lf = text.find('\n');
    const std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    return line.substr(0, line.find('\0'));
  };
  for (int header = 0; header < 3; ++header) next_line();
  unsigned rgb[3] = {0, 0, 0};
  Palette palette{};
  for (COLORREF& entry : palette) {
    const std::string_view line = next_line();
    std::size_t at = 0;
    for (unsigned& component : rgb) {
      while (at < line.size() &&
             std::string_view(" \t\v\f\r\n").find(line[at]) != std::string_view::npos)
        ++at;
      const bool negative = at < line.size() && line[at] == '-';
      if (at < line.size() && (line[at] == '+' || line[at] == '-')) ++at;
      if (at == line.size() || !IsDigit(line[at])) break;
      unsigned value = 0;
      for (; at < line.size() && IsDigit(line[at]); ++at)
        value = (value * 10 + unsigned(line[at] - '0')) % 256;
      component = negative ? (256 - value) % 256 : value;
    }
    entry = MakeColor(static_cast<int>(rgb[0]), static_cast<int>(rgb[1]), static_cast<int>(rgb[2]));
  }
  return palette;
}

std::string CheckJascPal(std::string_view input) {
  const Palette whole = DecodeJascPal(input);
  std::string problem = Compare(whole, ModelJascPal(input), "against the line model");
  // Byte by byte is the hardest cut, kept to short inputs so that the fuzzer stays fast.
  if (problem.empty() && input.size() <= 512) problem = CheckSplitFeeding(input, false, whole);
  if (problem.empty()) problem = CheckSplitFeeding(input, true, whole);
  return problem.empty() ? CheckRoundTrips(whole) : problem;
}

std::string CheckAct(std::string_view input) {
  const Palette whole = DecodeAct(input);
  std::string head(input.substr(0, kActSize));
  if (std::string problem = Compare(DecodeAct(head), whole, "first 768 bytes alone");
      !problem.empty()) {
    return problem;
  }
  head.resize(kActSize, '\0');
  if (EncodeAct(whole) != head) return "the table does not re-encode to the bytes it came from";
  return CheckRoundTrips(whole);
}

std::string CheckNaming(std::string_view input) {
  const std::size_t nul = input.find('\0');
  const std::string source(input.substr(0, nul));
  const std::filesystem::path path(source);
  const std::string ext = ExtensionOf(path), name = path.filename().native();
  if (ext.find_first_of("./") != std::string::npos ||
      (!ext.empty() && !name.ends_with("." + ext)) ||
      (ext.empty() && name.find('.') != std::string::npos && !name.ends_with('.'))) {
    return "extension \"" + ext + "\" is not what follows the last dot of \"" + name + "\"";
  }
  if ((FormatForExtension(ext) == PaletteFormat::Act) != IsWordInAnyCase(ext, "act") ||
      (ConvertFormat(ext) == PaletteFormat::Act) != IsWordInAnyCase(ext, "pal")) {
    return "extension \"" + ext + "\" picks the wrong format";
  }
  if (std::string problem = CheckTarget(source, ext); !problem.empty()) return problem;
  // An extension that does not belong to the path: the target is no promise, but it is
  // computed safely and ends in one of the two.
  if (nul != std::string_view::npos && !source.empty()) {
    const auto target = ConvertTarget(path, std::string(input.substr(nul + 1)));
    if (!target || !(target->native().ends_with("act") || target->native().ends_with("pal"))) {
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
