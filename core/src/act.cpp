#include "varnel/act.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <immintrin.h>
#define VARNEL_ACT_SSSE3 1
#endif

namespace varnel {
namespace {

// Entry i of a table: bytes 3i, 3i+1, 3i+2.
COLORREF EntryAt(const unsigned char* table, std::size_t i) noexcept {
  const unsigned char* b = table + 3 * i;
  return MakeColor(b[0], b[1], b[2]);
}

// Entries first to kPaletteSize - 1 of a whole 768-byte table, one at a time.
void DecodeEntries(const unsigned char* table, std::size_t first, Palette& palette) noexcept {
  for (std::size_t i = first; i < kPaletteSize; ++i) palette[i] = EntryAt(table, i);
}

// The table in one pass, four bytes at a time: an entry and the next entry's red, which
// the mask drops. The last entry has no fourth byte to read.
void DecodeTablePlain(const unsigned char* table, Palette& palette) noexcept {
  if constexpr (std::endian::native == std::endian::little) {
    for (std::size_t i = 0; i + 1 < kPaletteSize; ++i) {
      std::uint32_t word;
      std::memcpy(&word, table + 3 * i, sizeof word);
      palette[i] = word & 0x00FFFFFFu;
    }
    DecodeEntries(table, kPaletteSize - 1, palette);
  } else {
    DecodeEntries(table, 0, palette);
  }
}

#ifdef VARNEL_ACT_SSSE3
// Four entries from each twelve bytes with one byte shuffle, on processors that have it.
// The last four entries come from the table's last sixteen bytes, so no load reaches
// past the 768th byte.
__attribute__((target("ssse3"))) void DecodeTableShuffled(const unsigned char* table,
                                                          Palette& palette) noexcept {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  for (std::size_t i = 0; i + 4 < kPaletteSize; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + 3 * i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(palette.data() + i), _mm_shuffle_epi8(v, spread));
  }
  const __m128i last = _mm_setr_epi8(4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + kActSize - 16));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(palette.data() + kPaletteSize - 4),
                   _mm_shuffle_epi8(v, last));
}

void DecodeTable(const unsigned char* table, Palette& palette) noexcept {
  static const bool shuffle = __builtin_cpu_supports("ssse3");
  shuffle ? DecodeTableShuffled(table, palette) : DecodeTablePlain(table, palette);
}
#else
void DecodeTable(const unsigned char* table, Palette& palette) noexcept {
  DecodeTablePlain(table, palette);
}
#endif

}  // namespace

Palette DecodeAct(std::string_view bytes) noexcept {
  Palette palette;
  if (bytes.size() >= kActSize) {
    DecodeTable(reinterpret_cast<const unsigned char*>(bytes.data()), palette);
  } else {
    // A short table: the bytes it does not reach count as zero.
    std::array<unsigned char, kActSize> table{};
    std::memcpy(table.data(), bytes.data(), bytes.size());
    DecodeTable(table.data(), palette);
  }
  return palette;
}

std::string EncodeAct(const Palette& palette) {
  std::string out(kActSize, '\0');
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    out[3 * i] = static_cast<char>(RedOf(palette[i]));
    out[3 * i + 1] = static_cast<char>(GreenOf(palette[i]));
    out[3 * i + 2] = static_cast<char>(BlueOf(palette[i]));
  }
  return out;
}

}  // namespace varnel
