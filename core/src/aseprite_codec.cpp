// Aseprite sprites (.aseprite, and .ase with the sprite's header): the palette of the first
// frame, read from its chunks without decompressing anything (the cels are skipped).
#include <algorithm>
#include <array>
#include <vector>

#include "bytes.h"
#include "codecs.h"
#include "varnel/utf.h"

namespace varnel {
namespace {

constexpr std::size_t kHeaderSize = 128, kFrameHeaderSize = 16, kChunkHeaderSize = 6;
constexpr std::uint32_t kMagic = 0xA5E0, kFrameMagic = 0xF1FA;
constexpr std::uint32_t kPaletteChunk = 0x2019, kOldPaletteChunk = 0x0004, kOld64Chunk = 0x0011;

struct Entry {
  COLORREF color = 0;
  std::uint8_t alpha = 255;
  std::string name;
  bool set = false;
};

// The palette chunk: its new size, the first and last entries it changes, each with flags,
// R, G, B, A and, where flag 1 says so, a name.
void ReadPalette(ByteReader chunk, std::vector<Entry>& entries, std::size_t& size) {
  const std::uint32_t newSize = chunk.U32(), first = chunk.U32(), last = chunk.U32();
  chunk.Bytes(8);
  if (first > last || last >= newSize)
    throw FormatError("its palette chunk changes entries " + std::to_string(first) + " to " +
                      std::to_string(last) + " of a palette of " + std::to_string(newSize));
  size = newSize;
  for (std::uint64_t index = first; index <= last; ++index) {
    const std::uint32_t flags = chunk.U16();
    const std::string_view rgba = chunk.Bytes(4);
    std::string name;
    if (flags & 1) name = chunk.Bytes(chunk.U16());
    if (index >= kPaletteSize) continue;  // counted as extra
    const auto at = static_cast<std::size_t>(index);
    if (entries.size() <= at) entries.resize(at + 1);
    auto byte = [&rgba](std::size_t i) { return static_cast<unsigned char>(rgba[i]); };
    entries[at] = {MakeColor(byte(0), byte(1), byte(2)), byte(3), std::move(name), true};
  }
}

// The old palette chunks: packets of entries to skip and colours to set (0 for 256), each
// R, G, B of 0 to 255, or in 0x0011 of 0 to 63.
void ReadOldPalette(ByteReader chunk, bool sixBits, std::vector<Entry>& entries, std::size_t& size) {
  std::size_t index = 0;
  for (std::uint32_t packets = chunk.U16(); packets > 0; --packets) {
    index += chunk.U8();
    std::uint32_t colors = chunk.U8();
    if (colors == 0) colors = 256;
    for (; colors > 0; --colors, ++index) {
      std::array<std::uint32_t, 3> rgb{chunk.U8(), chunk.U8(), chunk.U8()};
      if (sixBits) {
        if (std::ranges::any_of(rgb, [](std::uint32_t v) { return v > 63; }))
          throw FormatError("its old palette chunk holds a value above 63 in entry " +
                            std::to_string(index));
        for (std::uint32_t& v : rgb) v = v << 2 | v >> 4;
      }
      if (index >= kPaletteSize) continue;
      if (entries.size() <= index) entries.resize(index + 1);
      entries[index] = {MakeColor(static_cast<int>(rgb[0]), static_cast<int>(rgb[1]),
                                  static_cast<int>(rgb[2])),
                        255, {}, true};
    }
    size = std::max(size, index);
  }
}

}  // namespace

bool LooksLikeAseprite(std::string_view bytes) noexcept {
  if (bytes.size() < 14) return false;
  const ByteReader header(bytes, Endian::Little);
  const std::uint32_t depth = header.U16At(12);
  return header.U16At(4) == kMagic && (depth == 8 || depth == 16 || depth == 32);
}

PaletteData DecodeAseprite(std::string_view bytes) {
  const ByteReader header(bytes, Endian::Little);
  header.Need(kHeaderSize, "its header");
  if (header.U16At(4) != kMagic) throw FormatError("it does not have a sprite's magic number A5E0");
  const std::uint32_t frames = header.U16At(6), depth = header.U16At(12);
  if (frames == 0) throw FormatError("it holds no frames");
  ByteReader frame(bytes.substr(kHeaderSize), Endian::Little);
  const std::uint32_t frameBytes = frame.U32();
  if (frame.U16() != kFrameMagic) throw FormatError("its first frame does not start with F1FA");
  if (frameBytes < kFrameHeaderSize || frameBytes > bytes.size() - kHeaderSize)
    throw FormatError("its first frame says it is " + Grouped(frameBytes) +
                      " bytes long, but " + Grouped(bytes.size() - kHeaderSize) +
                      " follow the header");
  const std::uint32_t oldChunks = frame.U16();
  frame.Bytes(4);
  const std::uint32_t newChunks = frame.U32();
  const std::uint64_t chunks = newChunks != 0 ? newChunks : oldChunks;
  ByteReader body(bytes.substr(kHeaderSize + kFrameHeaderSize, frameBytes - kFrameHeaderSize),
                  Endian::Little);
  // The new palette chunk wins over the old ones wherever it stands in the frame.
  std::vector<Entry> entries, old;
  std::size_t size = 0, oldSize = 0;
  bool found = false;
  for (std::uint64_t n = 0; n < chunks && body.left() > 0; ++n) {
    const std::uint32_t chunkBytes = body.U32();
    if (chunkBytes < kChunkHeaderSize || chunkBytes - 4 > body.left())
      throw FormatError("chunk " + std::to_string(n + 1) + " of its first frame says it is " +
                        Grouped(chunkBytes) + " bytes long, more than the frame holds");
    const std::uint32_t type = body.U16();
    const ByteReader chunk(body.Bytes(chunkBytes - kChunkHeaderSize), Endian::Little);
    if (type == kPaletteChunk) {
      ReadPalette(chunk, entries, size);
      found = true;
    } else if (type == kOldPaletteChunk || type == kOld64Chunk) {
      ReadOldPalette(chunk, type == kOld64Chunk, old, oldSize);
    }
  }
  if (!found) {
    entries = std::move(old);
    size = oldSize;
  }
  if (size == 0) throw FormatError("its first frame holds no palette chunk");
  ColorList list;
  std::size_t unset = 0;
  entries.resize(std::min(size, kPaletteSize));
  for (const Entry& entry : entries) {
    unset += !entry.set;
    list.Add(entry.color, entry.name, entry.alpha);
  }
  if (size > kPaletteSize) list.data().extra = size - kPaletteSize;
  PaletteData palette = list.Finish();
  if (unset > 0)
    palette.warnings.push_back(Grouped(unset) + (unset == 1 ? " entry" : " entries") +
                               " of its palette of " + Grouped(size) +
                               " set by no chunk, read as black");
  // The transparent index counts only for an indexed sprite.
  if (depth == 8 && header.U8At(28) < palette.count)
    palette.transparent = static_cast<std::uint8_t>(header.U8At(28));
  return palette;
}

}  // namespace varnel
