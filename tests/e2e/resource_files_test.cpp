// The drawn resource files that go into Varnel.exe: still what the generator draws, and of the
// kind the program expects (the background picture is stretched in the default stretch mode,
// the icon is shown at both system sizes).
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

const fs::path kResources = VARNEL_RES_DIR;

Bytes ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t U16(const Bytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b.at(at) | (b.at(at + 1) << 8));
}
std::uint32_t U32(const Bytes& b, std::size_t at) { return U16(b, at) | (U16(b, at + 2) << 16); }
std::int32_t I32(const Bytes& b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }

struct Rgb {
  int r, g, b;
};

// An 8-bit bitmap file read the way the system reads it: colour table, then bottom-up rows.
struct IndexedPicture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> colours;
  std::vector<std::uint8_t> index;  // top row first
  Rgb At(int x, int y) const {
    return colours.at(index.at(static_cast<std::size_t>(y * width + x)));
  }
};

IndexedPicture ReadIndexed(const Bytes& file) {
  IndexedPicture p;
  p.width = I32(file, 18);
  p.height = I32(file, 22);
  const std::uint32_t used = U32(file, 46) == 0 ? 256 : U32(file, 46);
  for (std::uint32_t i = 0; i < used; ++i) {
    const std::size_t at = 54 + 4 * i;
    p.colours.push_back({file.at(at + 2), file.at(at + 1), file.at(at)});
  }
  const std::size_t stride = static_cast<std::size_t>((p.width + 3) / 4 * 4);
  const std::size_t bits = U32(file, 10);
  for (int y = 0; y < p.height; ++y) {
    const std::size_t row = bits + static_cast<std::size_t>(p.height - 1 - y) * stride;
    for (int x = 0; x < p.width; ++x) p.index.push_back(file.at(row + static_cast<std::size_t>(x)));
  }
  return p;
}

int Brightness(const Rgb& c) { return (c.r + c.g + c.b) / 3; }

class BackgroundPicture : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = ReadAll(kResources / "background.bmp");
    ASSERT_GT(file_.size(), 54u + 1024u);
    picture_ = ReadIndexed(file_);
  }
  Bytes file_;
  IndexedPicture picture_;
};

TEST_F(BackgroundPicture, IsAnUncompressedEightBitBitmapWithAFullColourTable) {
  struct Row {
    const char* field;
    std::size_t offset;
    std::uint32_t expected;
  };
  const Row rows[] = {
      {"signature BM", 0, 0x4D42},
      {"width", 18, 513},
      {"height (positive: rows bottom-up)", 22, 345},
      {"planes", 26, 1},
      {"bits per pixel", 28, 8},
      {"compression (none)", 30, 0},
      {"pixels start after 14 + 40 + 256 * 4 bytes", 10, 1078},
  };
  for (const Row& row : rows) {
    const std::uint32_t value = row.offset == 0 || row.offset >= 26 ? U16(file_, row.offset)
                                                                    : U32(file_, row.offset);
    EXPECT_EQ(value, row.expected) << row.field;
  }
  EXPECT_TRUE(U32(file_, 46) == 0 || U32(file_, 46) == 256) << "colour table of 256 entries";
  EXPECT_EQ(U32(file_, 2), file_.size()) << "size in the header";
  EXPECT_EQ(file_.size(), 1078u + 516u * 345u) << "rows padded to 4 bytes";
}

TEST_F(BackgroundPicture, HoldsGreysAndFaintlyTintedNearGreys) {
  int tinted = 0;
  for (const Rgb& c : picture_.colours) {
    const int spread = std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b});
    EXPECT_LE(spread, 6) << "not a near-grey: " << c.r << "," << c.g << "," << c.b;
    tinted += spread > 0 ? 1 : 0;
  }
  EXPECT_GT(tinted, 0) << "no tinted entries at all";
}

TEST_F(BackgroundPicture, IsBrightestAtTheTopAndDarkestAtTheBottom) {
  // Mean brightness of five horizontal bands, top to bottom: each darker than the one above.
  constexpr int kBands = 5;
  double previous = 256;
  for (int band = 0; band < kBands; ++band) {
    long sum = 0;
    long count = 0;
    for (int y = band * picture_.height / kBands; y < (band + 1) * picture_.height / kBands; ++y) {
      for (int x = 0; x < picture_.width; ++x, ++count) sum += Brightness(picture_.At(x, y));
    }
    const double mean = static_cast<double>(sum) / static_cast<double>(count);
    EXPECT_LT(mean, previous - 10) << "band " << band;
    previous = mean;
  }
}

TEST_F(BackgroundPicture, StreaksRunHorizontally) {
  // Brushed metal: neighbours along a row differ much less than neighbours down a column.
  long across = 0;
  long down = 0;
  for (int y = 0; y + 1 < picture_.height; ++y) {
    for (int x = 0; x + 1 < picture_.width; ++x) {
      across += std::abs(Brightness(picture_.At(x + 1, y)) - Brightness(picture_.At(x, y)));
      down += std::abs(Brightness(picture_.At(x, y + 1)) - Brightness(picture_.At(x, y)));
    }
  }
  EXPECT_GT(down, 3 * across) << "across " << across << ", down " << down;
  EXPECT_GT(across, 0) << "rows are flat";
}

TEST_F(BackgroundPicture, NarrowsWithoutDarkSpecks) {
  // The default stretch mode ANDs the pixels it drops into their neighbours when it narrows
  // the picture (513 to 279 pixels). Next to each other, 127 and 128 would give black.
  int worst = 0;
  for (int y = 0; y < picture_.height; ++y) {
    for (int x = 0; x + 1 < picture_.width; ++x) {
      const Rgb a = picture_.At(x, y);
      const Rgb b = picture_.At(x + 1, y);
      for (auto [p, q] : {std::pair{a.r, b.r}, {a.g, b.g}, {a.b, b.b}}) {
        worst = std::max(worst, std::min(p, q) - (p & q));
      }
    }
  }
  EXPECT_LE(worst, 3);
}

TEST(ApplicationIcon, HoldsSixteenColourImagesAtBothSystemSizes) {
  const Bytes file = ReadAll(kResources / "varnel.ico");
  ASSERT_GE(file.size(), 6u);
  EXPECT_EQ(U16(file, 0), 0u);
  EXPECT_EQ(U16(file, 2), 1u) << "type: icon";
  ASSERT_EQ(U16(file, 4), 2u) << "two images";
  std::vector<int> sizes;
  for (std::size_t i = 0; i < 2; ++i) {
    const std::size_t entry = 6 + 16 * i;
    const int size = file.at(entry);
    SCOPED_TRACE("image " + std::to_string(size));
    sizes.push_back(size);
    EXPECT_EQ(file.at(entry + 1), size) << "square";
    EXPECT_EQ(file.at(entry + 2), 16) << "colour count";
    EXPECT_EQ(U16(file, entry + 6), 4u) << "bits per pixel";
    const std::uint32_t length = U32(file, entry + 8);
    const std::uint32_t offset = U32(file, entry + 12);
    ASSERT_LE(static_cast<std::size_t>(offset) + length, file.size()) << "image past the end";
    // The image itself: header with the mask's rows counted in its height, 16 colours, then
    // 4-bit colour rows and 1-bit mask rows, each padded to 4 bytes.
    EXPECT_EQ(I32(file, offset + 4), size);
    EXPECT_EQ(I32(file, offset + 8), 2 * size);
    EXPECT_EQ(U16(file, offset + 14), 4u);
    const std::size_t colourRows = static_cast<std::size_t>((size * 4 + 31) / 32 * 4 * size);
    const std::size_t maskRows = static_cast<std::size_t>((size + 31) / 32 * 4 * size);
    EXPECT_EQ(length, 40 + 16 * 4 + colourRows + maskRows);
    // Some pixels are see-through (the card's shadow corner), most are not.
    const std::size_t mask = offset + 40 + 64 + colourRows;
    int clear = 0;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const std::size_t row = mask + static_cast<std::size_t>(y) * (maskRows / static_cast<std::size_t>(size));
        clear += (file.at(row + static_cast<std::size_t>(x / 8)) >> (7 - x % 8)) & 1;
      }
    }
    EXPECT_GT(clear, 0);
    EXPECT_LT(clear, size * size / 4);
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
    EXPECT_TRUE(ReadAll(folder / name) == ReadAll(kResources / name))
        << "res/" << name << " differs from a fresh drawing; run: varnel_draw_resources res";
  }
  fs::remove_all(folder);
}

}  // namespace
