// A JASC-PAL line of hundreds of MiB, read without allocating: every allocation of this program
// is counted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "properties.h"
#include "varnel/jasc_pal.h"

static std::size_t allocationsSoFar = 0;  // the tests run on one thread

// Counts every allocation in this program, so that a test can see whether code allocates.
void* operator new(std::size_t size) {
  ++allocationsSoFar;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
// std::stable_sort's buffer comes from the nothrow form: it must be ours too, or it would be
// freed by the delete above after the library's own new.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  ++allocationsSoFar;
  return std::malloc(size == 0 ? 1 : size);
}
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace varnel::test {
namespace {

TEST(JascPalDecoder, ReadsLinesOfHundredsOfMebibytesWithoutAllocating) {
  const std::string blank(1 << 20, ' '), nine(1 << 20, '9'), junk(1 << 20, 'x');
  JascPalDecoder decoder;
  const std::size_t allocations = allocationsSoFar;
  for (int i = 0; i < 128; ++i) decoder.Feed(junk);  // a header line is skipped however long
  decoder.Feed("\r\n0100\r\n256\r\n");
  for (int i = 0; i < 64; ++i) decoder.Feed(blank);
  for (int i = 0; i < 192; ++i) decoder.Feed(nine);  // 10^n - 1: 255 modulo 256
  decoder.Feed(" -");
  for (int i = 0; i < 128; ++i) decoder.Feed(nine);  // -(10^n - 1): 1 modulo 256
  decoder.Feed("\t000300 4 5 6 ");  // leading zeros, then 44; a fourth number is ignored
  for (int i = 0; i < 128; ++i) decoder.Feed(junk);
  decoder.Feed("\r\n7 8 9\r\n");
  EXPECT_EQ(allocationsSoFar, allocations) << "the decoder allocated";
  EXPECT_TRUE(decoder.Finish() == fuzz::ModelJascPal("\n\n\n255 1 44\n7 8 9\n"));
}

}  // namespace
}  // namespace varnel::test
