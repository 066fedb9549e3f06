#include "varnel/palette.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(PaletteTable, ComposeCutsEachComponentToEightBits) {
  struct Case {
    int red, green, blue;
    COLORREF expected;
    const char* why;
  };
  const Case cases[] = {
      {0x12, 0x34, 0x56, 0x00563412, "red is the low byte, blue the third"},
      {300, -1, 256, 0x0000FF2C, "cut, not clamped: 300 -> 44, -1 -> 255, 256 -> 0"},
      {-256, 511, -129, 0x007FFF00, "negative values wrap in two's complement"},
      {0x7FFFFFFF, static_cast<int>(0x80000000u), 0x1FF, 0x00FF00FF,
       "high bits never leak into the neighbouring component or the top byte"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const COLORREF colour = MakeColor(c.red, c.green, c.blue);
    EXPECT_EQ(colour, c.expected);
    EXPECT_EQ(RedOf(colour), c.expected & 0xFF);
    EXPECT_EQ(GreenOf(colour), c.expected >> 8 & 0xFF);
    EXPECT_EQ(BlueOf(colour), c.expected >> 16 & 0xFF);
  }
}

}  // namespace
}  // namespace varnel
