// Bounds-checked reading and writing of the numbers binary formats are made of.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

#include "varnel/format.h"

namespace varnel {

// Thrown instead of "ends too early" while more of a file may come (see ByteReader):
// nothing can be said before byte `end` has arrived.
struct MoreBytes {
  std::uint64_t end;
};

enum class Endian : bool { Little, Big };

// Reads numbers from bytes in order (U16, Bytes...) or at a place (U16At...), refusing to
// read past their end: with FormatError "WHAT ends too early" once the bytes are all
// there are, with MoreBytes while more may come (`complete` false).
class ByteReader {
 public:
  explicit ByteReader(std::string_view bytes, Endian endian = Endian::Big,
                      bool complete = true) noexcept
      : bytes_(bytes), endian_(endian), complete_(complete) {}

  // Throws unless the first `end` bytes are there; `what` names what they hold.
  void Need(std::uint64_t end, std::string_view what = "it") const {
    if (end <= bytes_.size()) return;
    if (!complete_) throw MoreBytes{end};
    throw FormatError(std::string(what) + " ends too early");
  }

  std::uint32_t U8At(std::size_t at) const { return NumberAt(at, 1); }
  std::uint32_t U16At(std::size_t at) const { return NumberAt(at, 2); }
  std::uint32_t U32At(std::size_t at) const { return NumberAt(at, 4); }

  // The next number of `size` bytes (1 to 4).
  std::uint32_t Number(std::size_t size) {
    const std::uint32_t value = NumberAt(pos_, size);
    pos_ += size;
    return value;
  }
  std::uint32_t U8() { return Number(1); }
  std::uint32_t U16() { return Number(2); }
  std::uint32_t U32() { return Number(4); }
  float F32() { return std::bit_cast<float>(U32()); }
  std::string_view Bytes(std::size_t n) {
    if (n > left()) Need(std::uint64_t{pos_} + n);
    const std::string_view taken = bytes_.substr(pos_, n);
    pos_ += n;
    return taken;
  }
  // A string of `units` UTF-16 code units in the reader's byte order, as UTF-8, without its
  // last NUL; memory is taken only for units that are there.
  std::string Utf16(std::size_t units);

  std::size_t left() const noexcept { return bytes_.size() - pos_; }
  std::string_view rest() const noexcept { return bytes_.substr(pos_); }

 private:
  std::uint32_t NumberAt(std::size_t at, std::size_t size) const {
    Need(std::uint64_t{at} + size);
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i)
      value |= std::uint32_t{static_cast<unsigned char>(bytes_[at + i])}
               << 8 * (endian_ == Endian::Big ? size - 1 - i : i);
    return value;
  }

  std::string_view bytes_;
  std::size_t pos_ = 0;
  Endian endian_;
  bool complete_;
};

// Writes numbers to a byte string in one byte order.
struct ByteWriter {
  std::string out;
  Endian endian = Endian::Big;

  ByteWriter& Number(std::uint32_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i)
      out += static_cast<char>(value >> 8 * (endian == Endian::Big ? size - 1 - i : i));
    return *this;
  }
  ByteWriter& U16(std::uint32_t value) { return Number(value, 2); }
  ByteWriter& U32(std::uint32_t value) { return Number(value, 4); }
  ByteWriter& F32(float value) { return U32(std::bit_cast<std::uint32_t>(value)); }
  // A length or count in a field of `size` bytes, which must hold it; throws
  // std::length_error.
  ByteWriter& Length(std::size_t value, std::size_t size);
  // UTF-16 code units, a terminating NUL included, after their count in a field of
  // `lengthSize` bytes.
  ByteWriter& Utf16(const std::u16string& units, std::size_t lengthSize);
};

}  // namespace varnel
