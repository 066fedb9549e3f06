// XML documents in memory, through expat, under limits against hostile files: what the
// palette formats made of XML read of them, element by element.
#pragma once

#include <cstddef>
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

}  // namespace varnel
