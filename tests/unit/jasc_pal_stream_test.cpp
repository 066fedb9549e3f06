// A 1 GiB line through JascPalDecoder, made on the fly: no disk, no big buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "test_support.h"
#include "varnel/jasc_pal.h"

namespace {
std::atomic<std::size_t> g_allocations{0};
}  // namespace

// Counts every allocation in this test program, so a test can see whether code allocates.
void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// GCC cannot see that these frees pair with the malloc above.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace varnel {
namespace {

constexpr std::size_t kMiB = std::size_t{1} << 20;

// A stretch of `size` bytes repeating `pattern`.
struct Stretch {
  std::string pattern;
  std::size_t size;
};

// Produces the stretches one after another into a fixed buffer.
class Generator {
 public:
  explicit Generator(std::vector<Stretch> stretches) : stretches_(std::move(stretches)) {
    // Each pattern repeated to one buffer's length and one more copy, so that a piece
    // starting anywhere in the pattern is a single copy.
    for (Stretch& s : stretches_) {
      const std::string pattern = s.pattern;
      while (s.pattern.size() < buffer_.size() + pattern.size()) s.pattern += pattern;
      periods_.push_back(pattern.size());
    }
  }

  // The next piece, empty at the end.
  std::string_view Next() {
    std::size_t filled = 0;
    while (filled < buffer_.size() && index_ < stretches_.size()) {
      const Stretch& s = stretches_[index_];
      const std::size_t n = std::min(buffer_.size() - filled, s.size - offset_);
      std::copy_n(s.pattern.begin() + static_cast<std::ptrdiff_t>(offset_ % periods_[index_]), n,
                  buffer_.begin() + static_cast<std::ptrdiff_t>(filled));
      filled += n;
      offset_ += n;
      if (offset_ == s.size) {
        ++index_;
        offset_ = 0;
      }
    }
    total_ += filled;
    return {buffer_.data(), filled};
  }
  std::size_t total() const noexcept { return total_; }

 private:
  std::vector<Stretch> stretches_;
  std::vector<std::size_t> periods_;
  std::size_t index_ = 0;
  std::size_t offset_ = 0;
  std::size_t total_ = 0;
  std::array<char, 64 * 1024> buffer_{};
};

TEST(JascPalDecoder, ReadsAOneGibibyteLineInConstantMemory) {
  const std::string header = "JASC-PAL\r\n0100\r\n256\r\n";
  const std::size_t line = 1024 * kMiB;
  std::vector<Stretch> runs = {
      {header, header.size()},
      {" ", 128 * kMiB},  // white space before the first number
      {"9", 320 * kMiB},  // 10^n - 1: 255 modulo 256
      {" -", 2},
      {"9", 192 * kMiB},  // minus (10^n - 1): 1 modulo 256
      {"\t", 1},
      {"0", 128 * kMiB},   // leading zeros, then 300: 44
      {"300 4 5 6 ", 10},  // a fourth number and more: ignored
  };
  std::size_t used = 0;
  for (std::size_t i = 1; i < runs.size(); ++i) used += runs[i].size;
  runs.push_back({"junk ", line - used});
  runs.push_back({"\r\n7 8 9\r\n", 9});
  const std::size_t expected_total = header.size() + line + 9;

  JascPalDecoder decoder;
  Generator input(std::move(runs));
  const std::size_t allocations_before = g_allocations.load();
  for (std::string_view piece = input.Next(); !piece.empty(); piece = input.Next())
    decoder.Feed(piece);
  const Palette palette = decoder.Finish();
  EXPECT_EQ(g_allocations.load(), allocations_before) << "the decoder allocated";

  ASSERT_EQ(input.total(), expected_total);
  Palette expected;
  expected.fill(MakeColor(7, 8, 9));
  expected[0] = MakeColor(255, 1, 44);
  EXPECT_TRUE(test::SamePalette(palette, expected));
}

TEST(JascPalDecoder, SkipsAOneGibibyteHeaderLine) {
  const std::string tail = "\n0100\n256\n1 2 3\n";
  Generator input({{"JASC-PAL 1 2 3 ", 1024 * kMiB}, {tail, tail.size()}});
  JascPalDecoder decoder;
  const std::size_t allocations_before = g_allocations.load();
  for (std::string_view piece = input.Next(); !piece.empty(); piece = input.Next())
    decoder.Feed(piece);
  const Palette palette = decoder.Finish();
  EXPECT_EQ(g_allocations.load(), allocations_before) << "the decoder allocated";

  ASSERT_EQ(input.total(), 1024 * kMiB + tail.size());
  Palette expected;
  expected.fill(MakeColor(1, 2, 3));
  EXPECT_TRUE(test::SamePalette(palette, expected));
}

}  // namespace
}  // namespace varnel
