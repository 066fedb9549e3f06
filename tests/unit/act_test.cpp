#include "varnel/act.h"

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace varnel {
namespace {

// Entry i is bytes 3i, 3i + 1 and 3i + 2 of the first 768; a byte a short input does not
// reach is zero, and bytes after the 768th (a colour count, a second table) play no role.
TEST(ActReader, ReadsEveryLengthFromTheFirst768Bytes) {
  const std::string bytes = test::ReadBytes(test::DataFile("ramps.act")) +
                            std::string("\x01\x00\xFF\xFF", 4) + std::string(300, '\x7F');
  for (std::size_t length = 0; length <= bytes.size(); ++length) {
    auto byte = [&](std::size_t at) {
      return at < length ? static_cast<unsigned char>(bytes[at]) : 0;
    };
    Palette expected{};
    for (std::size_t i = 0; i < kPaletteSize; ++i)
      expected[i] = MakeColor(byte(3 * i), byte(3 * i + 1), byte(3 * i + 2));
    ASSERT_TRUE(test::SamePalette(DecodeAct(std::string_view(bytes).substr(0, length)), expected))
        << "length " << length;
  }
}

}  // namespace
}  // namespace varnel
