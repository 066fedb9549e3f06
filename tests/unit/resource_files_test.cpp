// The drawn resource files that go into Varnel.exe: still what the generator draws, and a
// background picture that survives being narrowed in the default stretch mode.
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

TEST(BackgroundPicture, NarrowsWithoutSpecksIntoHorizontalStreaks) {
  const Bytes file = ReadAll(fs::path(VARNEL_RES_DIR) / "background.bmp");
  // 513 x 345 pixels of 8 bits after a 256-colour table, rows padded to 516 bytes.
  ASSERT_EQ(file.size(), 1078u + 516u * 345u);
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

TEST(DrawnResources, CommittedFilesAreWhatTheGeneratorDraws) {
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
