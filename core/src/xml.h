// XML documents in memory, through expat, under limits against hostile files: what the
// palette formats made of XML read of them, element by element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace varnel {

struct XmlAttribute {
  std::string_view name, value;
};

// What a reader does with the elements of a document, in order. Names are as written,
// prefixes included ("draw:color"); see LocalName. A callback may throw FormatError, which
// ends the parse and comes out of ParseXml.
class XmlHandler {
 public:
  virtual ~XmlHandler() = default;
  // An element opens; `depth` is 0 for the root.
  virtual void Start(std::string_view name, std::span<const XmlAttribute> attributes,
                     std::size_t depth) = 0;
  virtual void End(std::string_view /*name*/, std::size_t /*depth*/) {}
};

// The most elements may nest: every palette document needs four at most.
inline constexpr std::size_t kMaxXmlDepth = 64;

// Parses the whole of `bytes` (UTF-8, UTF-16 or as its declaration says) into `handler`.
// Throws FormatError for a document that is not well-formed ("its XML is not well-formed at
// line 3: mismatched tag"), that declares an entity (so none is ever expanded, and none read
// from outside), or whose elements nest deeper than kMaxXmlDepth.
void ParseXml(std::string_view bytes, XmlHandler& handler);

// The root element's name as written where `bytes` are XML that parses up to it (after a
// byte-order mark, a declaration, comments); nullopt otherwise. Reads no further.
std::optional<std::string> XmlRoot(std::string_view bytes) noexcept;

// Whether `bytes` may be XML: after a UTF-8 byte-order mark and blanks, "<".
bool MayBeXml(std::string_view bytes) noexcept;

// A name without its prefix: "color" for "draw:color".
constexpr std::string_view LocalName(std::string_view name) noexcept {
  const std::size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// The value of the attribute whose local name is `name`, or nullopt.
std::optional<std::string_view> AttributeOf(std::span<const XmlAttribute> attributes,
                                            std::string_view name) noexcept;

// `text` as an attribute value between double quotes: markup and the blanks that expat
// would fold into spaces written as references, and the characters XML cannot hold at all
// (C0 controls, U+FFFE, U+FFFF) as U+FFFD.
std::string XmlEscaped(std::string_view text);

// A number as an attribute value: the shortest decimal that reads back as `value`.
std::string XmlNumber(double value);

// The finite number an attribute value spells (blanks around it allowed), or nullopt.
std::optional<double> NumberOf(std::string_view text) noexcept;

// The bytes an attribute value "#" and two hex digits a byte spells, exactly out.size() of
// them ("#rrggbb", "#ccmmyykk"), blanks around allowed; false for anything else.
bool HexAttribute(std::string_view text, std::span<std::uint8_t> out) noexcept;

}  // namespace varnel
