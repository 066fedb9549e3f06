#include "bytes.h"

#include <stdexcept>

#include "varnel/utf.h"

namespace varnel {

std::string ByteReader::Utf16(std::size_t units) {
  if (units > left() / 2) Need(std::uint64_t{pos_} + 2 * std::uint64_t{units});
  std::u16string text(units, u'\0');
  for (char16_t& unit : text) unit = static_cast<char16_t>(U16());
  if (!text.empty() && text.back() == 0) text.pop_back();
  return Utf8FromUtf16(text);
}

ByteWriter& ByteWriter::Length(std::size_t value, std::size_t size) {
  if (size < sizeof value && value >> 8 * size != 0)
    throw std::length_error("a length does not fit its field");
  return Number(static_cast<std::uint32_t>(value), size);
}

ByteWriter& ByteWriter::Utf16(const std::u16string& units, std::size_t lengthSize) {
  Length(units.size() + 1, lengthSize);
  for (const char16_t unit : units) U16(unit);
  return U16(0);
}

}  // namespace varnel
