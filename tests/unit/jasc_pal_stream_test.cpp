// Lines of hundreds of MiB through JascPalDecoder, made on the fly from a few small blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

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

// Feeds `count` bytes repeating the one character of `block`, one block at a time.
void FeedRun(JascPalDecoder& decoder, std::string_view block, std::size_t count) {
  for (std::size_t n; count > 0; count -= n) {
    n = std::min(count, block.size());
    decoder.Feed(block.substr(0, n));
  }
}

TEST(JascPalDecoder, ReadsHugeLinesInConstantMemory) {
  const std::string blank(64 * 1024, ' '), nine(64 * 1024, '9'), zero(64 * 1024, '0'),
      junk(64 * 1024, 'x');
  JascPalDecoder decoder;
  const std::size_t allocations_before = g_allocations.load();
  decoder.Feed("JASC-PAL 1 2 3 ");
  FeedRun(decoder, junk, 256 * kMiB);  // a header line is skipped however long
  decoder.Feed("\r\n0100\r\n256\r\n");
  FeedRun(decoder, blank, 128 * kMiB);
  FeedRun(decoder, nine, 320 * kMiB);  // 10^n - 1: 255 modulo 256
  decoder.Feed(" -");
  FeedRun(decoder, nine, 192 * kMiB);  // -(10^n - 1): 1 modulo 256
  decoder.Feed("\t");
  FeedRun(decoder, zero, 128 * kMiB);
  decoder.Feed("300 4 5 6 ");  // leading zeros, then 44; a fourth number is ignored
  FeedRun(decoder, junk, 256 * kMiB);  // the entry line is 1 GiB long in all
  decoder.Feed("\r\n7 8 9\r\n");
  const Palette palette = decoder.Finish();
  EXPECT_EQ(g_allocations.load(), allocations_before) << "the decoder allocated";

  Palette expected;
  expected.fill(MakeColor(7, 8, 9));
  expected[0] = MakeColor(255, 1, 44);
  EXPECT_TRUE(test::SamePalette(palette, expected));
}

}  // namespace
}  // namespace varnel
