// LibreOffice and OpenOffice colour tables (.soc): an XML document whose root is
// office:color-table, a draw:color element for each colour with its draw:name and its
// draw:color "#rrggbb". Elements are matched by their names without prefix, so that both the
// OpenOffice.org 1 and the OpenDocument namespaces read.
#include <cstdio>

#include "codecs.h"
#include "varnel/utf.h"
#include "xml.h"

namespace varnel {
namespace {

constexpr std::string_view kRoot = "color-table";

class SocReader : public XmlHandler {
 public:
  void Start(std::string_view name, std::span<const XmlAttribute> attributes,
             std::size_t depth) override {
    if (depth == 0 && LocalName(name) != kRoot) throw NotAPaletteError("an XML file");
    if (depth != 1 || LocalName(name) != "color") return;
    const std::string number = "colour " + std::to_string(list_.size() + 1);
    const auto value = AttributeOf(attributes, "color");
    if (!value) throw FormatError(number + " has no draw:color");
    std::uint8_t rgb[3];
    if (!HexAttribute(*value, rgb))
      throw FormatError(number + "'s draw:color " + Quoted(*value) + " is not #rrggbb");
    list_.Add(MakeColor(rgb[0], rgb[1], rgb[2]), AttributeOf(attributes, "name").value_or(""));
  }
  PaletteData Finish() { return list_.Finish(); }

 private:
  ColorList list_;
};

}  // namespace

bool LooksLikeSoc(std::string_view bytes) noexcept {
  const auto root = XmlRoot(bytes);
  return root && LocalName(*root) == kRoot;
}

PaletteData DecodeSoc(std::string_view bytes) {
  SocReader reader;
  ParseXml(bytes, reader);
  return reader.Finish();
}

// As LibreOffice's own palettes are written.
std::string EncodeSoc(const PaletteData& palette) {
  std::string out =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<office:color-table xmlns:office=\"http://openoffice.org/2000/office\" "
      "xmlns:draw=\"http://openoffice.org/2000/drawing\">\n";
  for (std::size_t i = 0; i < palette.count; ++i) {
    const COLORREF c = palette.colors[i];
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", RedOf(c), GreenOf(c), BlueOf(c));
    out += "  <draw:color draw:name=\"" +
           XmlEscaped(i < palette.names.size() ? palette.names[i] : "") + "\" draw:color=\"" +
           hex + "\"/>\n";
  }
  return out + "</office:color-table>\n";
}

}  // namespace varnel
