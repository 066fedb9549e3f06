// The fuzz target's checks on stored and damaged inputs.
#include <gtest/gtest.h>

#include "properties.h"
#include "support.h"
#include "varnel/jasc_pal.h"

namespace varnel::test {
namespace {

using namespace std::string_literals;

// Signs, blanks of every kind, a NUL, a lone CR, short lines, text after numbers; then entries.
const std::string kMixed =
    "JASC-PAL\r\n0100\r\n256\r\n1-2-3\r\n  12\t34 56\n\n+7 -8 x\r\n300 4\n"s +
    "1 2\0 3\n\v5\f6\r7 8\r\n- 1\n"s + ReadBytes(TestFile("data/ramps.pal")).substr(21, 300);

// Every stored fuzz input, and every truncation, byte deleted or overwritten and line deleted
// of the mixed text; and every cut of it in two. Taken in eight shards, every eighth input
// each, which ctest runs side by side.
class Reading : public testing::TestWithParam<std::size_t> {};
constexpr std::size_t kShards = 8;

TEST_P(Reading, KeepsEveryPropertyOnEveryStoredAndDamagedInput) {
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
    if (at % kShards != GetParam()) continue;
    JascPalDecoder decoder;
    decoder.Feed(before);
    decoder.Feed(std::string_view(kMixed).substr(at));
    ASSERT_TRUE(decoder.Finish() == whole) << "cut at " << at;
  }
  for (std::size_t i = GetParam(); i < inputs.size(); i += kShards)
    ASSERT_EQ(fuzz::CheckInput(inputs[i]), "") << testing::PrintToString(inputs[i]);
}
INSTANTIATE_TEST_SUITE_P(Shards, Reading, testing::Range(std::size_t{0}, kShards));

}  // namespace
}  // namespace varnel::test
