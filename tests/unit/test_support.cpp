#include "test_support.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

Palette RampsPalette() {
  Palette palette{};
  for (int i = 0; i < static_cast<int>(kPaletteSize); ++i)
    palette[static_cast<std::size_t>(i)] = MakeColor(i, 255 - i, 7 * i + 3);
  return palette;
}

testing::AssertionResult SamePalette(const Palette& actual, const Palette& expected) {
  auto rgb = [](COLORREF c) {
    return '(' + std::to_string(RedOf(c)) + ", " + std::to_string(GreenOf(c)) + ", " +
           std::to_string(BlueOf(c)) + ')';
  };
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    if (actual[i] != expected[i])
      return testing::AssertionFailure()
             << "entry " << i << " is " << rgb(actual[i]) << ", expected " << rgb(expected[i]);
  }
  return testing::AssertionSuccess();
}

}  // namespace varnel::test
