// Draws the two pictures of Varnel.exe and writes them as the files the resource script embeds:
//   background.bmp  513 x 345, 8 bits per pixel, 256-entry colour table, uncompressed:
//                   brushed metal, fine horizontal streaks, bright at the top, dark at the bottom
//   varnel.ico      the application icon, 32 x 32 and 16 x 16, 16 colours each
//
//   draw_resources <output folder>
//
// Integer arithmetic only and a fixed random seed, so every compiler and machine draws the
// same bytes; a test compares a fresh drawing with the committed files.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutU16(Bytes& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFFu));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFFu));
}

void PutU32(Bytes& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFFu);
  PutU16(out, value >> 16);
}

void PutI32(Bytes& out, std::int32_t value) { PutU32(out, static_cast<std::uint32_t>(value)); }

struct Rgb {
  int r, g, b;
};

// 40-byte bitmap information header, as bitmap files and icon images both start.
void PutInfoHeader(Bytes& out, int width, int height, unsigned bitCount, std::uint32_t imageSize,
                   std::uint32_t colours) {
  PutU32(out, 40);
  PutI32(out, width);
  PutI32(out, height);
  PutU16(out, 1);  // planes
  PutU16(out, bitCount);
  PutU32(out, 0);  // uncompressed
  PutU32(out, imageSize);
  PutI32(out, 2835);  // 72 dots per inch, in pixels per metre
  PutI32(out, 2835);
  PutU32(out, colours);
  PutU32(out, 0);
}

void PutColourTable(Bytes& out, const std::vector<Rgb>& table) {
  for (const Rgb& c : table) {
    out.push_back(static_cast<std::uint8_t>(c.b));
    out.push_back(static_cast<std::uint8_t>(c.g));
    out.push_back(static_cast<std::uint8_t>(c.r));
    out.push_back(0);
  }
}

std::size_t RowStride(int width, int bitCount) {
  return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4);
}

// Small deterministic generator (xorshift32).
class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // Uniform in [low, high].
  int Between(int low, int high) {
    return low + static_cast<int>(Next() % static_cast<std::uint32_t>(high - low + 1));
  }

 private:
  std::uint32_t state_;
};

// ---- background -------------------------------------------------------------------------

constexpr int kBackWidth = 513;
constexpr int kBackHeight = 345;

// Entry k is a grey of level 40..240 rising with k; two in five entries lean faintly cool
// or warm, which gives the metal its slight colour.
std::vector<Rgb> MetalColours() {
  std::vector<Rgb> table;
  for (int k = 0; k < 256; ++k) {
    const int g = 40 + (k * 200 + 127) / 255;
    switch (k % 5) {
      case 1: table.push_back({g - 2, g, g + 3}); break;
      case 3: table.push_back({g + 2, g + 1, g - 2}); break;
      default: table.push_back({g, g, g}); break;
    }
  }
  return table;
}

// How much darker than the darker of two colours their bitwise AND is, in the worst channel.
// The program stretches the picture in the default stretch mode, which ANDs the pixels it drops
// into their neighbours when narrowing: 127 next to 128 would become black.
int AndLoss(const Rgb& a, const Rgb& b) {
  const auto loss = [](int p, int q) { return std::min(p, q) - (p & q); };
  return std::max({loss(a.r, b.r), loss(a.g, b.g), loss(a.b, b.b)});
}

// Colour-table index of every pixel, top row first. Values are kept in 1/16 of an index.
std::vector<std::uint8_t> MetalPixels(const std::vector<Rgb>& colours) {
  constexpr int kUnit = 16;
  constexpr int kTop = 224;     // index of the brightest rows
  constexpr int kBottom = 52;   // index of the darkest rows
  constexpr int kBlur = 31;     // horizontal smear of the streak noise, in pixels
  constexpr int kMaxAndLoss = 3;
  Random random(0x5EEDC0DEu);
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kBackWidth * kBackHeight));
  std::vector<int> noise(static_cast<std::size_t>(kBackWidth + kBlur));
  for (int y = 0; y < kBackHeight; ++y) {
    const int base = (kTop * kUnit) - (y * (kTop - kBottom) * kUnit) / (kBackHeight - 1);
    int row = random.Between(-5 * kUnit, 5 * kUnit);
    if (random.Between(0, 11) == 0) row += 9 * kUnit;  // an occasional bright scratch
    for (int& n : noise) n = random.Between(-14 * kUnit, 14 * kUnit);
    int window = 0;
    for (int i = 0; i < kBlur; ++i) window += noise[static_cast<std::size_t>(i)];
    for (int x = 0; x < kBackWidth; ++x) {
      const int streak = window / kBlur * 3;
      const int grain = random.Between(-kUnit, kUnit);
      const int value = (base + row + streak + grain) / kUnit;
      pixels[static_cast<std::size_t>(y * kBackWidth + x)] =
          static_cast<std::uint8_t>(std::clamp(value, 0, 255));
      window += noise[static_cast<std::size_t>(x + kBlur)] - noise[static_cast<std::size_t>(x)];
    }
    // A streak keeps its colour where stepping to the next would leave a dark speck once
    // narrowed; it may step again further along.
    std::uint8_t* line = &pixels[static_cast<std::size_t>(y * kBackWidth)];
    for (int x = 1; x < kBackWidth; ++x) {
      if (AndLoss(colours[line[x - 1]], colours[line[x]]) > kMaxAndLoss) line[x] = line[x - 1];
    }
  }
  return pixels;
}

Bytes BackgroundFile() {
  const std::size_t stride = RowStride(kBackWidth, 8);
  const auto imageSize = static_cast<std::uint32_t>(stride * kBackHeight);
  constexpr std::uint32_t kHeaders = 14 + 40 + 256 * 4;
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  PutU32(out, kHeaders + imageSize);
  PutU32(out, 0);
  PutU32(out, kHeaders);
  PutInfoHeader(out, kBackWidth, kBackHeight, 8, imageSize, 256);
  const std::vector<Rgb> colours = MetalColours();
  PutColourTable(out, colours);
  const std::vector<std::uint8_t> pixels = MetalPixels(colours);
  for (int y = kBackHeight - 1; y >= 0; --y) {  // bottom-up rows
    const auto first = pixels.begin() + y * kBackWidth;
    out.insert(out.end(), first, first + kBackWidth);
    out.resize(out.size() + stride - kBackWidth, 0);
  }
  return out;
}

// ---- icon -------------------------------------------------------------------------------

// The sixteen colours of the standard 4-bit palette.
const std::vector<Rgb> kIconColours = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},   {128, 128, 0},   {0, 0, 128},   {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
enum Colour : std::uint8_t { kBlack = 0, kSilver = 7, kGrey = 8, kWhite = 15 };

// A small colour card: a silver tile with a black outline and a dark shadow, holding a grid
// of coloured squares. Index 0xFF marks a transparent pixel.
struct IconPicture {
  int size;
  std::vector<std::uint8_t> pixels;
};

IconPicture DrawCard(int size, int cells, int cellSize, int firstCell,
                     const std::vector<std::uint8_t>& cellColours) {
  constexpr std::uint8_t kClear = 0xFF;
  IconPicture picture{size, std::vector<std::uint8_t>(static_cast<std::size_t>(size * size), kClear)};
  auto at = [&](int x, int y) -> std::uint8_t& {
    return picture.pixels[static_cast<std::size_t>(y * size + x)];
  };
  const int last = size - 2;  // tile spans 0..last-1, shadow at last
  for (int y = 0; y < last; ++y) {
    for (int x = 0; x < last; ++x) {
      const bool edge = x == 0 || y == 0 || x == last - 1 || y == last - 1;
      const bool light = x == 1 || y == 1;
      at(x, y) = edge ? kBlack : (light ? kWhite : kSilver);
    }
  }
  for (int i = 1; i <= last; ++i) {
    at(last, i) = kGrey;
    at(i, last) = kGrey;
  }
  std::size_t next = 0;
  for (int row = 0; row < cells; ++row) {
    for (int column = 0; column < cells; ++column) {
      const std::uint8_t colour = cellColours[next++ % cellColours.size()];
      for (int dy = 0; dy < cellSize; ++dy) {
        for (int dx = 0; dx < cellSize; ++dx) {
          at(firstCell + column * (cellSize + 1) + dx, firstCell + row * (cellSize + 1) + dy) =
              colour;
        }
      }
    }
  }
  return picture;
}

// One icon image: info header (height doubled for the mask), colour table, 4-bit colour
// rows, then the 1-bit transparency mask, both bottom-up.
Bytes IconImage(const IconPicture& picture) {
  const int size = picture.size;
  const std::size_t colourStride = RowStride(size, 4);
  const std::size_t maskStride = RowStride(size, 1);
  const auto imageSize = static_cast<std::uint32_t>((colourStride + maskStride) * static_cast<std::size_t>(size));
  Bytes out;
  PutInfoHeader(out, size, size * 2, 4, imageSize, 16);
  PutColourTable(out, kIconColours);
  for (int y = size - 1; y >= 0; --y) {
    Bytes row(colourStride, 0);
    for (int x = 0; x < size; ++x) {
      const std::uint8_t index = picture.pixels[static_cast<std::size_t>(y * size + x)];
      const std::uint8_t colour = index == 0xFF ? 0 : index;
      const auto shift = static_cast<unsigned>(x % 2 == 0 ? 4 : 0);
      row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(colour << shift);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  for (int y = size - 1; y >= 0; --y) {
    Bytes row(maskStride, 0);
    for (int x = 0; x < size; ++x) {
      if (picture.pixels[static_cast<std::size_t>(y * size + x)] == 0xFF) {
        row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

Bytes IconFile() {
  const std::vector<Bytes> images = {
      IconImage(DrawCard(32, 4, 5, 4, {9, 11, 10, 14, 12, 13, 1, 3, 2, 6, 4, 5, 15, 8, 0, 10})),
      IconImage(DrawCard(16, 3, 3, 2, {9, 11, 10, 14, 12, 13, 15, 8, 2}))};
  const std::array<int, 2> sizes = {32, 16};
  Bytes out;
  PutU16(out, 0);
  PutU16(out, 1);  // icon
  PutU16(out, static_cast<unsigned>(images.size()));
  auto offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(sizes[i]));
    out.push_back(static_cast<std::uint8_t>(sizes[i]));
    out.push_back(16);  // colours
    out.push_back(0);
    PutU16(out, 1);  // planes
    PutU16(out, 4);  // bits per pixel
    PutU32(out, static_cast<std::uint32_t>(images[i].size()));
    PutU32(out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const Bytes& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "draw_resources: cannot write \"%s\"\n", path.string().c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw_resources <output folder>\n");
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const bool ok = WriteFile(folder / "background.bmp", BackgroundFile()) &&
                  WriteFile(folder / "varnel.ico", IconFile());
  return ok ? 0 : 1;
}
