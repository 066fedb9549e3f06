#include "xml.h"

#include <expat.h>

#include <charconv>
#include <cctype>
#include <cmath>
#include <exception>
#include <limits>
#include <vector>

#include "varnel/format.h"
#include "varnel/text.h"

namespace varnel {
namespace {

// The parse under way: its handler, its depth, and what stopped it.
struct Parse {
  Parse(XML_Parser p, XmlHandler* h) noexcept : parser(p), handler(h) {}

  XML_Parser parser;
  XmlHandler* handler;
  std::size_t depth = 0;
  std::exception_ptr error;
  std::optional<std::string> root;  // XmlRoot: stop at the first element
  std::vector<XmlAttribute> attributes;

  void Stop(std::exception_ptr why) {
    if (!error) error = std::move(why);
    XML_StopParser(parser, XML_FALSE);
  }
  std::string Line() const {
    return std::to_string(XML_GetCurrentLineNumber(parser));
  }
};

// Callbacks from C: nothing may be thrown through expat.
void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  Parse& parse = *static_cast<Parse*>(data);
  if (!parse.handler) {
    parse.root = name;
    XML_StopParser(parse.parser, XML_FALSE);
    return;
  }
  try {
    if (parse.depth >= kMaxXmlDepth)
      throw FormatError("its elements nest deeper than " + std::to_string(kMaxXmlDepth) +
                        " (line " + parse.Line() + ")");
    parse.attributes.clear();
    for (const XML_Char** a = attributes; a[0] && a[1]; a += 2)
      parse.attributes.push_back({a[0], a[1]});
    parse.handler->Start(name, parse.attributes, parse.depth++);
  } catch (...) {
    parse.Stop(std::current_exception());
  }
}

void XMLCALL OnEnd(void* data, const XML_Char* name) {
  Parse& parse = *static_cast<Parse*>(data);
  if (!parse.handler) return;
  try {
    parse.handler->End(name, --parse.depth);
  } catch (...) {
    parse.Stop(std::current_exception());
  }
}

// An entity declared, general or parameter, internal or external: refused, so that none is
// expanded (no billion laughs) and none names a file to read.
void XMLCALL OnEntity(void* data, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                      const XML_Char*, const XML_Char*, const XML_Char*) {
  Parse& parse = *static_cast<Parse*>(data);
  parse.Stop(std::make_exception_ptr(
      FormatError("it declares an XML entity (line " + parse.Line() + "), which palette files never do")));
}

// Runs the parser over all of `bytes`; false where expat stopped or failed, with the reason
// in `parse.error` or the parser.
void Run(Parse& parse, std::string_view bytes) {
  XML_SetUserData(parse.parser, &parse);
  XML_SetElementHandler(parse.parser, OnStart, OnEnd);
  XML_SetEntityDeclHandler(parse.parser, OnEntity);
  // expat is built without DTD support; should a system's have it, no external entity or
  // subset is loaded and no parameter entity parsed.
  XML_SetParamEntityParsing(parse.parser, XML_PARAM_ENTITY_PARSING_NEVER);
  XML_SetExternalEntityRefHandler(parse.parser, nullptr);
  constexpr std::size_t kPiece = std::numeric_limits<int>::max() / 2;
  do {
    const std::string_view piece = bytes.substr(0, kPiece);
    bytes.remove_prefix(piece.size());
    if (XML_Parse(parse.parser, piece.data(), static_cast<int>(piece.size()), bytes.empty()) !=
        XML_STATUS_OK)
      break;
  } while (!bytes.empty());
}

// Frees the parser however the parse ends.
struct ParserOwner {
  XML_Parser parser = XML_ParserCreate(nullptr);
  ~ParserOwner() {
    if (parser) XML_ParserFree(parser);
  }
};

}  // namespace

void ParseXml(std::string_view bytes, XmlHandler& handler) {
  ParserOwner owner;
  if (!owner.parser) throw std::bad_alloc();
  Parse parse(owner.parser, &handler);
  Run(parse, bytes);
  if (parse.error) std::rethrow_exception(parse.error);
  if (XML_GetErrorCode(owner.parser) != XML_ERROR_NONE)
    throw FormatError("its XML is not well-formed at line " + parse.Line() + ": " +
                      XML_ErrorString(XML_GetErrorCode(owner.parser)));
}

std::optional<std::string> XmlRoot(std::string_view bytes) noexcept {
  try {
    ParserOwner owner;
    if (!owner.parser) return std::nullopt;
    Parse parse(owner.parser, nullptr);
    Run(parse, bytes);
    return parse.error ? std::nullopt : parse.root;
  } catch (...) {
    return std::nullopt;
  }
}

bool MayBeXml(std::string_view bytes) noexcept {
  const std::string_view text = WithoutBom(bytes);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && text[first] == '<';
}

std::optional<std::string_view> AttributeOf(std::span<const XmlAttribute> attributes,
                                            std::string_view name) noexcept {
  for (const XmlAttribute& attribute : attributes)
    if (LocalName(attribute.name) == name) return attribute.value;
  return std::nullopt;
}

std::string XmlEscaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (c == '&') out += "&amp;";
    else if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '"') out += "&quot;";
    else if (c == '\t' || c == '\n' || c == '\r') out += "&#" + std::to_string(byte) + ";";
    else if (byte < 0x20) out += "\xEF\xBF\xBD";
    else if (text.substr(i, 3) == "\xEF\xBF\xBE" || text.substr(i, 3) == "\xEF\xBF\xBF") {
      out += "\xEF\xBF\xBD";
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

bool HexAttribute(std::string_view text, std::span<std::uint8_t> out) noexcept {
  text = Trimmed(text);
  if (text.size() != 1 + 2 * out.size() || text[0] != '#') return false;
  for (std::size_t i = 0; i < out.size(); ++i) {
    const char* at = text.data() + 1 + 2 * i;
    if (!std::isxdigit(static_cast<unsigned char>(at[0])) ||
        !std::isxdigit(static_cast<unsigned char>(at[1])) ||
        std::from_chars(at, at + 2, out[i], 16).ptr != at + 2)
      return false;
  }
  return true;
}

std::string XmlNumber(double value) {
  char buffer[32];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return error == std::errc() ? std::string(buffer, end) : "0";
}

std::optional<double> NumberOf(std::string_view text) noexcept {
  text = Trimmed(text);
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    return std::nullopt;
  return value;
}

}  // namespace varnel
