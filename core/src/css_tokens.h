// The tokens of a style sheet, as CSS Syntax Level 3 cuts them for what a palette reader
// needs (comments, strings, escapes, names, hashes, numbers, functions), for css_codec.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "varnel/palette.h"

namespace varnel::css {
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

inline bool IsNameStart(unsigned char c) noexcept {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c >= 0x80;
}
inline bool IsName(unsigned char c) noexcept {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-';
}
inline bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
inline bool IsHexDigit(char c) noexcept {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
inline bool IsSpace(char c) noexcept {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

inline void AppendUtf8(std::string& out, char32_t c) {
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
      token.kind = c == ':'                           ? Kind::Colon
                   : c == ';'                         ? Kind::Semicolon
                   : c == ','                         ? Kind::Comma
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

}  // namespace varnel::css
