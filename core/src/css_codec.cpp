// Style sheets: the colours of CSS custom properties (--name: value) and, in SCSS, of Sass
// variables ($name: value), read in declaration order through a tokenizer that follows CSS
// Syntax Level 3 for what it reads (comments, strings, escapes, names, hashes, numbers,
// functions); written as one :root rule, or as Sass variables.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "codecs.h"
#include "varnel/utf.h"

namespace varnel {
namespace {

enum class Kind : std::uint8_t {
  Whitespace,
  Ident,
  Function,  // its name, the "(" taken
  AtKeyword,
  Hash,
  String,
  Url,
  Bad,  // a bad string or URL: no value of ours
  Number,
  Percentage,
  Dimension,
  Delim,
  Colon,
  Semicolon,
  Comma,
  Open,   // ( [ {
  Close,  // ) ] }
};

struct Token {
  Kind kind;
  std::string text;  // a name, a hash's or a string's value, a dimension's unit, a delimiter
  double number = 0;
  std::string_view source;  // the bytes it was made of, for messages
};

bool IsNameStart(unsigned char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}
bool IsName(unsigned char c) noexcept {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-';
}
bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) noexcept {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsSpace(char c) noexcept { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The tokens of a style sheet, one at a time. `scss` adds Sass's line comments.
class Tokenizer {
 public:
  Tokenizer(std::string_view text, bool scss) noexcept : text_(text), scss_(scss) {}

  bool Next(Token& token) {
    SkipComments();
    if (at_ >= text_.size()) return false;
    const std::size_t start = at_;
    Read(token);
    token.source = text_.substr(start, at_ - start);
    return true;
  }

 private:
  char Peek(std::size_t ahead = 0) const noexcept {
    return at_ + ahead < text_.size() ? text_[at_ + ahead] : '\0';
  }
  bool More(std::size_t ahead = 0) const noexcept { return at_ + ahead < text_.size(); }

  void SkipComments() {
    for (;;) {
      if (Peek() == '/' && Peek(1) == '*') {
        const std::size_t end = text_.find("*/", at_ + 2);
        at_ = end == text_.npos ? text_.size() : end + 2;
      } else if (scss_ && Peek() == '/' && Peek(1) == '/') {
        at_ = std::min(text_.find('\n', at_), text_.size());
      } else {
        return;
      }
    }
  }

  // A backslash that starts an escape: not one before a line break, nor the last byte.
  bool ValidEscape(std::size_t ahead = 0) const noexcept {
    return Peek(ahead) == '\\' && More(ahead + 1) && Peek(ahead + 1) != '\n' &&
           Peek(ahead + 1) != '\r' && Peek(ahead + 1) != '\f';
  }
  bool StartsName(std::size_t ahead = 0) const noexcept {
    const auto c = static_cast<unsigned char>(Peek(ahead));
    if (c == '-')
      return IsNameStart(static_cast<unsigned char>(Peek(ahead + 1))) || Peek(ahead + 1) == '-' ||
             ValidEscape(ahead + 1);
    return (More(ahead) && IsNameStart(c)) || ValidEscape(ahead);
  }
  bool StartsNumber() const noexcept {
    std::size_t ahead = Peek() == '+' || Peek() == '-' ? 1 : 0;
    if (IsDigit(Peek(ahead))) return true;
    return Peek(ahead) == '.' && IsDigit(Peek(ahead + 1));
  }

  // After the backslash: hex digits (up to six, one blank after them taken) or the next
  // character itself; U+0000, surrogates and what lies beyond Unicode give U+FFFD.
  void Escape(std::string& out) {
    ++at_;
    if (!More()) {
      AppendUtf8(out, U'\uFFFD');
      return;
    }
    if (!IsHexDigit(Peek())) {
      out += text_[at_++];
      return;
    }
    char32_t value = 0;
    for (int digits = 0; digits < 6 && IsHexDigit(Peek()); ++digits, ++at_) {
      const char c = Peek();
      value = value * 16 + static_cast<char32_t>(IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
    }
    if (Peek() == '\r' && Peek(1) == '\n') ++at_;
    if (IsSpace(Peek())) ++at_;
    if (value == 0 || (value >= 0xD800 && value < 0xE000) || value > 0x10FFFF) value = 0xFFFD;
    AppendUtf8(out, value);
  }

  std::string Name() {
    std::string name;
    for (;;) {
      if (More() && IsName(static_cast<unsigned char>(Peek()))) {
        const std::size_t start = at_;
        while (More() && IsName(static_cast<unsigned char>(Peek()))) ++at_;
        name.append(text_.substr(start, at_ - start));
      } else if (ValidEscape()) {
        Escape(name);
      } else {
        return name;
      }
    }
  }

  double Number() {
    const std::size_t start = at_;
    if (Peek() == '+' || Peek() == '-') ++at_;
    while (IsDigit(Peek())) ++at_;
    if (Peek() == '.' && IsDigit(Peek(1))) {
      ++at_;
      while (IsDigit(Peek())) ++at_;
    }
    const std::size_t sign = Peek(1) == '+' || Peek(1) == '-' ? 1 : 0;
    if ((Peek() == 'e' || Peek() == 'E') && IsDigit(Peek(1 + sign))) {
      at_ += 1 + sign;
      while (IsDigit(Peek())) ++at_;
    }
    const char* first = text_.data() + start + (text_[start] == '+' ? 1 : 0);
    double value = 0;
    // Out of range: held at the nearest end, as a double holds it.
    if (std::from_chars(first, text_.data() + at_, value).ec == std::errc::result_out_of_range)
      value = *first == '-' ? -HUGE_VAL : HUGE_VAL;
    return value;
  }

  void String(Token& token, char quote) {
    ++at_;
    token.kind = Kind::String;
    while (More()) {
      const char c = Peek();
      if (c == quote) {
        ++at_;
        return;
      }
      if (c == '\n' || c == '\r' || c == '\f') {
        token.kind = Kind::Bad;  // a line break ends the string, which is bad; the break stays
        return;
      }
      if (c == '\\') {
        if (!More(1)) {
          ++at_;
        } else if (Peek(1) == '\n' || Peek(1) == '\r' || Peek(1) == '\f') {
          at_ += Peek(1) == '\r' && Peek(2) == '\n' ? 3u : 2u;  // a continued line
        } else {
          Escape(token.text);
        }
        continue;
      }
      token.text += text_[at_++];
    }
  }

  // After "url(": an unquoted URL up to its ")", or the rest of a bad one.
  void Url(Token& token) {
    token.kind = Kind::Url;
    while (IsSpace(Peek())) ++at_;
    while (More()) {
      const char c = Peek();
      if (c == ')') {
        ++at_;
        return;
      }
      if (IsSpace(c)) {
        while (IsSpace(Peek())) ++at_;
        if (Peek() == ')' || !More()) continue;
        token.kind = Kind::Bad;
      } else if (c == '"' || c == '\'' || c == '(' || (c == '\\' && !ValidEscape())) {
        token.kind = Kind::Bad;
        ++at_;
      } else if (c == '\\') {
        Escape(token.text);
      } else {
        token.text += text_[at_++];
      }
    }
  }

  void Read(Token& token) {
    token = {};
    const char c = Peek();
    if (IsSpace(c)) {
      token.kind = Kind::Whitespace;
      while (IsSpace(Peek())) ++at_;
    } else if (c == '"' || c == '\'') {
      String(token, c);
    } else if (c == '#' && (IsName(static_cast<unsigned char>(Peek(1))) || ValidEscape(1))) {
      token.kind = Kind::Hash;
      ++at_;
      token.text = Name();
    } else if (StartsNumber()) {
      token.number = Number();
      if (StartsName()) {
        token.kind = Kind::Dimension;
        token.text = Name();
      } else if (Peek() == '%') {
        token.kind = Kind::Percentage;
        ++at_;
      } else {
        token.kind = Kind::Number;
      }
    } else if (c == '<' && text_.substr(at_, 4) == "<!--") {
      token.kind = Kind::Whitespace;  // CDO and CDC play no part in what is read here
      at_ += 4;
    } else if (c == '-' && text_.substr(at_, 3) == "-->") {
      token.kind = Kind::Whitespace;
      at_ += 3;
    } else if (StartsName()) {
      token.text = Name();
      if (Peek() != '(') {
        token.kind = Kind::Ident;
        return;
      }
      ++at_;
      token.kind = Kind::Function;
      std::size_t ahead = 0;
      while (IsSpace(Peek(ahead))) ++ahead;
      if (SameLetters(token.text, "url") && Peek(ahead) != '"' && Peek(ahead) != '\'') Url(token);
    } else if (c == '@' && StartsName(1)) {
      ++at_;
      token.kind = Kind::AtKeyword;
      token.text = Name();
    } else {
      ++at_;
      token.kind = c == ':'   ? Kind::Colon
                   : c == ';' ? Kind::Semicolon
                   : c == ',' ? Kind::Comma
                   : c == '(' || c == '[' || c == '{' ? Kind::Open
                   : c == ')' || c == ']' || c == '}' ? Kind::Close
                                                      : Kind::Delim;
      token.text = c == '\\' ? "\\" : std::string(1, c);
    }
  }

  std::string_view text_;
  std::size_t at_ = 0;
  bool scss_;
};

// The CSS named colours, and "transparent".
struct NamedColor {
  std::string_view name;
  std::uint32_t rgb;
};
constexpr NamedColor kNamedColors[] = {
    {"aliceblue", 0xf0f8ff}, {"antiquewhite", 0xfaebd7}, {"aqua", 0x00ffff},
    {"aquamarine", 0x7fffd4}, {"azure", 0xf0ffff}, {"beige", 0xf5f5dc}, {"bisque", 0xffe4c4},
    {"black", 0x000000}, {"blanchedalmond", 0xffebcd}, {"blue", 0x0000ff},
    {"blueviolet", 0x8a2be2}, {"brown", 0xa52a2a}, {"burlywood", 0xdeb887},
    {"cadetblue", 0x5f9ea0}, {"chartreuse", 0x7fff00}, {"chocolate", 0xd2691e},
    {"coral", 0xff7f50}, {"cornflowerblue", 0x6495ed}, {"cornsilk", 0xfff8dc},
    {"crimson", 0xdc143c}, {"cyan", 0x00ffff}, {"darkblue", 0x00008b}, {"darkcyan", 0x008b8b},
    {"darkgoldenrod", 0xb8860b}, {"darkgray", 0xa9a9a9}, {"darkgreen", 0x006400},
    {"darkgrey", 0xa9a9a9}, {"darkkhaki", 0xbdb76b}, {"darkmagenta", 0x8b008b},
    {"darkolivegreen", 0x556b2f}, {"darkorange", 0xff8c00}, {"darkorchid", 0x9932cc},
    {"darkred", 0x8b0000}, {"darksalmon", 0xe9967a}, {"darkseagreen", 0x8fbc8f},
    {"darkslateblue", 0x483d8b}, {"darkslategray", 0x2f4f4f}, {"darkslategrey", 0x2f4f4f},
    {"darkturquoise", 0x00ced1}, {"darkviolet", 0x9400d3}, {"deeppink", 0xff1493},
    {"deepskyblue", 0x00bfff}, {"dimgray", 0x696969}, {"dimgrey", 0x696969},
    {"dodgerblue", 0x1e90ff}, {"firebrick", 0xb22222}, {"floralwhite", 0xfffaf0},
    {"forestgreen", 0x228b22}, {"fuchsia", 0xff00ff}, {"gainsboro", 0xdcdcdc},
    {"ghostwhite", 0xf8f8ff}, {"gold", 0xffd700}, {"goldenrod", 0xdaa520}, {"gray", 0x808080},
    {"green", 0x008000}, {"greenyellow", 0xadff2f}, {"grey", 0x808080}, {"honeydew", 0xf0fff0},
    {"hotpink", 0xff69b4}, {"indianred", 0xcd5c5c}, {"indigo", 0x4b0082}, {"ivory", 0xfffff0},
    {"khaki", 0xf0e68c}, {"lavender", 0xe6e6fa}, {"lavenderblush", 0xfff0f5},
    {"lawngreen", 0x7cfc00}, {"lemonchiffon", 0xfffacd}, {"lightblue", 0xadd8e6},
    {"lightcoral", 0xf08080}, {"lightcyan", 0xe0ffff}, {"lightgoldenrodyellow", 0xfafad2},
    {"lightgray", 0xd3d3d3}, {"lightgreen", 0x90ee90}, {"lightgrey", 0xd3d3d3},
    {"lightpink", 0xffb6c1}, {"lightsalmon", 0xffa07a}, {"lightseagreen", 0x20b2aa},
    {"lightskyblue", 0x87cefa}, {"lightslategray", 0x778899}, {"lightslategrey", 0x778899},
    {"lightsteelblue", 0xb0c4de}, {"lightyellow", 0xffffe0}, {"lime", 0x00ff00},
    {"limegreen", 0x32cd32}, {"linen", 0xfaf0e6}, {"magenta", 0xff00ff}, {"maroon", 0x800000},
    {"mediumaquamarine", 0x66cdaa}, {"mediumblue", 0x0000cd}, {"mediumorchid", 0xba55d3},
    {"mediumpurple", 0x9370db}, {"mediumseagreen", 0x3cb371}, {"mediumslateblue", 0x7b68ee},
    {"mediumspringgreen", 0x00fa9a}, {"mediumturquoise", 0x48d1cc},
    {"mediumvioletred", 0xc71585}, {"midnightblue", 0x191970}, {"mintcream", 0xf5fffa},
    {"mistyrose", 0xffe4e1}, {"moccasin", 0xffe4b5}, {"navajowhite", 0xffdead},
    {"navy", 0x000080}, {"oldlace", 0xfdf5e6}, {"olive", 0x808000}, {"olivedrab", 0x6b8e23},
    {"orange", 0xffa500}, {"orangered", 0xff4500}, {"orchid", 0xda70d6},
    {"palegoldenrod", 0xeee8aa}, {"palegreen", 0x98fb98}, {"paleturquoise", 0xafeeee},
    {"palevioletred", 0xdb7093}, {"papayawhip", 0xffefd5}, {"peachpuff", 0xffdab9},
    {"peru", 0xcd853f}, {"pink", 0xffc0cb}, {"plum", 0xdda0dd}, {"powderblue", 0xb0e0e6},
    {"purple", 0x800080}, {"rebeccapurple", 0x663399}, {"red", 0xff0000},
    {"rosybrown", 0xbc8f8f}, {"royalblue", 0x4169e1}, {"saddlebrown", 0x8b4513},
    {"salmon", 0xfa8072}, {"sandybrown", 0xf4a460}, {"seagreen", 0x2e8b57},
    {"seashell", 0xfff5ee}, {"sienna", 0xa0522d}, {"silver", 0xc0c0c0}, {"skyblue", 0x87ceeb},
    {"slateblue", 0x6a5acd}, {"slategray", 0x708090}, {"slategrey", 0x708090},
    {"snow", 0xfffafa}, {"springgreen", 0x00ff7f}, {"steelblue", 0x4682b4}, {"tan", 0xd2b48c},
    {"teal", 0x008080}, {"thistle", 0xd8bfd8}, {"tomato", 0xff6347}, {"turquoise", 0x40e0d0},
    {"violet", 0xee82ee}, {"wheat", 0xf5deb3}, {"white", 0xffffff}, {"whitesmoke", 0xf5f5f5},
    {"yellow", 0xffff00}, {"yellowgreen", 0x9acd32},
};

struct Rgba {
  COLORREF color;
  std::uint8_t alpha = 255;
};

std::uint8_t Byte(double fraction) {
  return static_cast<std::uint8_t>(std::lround(std::clamp(fraction, 0.0, 1.0) * 255));
}

std::optional<Rgba> FromHash(std::string_view digits) {
  if ((digits.size() != 3 && digits.size() != 4 && digits.size() != 6 && digits.size() != 8) ||
      !std::ranges::all_of(digits, IsHexDigit))
    return std::nullopt;
  std::uint32_t value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  const bool shortForm = digits.size() <= 4, alpha = digits.size() == 4 || digits.size() == 8;
  const unsigned bits = shortForm ? 4 : 8, count = alpha ? 4 : 3;
  std::uint8_t parts[4] = {0, 0, 0, 255};
  for (unsigned i = 0; i < count; ++i) {
    const unsigned part = value >> (bits * (count - 1 - i)) & ((1u << bits) - 1);
    parts[i] = static_cast<std::uint8_t>(shortForm ? part * 17 : part);
  }
  return Rgba{MakeColor(parts[0], parts[1], parts[2]), parts[3]};
}

// A function's arguments, blanks left out: the values, and whether commas or a slash split them.
struct Arguments {
  std::vector<const Token*> values;
  bool commas = false;
  int slash = -1;  // the place of the value after "/"
};

std::optional<Arguments> Split(std::span<const Token> tokens) {
  Arguments args;
  bool comma = false;  // a value must follow
  for (const Token& token : tokens) {
    if (token.kind == Kind::Whitespace) continue;
    if (token.kind == Kind::Comma) {
      if (comma || args.values.empty() || (!args.commas && args.values.size() > 1)) return {};
      args.commas = comma = true;
    } else if (token.kind == Kind::Delim && token.text == "/") {
      if (args.slash >= 0 || args.commas) return {};
      args.slash = static_cast<int>(args.values.size());
    } else if (token.kind == Kind::Number || token.kind == Kind::Percentage ||
               token.kind == Kind::Dimension || token.kind == Kind::Ident) {
      if (args.commas && !comma) return {};
      args.values.push_back(&token);
      comma = false;
    } else {
      return {};
    }
  }
  if (comma) return {};
  return args;
}

// A component: a number or percentage (`percent` is its 100%), "none" (0) where commas do not
// split them; a fraction of the whole.
std::optional<double> Fraction(const Token& token, double whole, bool commas) {
  if (token.kind == Kind::Number) return token.number / whole;
  if (token.kind == Kind::Percentage) return token.number / 100;
  if (token.kind == Kind::Ident && !commas && SameLetters(token.text, "none")) return 0.0;
  return std::nullopt;
}

std::optional<double> Hue(const Token& token, bool commas) {
  if (token.kind == Kind::Number) return token.number;
  if (token.kind == Kind::Ident && !commas && SameLetters(token.text, "none")) return 0.0;
  if (token.kind != Kind::Dimension) return std::nullopt;
  constexpr double kPi = 3.14159265358979323846;
  const std::string& unit = token.text;
  if (SameLetters(unit, "deg")) return token.number;
  if (SameLetters(unit, "grad")) return token.number * 0.9;
  if (SameLetters(unit, "rad")) return token.number * 180 / kPi;
  if (SameLetters(unit, "turn")) return token.number * 360;
  return std::nullopt;
}

// rgb(), rgba(), hsl() and hsla(), with commas (legacy) or blanks and a slash before alpha.
std::optional<Rgba> FromFunction(std::string_view name, std::span<const Token> inside) {
  const bool rgb = SameLetters(name, "rgb") || SameLetters(name, "rgba");
  const bool hsl = SameLetters(name, "hsl") || SameLetters(name, "hsla");
  const std::optional<Arguments> args = Split(inside);
  if ((!rgb && !hsl) || !args) return std::nullopt;
  const std::size_t n = args->values.size();
  const bool withAlpha = args->commas ? n == 4 : args->slash == 3 && n == 4;
  if ((n != 3 && !withAlpha) || (args->slash >= 0 && !withAlpha)) return std::nullopt;
  double alpha = 1;
  if (withAlpha) {
    const auto a = Fraction(*args->values[3], 1, args->commas);
    if (!a) return std::nullopt;
    alpha = *a;
  }
  double parts[3];
  if (rgb) {
    for (std::size_t i = 0; i < 3; ++i) {
      const auto part = Fraction(*args->values[i], 255, args->commas);
      if (!part) return std::nullopt;
      parts[i] = *part;
    }
  } else {
    const auto hue = Hue(*args->values[0], args->commas);
    // Saturation and lightness: percentages, or without commas plain numbers of them.
    std::optional<double> sl[2];
    for (std::size_t i = 0; i < 2; ++i) {
      const Token& token = *args->values[i + 1];
      if (!(args->commas && token.kind == Kind::Number)) sl[i] = Fraction(token, 100, args->commas);
    }
    if (!hue || !sl[0] || !sl[1]) return std::nullopt;
    double h = std::fmod(*hue, 360);
    if (!std::isfinite(h)) return std::nullopt;
    if (h < 0) h += 360;
    const double s = std::clamp(*sl[0], 0.0, 1.0), l = std::clamp(*sl[1], 0.0, 1.0);
    for (const int i : {0, 1, 2}) {
      const double k = std::fmod(std::array{0.0, 8.0, 4.0}[static_cast<std::size_t>(i)] + h / 30, 12);
      const double a = s * std::min(l, 1 - l);
      parts[i] = l - a * std::max(-1.0, std::min({k - 3, 9 - k, 1.0}));
    }
  }
  if (!std::ranges::all_of(parts, [](double p) { return !std::isnan(p); }) || std::isnan(alpha))
    return std::nullopt;
  return Rgba{MakeColor(Byte(parts[0]), Byte(parts[1]), Byte(parts[2])), Byte(alpha)};
}

std::optional<Rgba> FromIdent(std::string_view name) {
  if (SameLetters(name, "transparent")) return Rgba{0, 0};
  for (const NamedColor& named : kNamedColors)
    if (SameLetters(name, named.name))
      return Rgba{MakeColor(static_cast<int>(named.rgb >> 16), static_cast<int>(named.rgb >> 8),
                            static_cast<int>(named.rgb))};
  return std::nullopt;
}

// What a declaration's value is: a colour, no colour (a length, a font: left out without a
// word), or something meant as one that is not read here (a reference, a calculation, a
// colour space of CSS Colour 4, a hash of another length).
struct Value {
  std::optional<Rgba> color;
  bool meant = false;
};

Value Interpret(std::span<const Token> value, bool scss) {
  // Blanks at either end, and flags: !important, and Sass's !default and !global.
  auto blank = [](const Token& t) { return t.kind == Kind::Whitespace; };
  while (!value.empty() && blank(value.back())) value = value.first(value.size() - 1);
  while (value.size() >= 2 && value.back().kind == Kind::Ident &&
         value[value.size() - 2].kind == Kind::Delim && value[value.size() - 2].text == "!") {
    value = value.first(value.size() - 2);
    while (!value.empty() && blank(value.back())) value = value.first(value.size() - 1);
  }
  while (!value.empty() && blank(value.front())) value = value.subspan(1);
  const bool meant = std::ranges::any_of(value, [scss](const Token& t) {
    return t.kind == Kind::Function || t.kind == Kind::Hash ||
           (t.kind == Kind::Ident && SameLetters(t.text, "currentcolor")) ||
           (scss && t.kind == Kind::Delim && t.text == "$");
  });
  if (value.empty()) return {};
  const Token& first = value.front();
  if (value.size() == 1 && first.kind == Kind::Hash) return {FromHash(first.text), true};
  if (value.size() == 1 && first.kind == Kind::Ident) return {FromIdent(first.text), meant};
  if (first.kind == Kind::Function && value.back().kind == Kind::Close &&
      value.back().text == ")" &&
      std::ranges::none_of(value.subspan(1, value.size() - 2), [](const Token& t) {
        return t.kind == Kind::Function || t.kind == Kind::Open || t.kind == Kind::Close;
      }))
    return {FromFunction(first.text, value.subspan(1, value.size() - 2)), true};
  return {std::nullopt, meant};
}

PaletteData DecodeStyleSheet(std::string_view text, bool scss) {
  text = WithoutBom(text);
  std::vector<Token> tokens;
  tokens.reserve(text.size() / 4);
  Tokenizer tokenizer(text, scss);
  for (Token token; tokenizer.Next(token);) tokens.push_back(std::move(token));
  ColorList list;
  std::vector<std::string> skipped;
  bool declarations = false;  // whether one property or variable was met
  bool starts = true;         // whether a declaration may start at token i
  for (std::size_t i = 0; i < tokens.size();) {
    const Token& token = tokens[i];
    if (!starts || token.kind == Kind::Whitespace) {
      // A declaration may start a file or a block, or follow another.
      starts = token.kind == Kind::Semicolon || (token.kind == Kind::Open && token.text == "{") ||
               (token.kind == Kind::Close && token.text == "}") ||
               (starts && token.kind == Kind::Whitespace);
      ++i;
      continue;
    }
    // "--name:", or Sass's "$name:".
    std::size_t at = i;
    std::string name, shown;
    if (token.kind == Kind::Ident && token.text.starts_with("--")) {
      name = token.text.substr(2);
      shown = token.source;
      ++at;
    } else if (scss && i + 1 < tokens.size() && token.kind == Kind::Delim && token.text == "$" &&
               tokens[i + 1].kind == Kind::Ident) {
      name = tokens[i + 1].text;
      shown = "$" + std::string(tokens[i + 1].source);
      at += 2;
    }
    while (at < tokens.size() && tokens[at].kind == Kind::Whitespace) ++at;
    if (shown.empty() || at == tokens.size() || tokens[at].kind != Kind::Colon) {
      starts = false;
      continue;
    }
    // The value: up to the ";" at its own level, or the "}" of its block.
    const std::size_t start = ++at;
    for (int depth = 0; at < tokens.size(); ++at) {
      const Kind kind = tokens[at].kind;
      if (kind == Kind::Open || kind == Kind::Function) ++depth;
      if ((kind == Kind::Close && --depth < 0) || (depth == 0 && kind == Kind::Semicolon)) break;
    }
    declarations = true;
    const Value value = Interpret(std::span(tokens).subspan(start, at - start), scss);
    if (value.color)
      list.Add(value.color->color, name, value.color->alpha);
    else if (value.meant)
      skipped.push_back(Quoted(Utf8Prefix(ValidUtf8(shown), 40)));
    i = at + 1;  // the ";" or the "}", after which another may start
  }
  if (!skipped.empty()) {
    std::string names;
    for (std::size_t k = 0; k < skipped.size() && k < 5; ++k)
      names += (k == 0 ? "" : ", ") + skipped[k];
    if (skipped.size() > 5) names += " and " + Grouped(skipped.size() - 5) + " more";
    list.data().warnings.push_back(
        Grouped(skipped.size()) +
        (scss ? skipped.size() == 1 ? " variable" : " variables"
              : skipped.size() == 1 ? " custom property" : " custom properties") +
        " skipped (" + names +
        "): values such as var(), calc() and color-mix() are not read as colours");
  }
  if (list.size() == 0 && !declarations)
    throw FormatError(scss ? "it holds no custom property or Sass variable"
                           : "it holds no custom property (--name: value)");
  return list.Finish();
}

// `name` as a CSS name that reads back as it: characters a name may hold as they are, others
// escaped; a name of a Sass variable must not start as a number does.
std::string Escaped(std::string_view name, bool startsName) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    const bool first = startsName && (i == 0 || (i == 1 && name[0] == '-'));
    if (c < 0x20 || c == 0x7F || (first && IsDigit(static_cast<char>(c)))) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\%x ", c);
      out += hex;
    } else if (IsName(c) && !(startsName && name == "-")) {
      out += static_cast<char>(c);
    } else {
      out += '\\';
      out += static_cast<char>(c);
    }
  }
  return out;
}

// "#rrggbb" for an opaque colour, else rgba() with as few decimals of alpha as give it back.
std::string CssColor(COLORREF color, std::uint8_t alpha) {
  char text[40];
  if (alpha == 255) {
    std::snprintf(text, sizeof text, "#%02x%02x%02x", RedOf(color), GreenOf(color), BlueOf(color));
    return text;
  }
  if (alpha == 0) {
    std::snprintf(text, sizeof text, "rgba(%u, %u, %u, 0)", RedOf(color), GreenOf(color), BlueOf(color));
    return text;
  }
  for (int decimals = 1;; ++decimals) {
    char a[16];
    std::snprintf(a, sizeof a, "%.*f", decimals, alpha / 255.0);
    if (std::lround(std::strtod(a, nullptr) * 255) != alpha && decimals < 3) continue;
    std::snprintf(text, sizeof text, "rgba(%u, %u, %u, %s)", RedOf(color), GreenOf(color),
                  BlueOf(color), a);
    return text;
  }
}

std::string EncodeStyleSheet(const PaletteData& palette, bool scss) {
  std::string out = scss ? "" : ":root {\n";
  for (std::size_t i = 0; i < palette.count; ++i) {
    const std::string_view name =
        i < palette.names.size() ? std::string_view(palette.names[i]) : std::string_view();
    const std::string own =
        name.empty() ? "color-" + std::to_string(i + 1) : Escaped(name, scss);
    out += scss ? "$" : "  --";
    out += own + ": " + CssColor(palette.colors[i], palette.alpha.empty() ? 255 : palette.alpha[i]) +
           ";\n";
  }
  return scss ? out : out + "}\n";
}

}  // namespace

PaletteData DecodeCss(std::string_view text) { return DecodeStyleSheet(text, false); }
PaletteData DecodeScss(std::string_view text) { return DecodeStyleSheet(text, true); }
std::string EncodeCss(const PaletteData& palette) { return EncodeStyleSheet(palette, false); }
std::string EncodeScss(const PaletteData& palette) { return EncodeStyleSheet(palette, true); }

}  // namespace varnel
