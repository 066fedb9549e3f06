#include "report.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <system_error>

#include "palconv.h"
#include "varnel/source_colors.h"
#include "varnel/utf.h"

namespace palconv {
namespace {

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

}  // namespace

std::string Listing(const varnel::PaletteData& palette) {
  std::string text;
  for (unsigned i = 0; i < palette.colors.size(); ++i) {
    Append(text, i);
    text += ": ";
    AppendRgb(text, palette.colors[i], ' ');
    if (i < palette.sources.size() && palette.sources[i]) {
      text += "  " + varnel::Described(*palette.sources[i]);
      if (i < palette.names.size() && !palette.names[i].empty())
        text += " " + varnel::Quoted(palette.names[i]);
    }
    text += '\n';
  }
  return text;
}

std::string Grid(const varnel::Palette& palette) {
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

std::string Shown(std::string_view name) {
  return varnel::IsPrintable(name) ? std::string(name) : varnel::Quoted(name);
}

std::string SystemReason(int errorNumber) { return std::generic_category().message(errorNumber); }

// The reason standard output failed, or "" when all that was printed arrived.
std::string OutputFailure(std::FILE* out) {
  const bool flushed = std::fflush(out) == 0;
  const int errorNumber = errno;
  if (flushed && !std::ferror(out)) return {};
  return SystemReason(flushed ? EIO : errorNumber);
}

std::string WithArticle(std::string_view title) {
  return (std::string_view("AEIOU").find(title.front()) != std::string_view::npos ? "an " : "a ") +
         std::string(title);
}

std::filesystem::path PathFromUtf8(std::string_view text) {
  std::u8string utf8(text.size(), u8'\0');
  std::ranges::transform(text, utf8.begin(), [](char c) { return static_cast<char8_t>(c); });
  return std::filesystem::path(utf8);
}

}  // namespace palconv
