#include "test_support.h"

#include <algorithm>

namespace varnel::test {

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

Palette GreenRamp() {
  Palette palette{};
  for (int i = 0; i < static_cast<int>(kPaletteSize); ++i)
    palette[static_cast<std::size_t>(i)] = MakeColor(0, i, 0);
  return palette;
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
