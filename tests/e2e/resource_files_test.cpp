// The drawn resource files that go into Varnel.exe: still what the generator draws, and of
// the kind the program needs (the background picture is narrowed in the default stretch
// mode; the icon is shown at both system sizes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U16(const Bytes& b, std::size_t at) { return static_cast<std::uint32_t>(b.at(at) | b.at(at + 1) << 8); }
std::uint32_t U32(const Bytes& b, std::size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

TEST(BackgroundPicture, IsAnEightBitPictureThatNarrowsWithoutSpecksIntoHorizontalStreaks) {
  const Bytes file = ReadAll(fs::path(VARNEL_RES_DIR) / "background.bmp");
  ASSERT_GT(file.size(), 1078u);
  EXPECT_EQ(U32(file, 18), 513u) << "width";
  EXPECT_EQ(U32(file, 22), 345u) << "height, rows bottom-up";
  EXPECT_EQ(U16(file, 28), 8u) << "bits per pixel";
  EXPECT_EQ(U32(file, 30), 0u) << "no compression";
  ASSERT_EQ(file.size(), 1078u + 516u * 345u) << "256 colours, then rows padded to 4 bytes";
  // Colour of pixel (x, y) of the 8-bit rows; the order of the rows does not matter here.
  auto at = [&](int x, int y, int channel) -> int {
    const std::size_t index = file[static_cast<std::size_t>(1078 + 516 * y + x)];
    return file[54 + 4 * index + static_cast<std::size_t>(channel)];
  };

  // The default stretch mode ANDs the pixels it drops into their neighbours when it narrows
  // the picture (513 to 279 pixels): next to each other, 127 and 128 would give black.
  int worst = 0;
  long across = 0, down = 0;
  for (int y = 0; y + 1 < 345; ++y) {
    for (int x = 0; x + 1 < 513; ++x) {
      for (int c = 0; c < 3; ++c) {
        worst = std::max(worst, std::min(at(x, y, c), at(x + 1, y, c)) - (at(x, y, c) & at(x + 1, y, c)));
        across += std::abs(at(x + 1, y, c) - at(x, y, c));
        down += std::abs(at(x, y + 1, c) - at(x, y, c));
      }
    }
  }
  EXPECT_LE(worst, 3);
  // Brushed metal: neighbours along a row differ much less than neighbours down a column.
  EXPECT_GT(down, 3 * across) << "across " << across << ", down " << down;
  EXPECT_GT(across, 0) << "rows are flat";
}

TEST(ApplicationIcon, HoldsSixteenColourImagesAtBothSystemSizes) {
  const Bytes file = ReadAll(fs::path(VARNEL_RES_DIR) / "varnel.ico");
  ASSERT_GE(file.size(), 38u);
  EXPECT_EQ(U16(file, 2), 1u) << "type: icon";
  ASSERT_EQ(U16(file, 4), 2u) << "two images";
  std::vector<int> sizes;
  for (std::size_t entry = 6; entry < 38; entry += 16) {
    const int size = file[entry];
    sizes.push_back(size);
    EXPECT_EQ(file[entry + 1], size) << "square";
    EXPECT_EQ(file[entry + 2], 16) << "colours";
    EXPECT_EQ(U16(file, entry + 6), 4u) << "bits per pixel";
  }
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (std::vector<int>{16, 32}));
}

TEST(DrawnResources, CommittedFilesAreWhatTheGeneratorDraws) {
  // A change to the drawing code must come with the files it draws, and the other way round.
  const fs::path folder = fs::path(testing::TempDir()) / "varnel-drawn-resources";
  fs::create_directories(folder);
  const std::string command = std::string("\"") + VARNEL_DRAW_RESOURCES + "\" \"" + folder.string() + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (const char* name : {"background.bmp", "varnel.ico"}) {
    EXPECT_TRUE(ReadAll(folder / name) == ReadAll(fs::path(VARNEL_RES_DIR) / name))
        << "res/" << name << " differs from a fresh drawing; run: varnel_draw_resources res";
  }
  fs::remove_all(folder);
}

}  // namespace
