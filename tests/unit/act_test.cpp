#include "varnel/act.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace varnel {
namespace {

using test::SamePalette;

TEST(ActWriter, WritesTheReferenceFiles) {
  const struct {
    Palette palette;
    const char* file;
    const char* why;
  } cases[] = {
      {GreenRamp(), "green-ramp.act", "the start-up table: 00 00 00, 00 01 00, ... 00 FF 00"},
      {test::RampsPalette(), "ramps.act", "red, green, blue differ everywhere: order shows"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const std::string golden = test::ReadBytes(test::DataFile(c.file));
    EXPECT_EQ(EncodeAct(c.palette), golden);
    EXPECT_TRUE(SamePalette(DecodeAct(golden), c.palette));
  }
}

TEST(ActCodec, RoundTripsRandomTables) {
  for (std::uint32_t seed = 0; seed < 20; ++seed) {
    const Palette palette = test::RandomPalette(seed);
    const std::string bytes = EncodeAct(palette);
    ASSERT_EQ(bytes.size(), kActSize);
    ASSERT_TRUE(SamePalette(DecodeAct(bytes), palette)) << "seed " << seed;
  }
}

TEST(ActReader, ReadsEveryTruncationWithUnreachedBytesAsZero) {
  const std::string full = test::ReadBytes(test::DataFile("ramps.act"));
  for (std::size_t length = 0; length <= kActSize; ++length) {
    const Palette read = DecodeAct(std::string_view(full).substr(0, length));
    for (std::size_t i = 0; i < kPaletteSize; ++i) {
      auto byte = [&](std::size_t at) {
        return at < length ? static_cast<unsigned char>(full[at]) : 0;
      };
      ASSERT_EQ(read[i], MakeColor(byte(3 * i), byte(3 * i + 1), byte(3 * i + 2)))
          << "length " << length << ", entry " << i;
    }
  }
}

TEST(ActReader, IgnoresEverythingAfter768Bytes) {
  const std::string table = test::ReadBytes(test::DataFile("ramps.act"));
  const struct {
    std::string tail;
    const char* why;
  } cases[] = {
      {std::string("\x01\x00\xFF\xFF", 4), "a colour count and transparent index (772 bytes)"},
      {std::string(1, '\xFF'), "a single stray byte"},
      {std::string(768, '\x7F'), "a second table"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    EXPECT_TRUE(SamePalette(DecodeAct(table + c.tail), test::RampsPalette()));
  }
}

}  // namespace
}  // namespace varnel
