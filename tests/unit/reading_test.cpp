// The fuzz target's checks on stored and damaged inputs, and a line of hundreds of MiB.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "properties.h"
#include "support.h"
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

using namespace std::string_literals;

// Signs, blanks of every kind, a NUL, a lone CR, short lines, text after numbers; then entries.
const std::string kMixed =
    "JASC-PAL\r\n0100\r\n256\r\n1-2-3\r\n  12\t34 56\n\n+7 -8 x\r\n300 4\n"s +
    "1 2\0 3\n\v5\f6\r7 8\r\n- 1\n"s + ReadBytes(TestFile("data/ramps.pal")).substr(21, 300);

// Every stored fuzz input, and every truncation, byte deleted or overwritten and line deleted
// of the mixed text; and every cut of it in two.
TEST(Reading, KeepsEveryPropertyOnEveryStoredAndDamagedInput) {
  std::vector<std::string> inputs;
  for (const char* folder : {"fuzz/corpus", "fuzz/regressions"}) {
    for (const auto& entry : fs::directory_iterator(TestFile(folder))) {
      if (entry.path().extension() == ".md") continue;
      inputs.push_back(ReadBytes(entry));
      // Its name begins with the check it was stored for, which its first line still names.
      const std::string name = entry.path().filename().string();
      EXPECT_EQ(fuzz::CheckSelected(inputs.back()),
                name.substr(0, name.find('-')))
          << name;
    }
  }
  ASSERT_GE(inputs.size(), 30u) << "the seed corpus is missing: the replay would pass on nothing";
  const Palette whole = DecodeJascPal(kMixed);
  const std::string jasc = fuzz::SelectorOf(PaletteFormat::JascPal);
  for (std::size_t at = 0; at < kMixed.size(); ++at) {
    const std::string before = kMixed.substr(0, at), after = kMixed.substr(at + 1);
    for (char c : "\n\r\0 -+x9"s) inputs.push_back(jasc + before + c + after);
    inputs.insert(inputs.end(), {jasc + before, jasc + before + after});
    if ((at == 0 || kMixed[at - 1] == '\n') && kMixed.find('\n', at) != std::string::npos)
      inputs.push_back(jasc + before + kMixed.substr(kMixed.find('\n', at) + 1));
    JascPalDecoder decoder;
    decoder.Feed(before);
    decoder.Feed(std::string_view(kMixed).substr(at));
    ASSERT_TRUE(decoder.Finish() == whole) << "cut at " << at;
  }
  for (const std::string& input : inputs)
    ASSERT_EQ(fuzz::CheckInput(input), "") << testing::PrintToString(input);
}

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
