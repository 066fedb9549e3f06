// What the picture codecs share (png_codec.cpp, gif_codec.cpp, bmp_codec.cpp,
// pcx_codec.cpp): their limits, the distinct colours of pixels, and a decoder that reads a
// picture's header from its first bytes and its pixels as they come.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "bytes.h"
#include "codecs.h"
#include "varnel/utf.h"

namespace varnel {

// A picture wider or taller is refused before anything is taken for its pixels.
inline constexpr std::uint64_t kMaxSide = 16384;

// "1,024 × 768".
std::string SizeText(std::uint64_t width, std::uint64_t height);

// What PaletteData::picture says: "indexed, 32 × 1". Refuses a picture without pixels or
// larger than kMaxSide either way.
std::string Picture(std::string_view kind, std::uint64_t width, std::uint64_t height);

// `count` colours of `size` bytes each from `at`, red first (blue first where `bgr`).
ColorList ColorTable(const ByteReader& in, std::size_t at, std::size_t count, std::size_t size,
                     bool bgr = false);

// The distinct colours of a picture's pixels in reading order: rows top to bottom, each left
// to right, and how many pixels have each. Pixels may come in any order, with their places;
// fully transparent ones are skipped. Memory stays the same whatever the number of pixels:
// past 256 colours each colour's pixels are counted up to kMaxExact colours, and past those
// every pixel goes to a cell of like colours (the top 6 bits of red, green and blue), whose
// sums keep its mean colour exact.
class DistinctColors {
 public:
  void Add(COLORREF color, std::uint8_t alpha, std::uint64_t place);

  // The palette: the colours in reading order where there are at most 256, else the 256 that
  // stand best for the cells (PaletteData::pixels and pictureColors say which). Throws
  // FormatError for a picture of no colours.
  PaletteData Finish(std::string picture);

 private:
  struct Slot;
  std::uint64_t* Locate(std::uint32_t key, std::uint64_t place);
  void StartCells();
  void AddToCell(std::uint32_t key) noexcept;
  void Settle();

  // The first 256 colours met (colour and alpha), where each was first seen and its pixels:
  // open addressing in a fixed table at most a quarter full, as each pixel looks its colour up.
  struct Slot {
    std::uint32_t key = 0;
    bool used = false;
    std::uint64_t place = 0;
    std::uint64_t pixels = 0;
  };
  static constexpr std::size_t kSlots = 1024;
  Slot& SlotOf(std::uint32_t key) noexcept {
    std::size_t at = (key * 0x9E3779B1u) >> 22;  // the top 10 bits of a Fibonacci hash
    while (slots_[at].used && slots_[at].key != key) at = (at + 1) & (kSlots - 1);
    return slots_[at];
  }

  std::array<Slot, kSlots> slots_{};
  std::size_t size_ = 0;
  // The colours beyond the first 256, counted: the opaque ones a bit each (2 MiB, once the
  // first comes), the others listed, up to a cap.
  std::vector<std::uint64_t> opaque_;
  std::size_t opaqueMore_ = 0;
  std::vector<std::uint32_t> more_;
  bool capped_ = false;
  static constexpr std::size_t kMaxExact = std::size_t{1} << 16;
  std::unordered_map<std::uint32_t, std::uint64_t> exact_;  // pixels of colours past 256
  std::vector<ColorCell> cells_;  // once there are more than kMaxExact colours
  std::uint32_t last_ = 0;
  std::uint64_t lastPlace_ = 0;
  std::uint64_t* lastCount_ = nullptr;  // the last pixel's colour's count, until cells_
};

// A picture read in two parts: its head, the first bytes, which hold the palette or say how
// to read what follows, and then, where the palette is in the pixels or at the end, its body.
// The head is collected (up to kMaxHead); the body is handed on as it comes and not kept.
class HeadAndBody : public StreamDecoder {
 public:
  bool Feed(std::string_view piece) final;
  PaletteData Finish() final;

 protected:
  // How many first bytes may go before the pixels.
  static constexpr std::size_t kMaxHead = PaletteDecoder::kMaxFileSize;

  // Reads the head from `in`, the file's first bytes, little-endian: all of them once the
  // file has ended, else as far as it has come, `in` throwing MoreBytes where it reaches
  // past them. Returns the palette where the head holds it; else sets up the body, which
  // begins at byte `bodyStart`, and returns nullopt.
  virtual std::optional<PaletteData> Head(const ByteReader& in) = 0;
  // Takes the next piece of the body; false once the rest can play no role.
  virtual bool Body(std::string_view) { return false; }
  // The palette, once the file has ended after the body began. Throws FormatError.
  virtual PaletteData End() { throw FormatError("it ends too early"); }

  std::uint64_t bodyStart = 0;

 private:
  bool ReadHead(bool complete);
  bool Pass(std::string_view piece);

  std::string head_;
  std::uint64_t needed_ = 0;  // head_ is read again only once it has this many bytes
  std::uint64_t seen_ = 0;    // bytes of the file handed on to the body or skipped
  bool inBody_ = false, wants_ = true;
  std::optional<PaletteData> palette_;
};

}  // namespace varnel
