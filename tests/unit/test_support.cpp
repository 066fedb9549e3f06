#include "test_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace varnel::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "varnel-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::filesystem::path DataFile(std::string_view name) {
  return std::filesystem::path(VARNEL_TEST_DATA) / name;
}

Palette RandomPalette(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> component(0, 255);
  Palette palette{};
  for (auto& colour : palette) {
    const int red = component(random);
    const int green = component(random);
    colour = MakeColor(red, green, component(random));
  }
  return palette;
}

Palette RampsPalette() {
  Palette palette{};
  for (int i = 0; i < static_cast<int>(kPaletteSize); ++i)
    palette[static_cast<std::size_t>(i)] = MakeColor(i, 255 - i, 7 * i + 3);
  return palette;
}

Palette ScanfReference(std::string_view text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
    } else {
      line.push_back(c);
    }
  }
  if (!line.empty()) lines.push_back(std::move(line));

  Palette palette{};
  int red = 0, green = 0, blue = 0;
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    const std::size_t at = i + 3;
    const std::string entry = at < lines.size() ? lines[at] : std::string();
    // c_str() ends the scan at the first NUL, as the line's C string would.
    std::sscanf(entry.c_str(), "%d %d %d", &red, &green, &blue);
    palette[i] = MakeColor(red, green, blue);
  }
  return palette;
}

testing::AssertionResult SamePalette(const Palette& actual, const Palette& expected) {
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    if (actual[i] == expected[i]) continue;
    auto rgb = [](COLORREF c) {
      std::ostringstream out;
      out << '(' << int{RedOf(c)} << ", " << int{GreenOf(c)} << ", " << int{BlueOf(c)} << ')';
      return out.str();
    };
    return testing::AssertionFailure()
           << "entry " << i << " is " << rgb(actual[i]) << ", expected " << rgb(expected[i]);
  }
  return testing::AssertionSuccess();
}

}  // namespace varnel::test
