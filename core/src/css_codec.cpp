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
#include "css_colours.h"
#include "css_tokens.h"
#include "varnel/utf.h"

namespace varnel {
namespace {

using namespace css;  // the tokens and named colours

struct Rgba {
  COLORREF color;
  std::uint8_t alpha = 255;
};

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
      const double k =
          std::fmod(std::array{0.0, 8.0, 4.0}[static_cast<std::size_t>(i)] + h / 30, 12);
      const double a = s * std::min(l, 1 - l);
      parts[i] = l - a * std::max(-1.0, std::min({k - 3, 9 - k, 1.0}));
    }
  }
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
  // The arguments hold no bracket of their own: Split refuses one.
  if (first.kind == Kind::Function && value.back().kind == Kind::Close && value.back().text == ")")
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
        (scss                  ? skipped.size() == 1 ? " variable" : " variables"
         : skipped.size() == 1 ? " custom property"
                               : " custom properties") +
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
  if (alpha == 255) {
    std::string hex = "#";
    AppendHex(hex, color);
    return hex;
  }
  char text[40];
  if (alpha == 0) {
    std::snprintf(text, sizeof text, "rgba(%u, %u, %u, 0)", RedOf(color), GreenOf(color),
                  BlueOf(color));
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
    const std::string own = name.empty() ? "color-" + std::to_string(i + 1) : Escaped(name, scss);
    out += scss ? "$" : "  --";
    out += own + ": " +
           CssColor(palette.colors[i], palette.alpha.empty() ? 255 : palette.alpha[i]) + ";\n";
  }
  return scss ? out : out + "}\n";
}

}  // namespace

PaletteData DecodeCss(std::string_view text) { return DecodeStyleSheet(text, false); }
PaletteData DecodeScss(std::string_view text) { return DecodeStyleSheet(text, true); }
std::string EncodeCss(const PaletteData& palette) { return EncodeStyleSheet(palette, false); }
std::string EncodeScss(const PaletteData& palette) { return EncodeStyleSheet(palette, true); }

}  // namespace varnel
