// Helpers shared by the core tests: scratch folders, whole-file bytes, palettes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "varnel/palette.h"

namespace varnel::test {

// A fresh, empty folder under the system's temporary folder, removed with its contents.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const noexcept { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

std::string ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
// Names in `folder`, sorted; "." and ".." excluded, hidden files included.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);
// A file of the checked-in test data.
std::filesystem::path DataFile(std::string_view name);

// 256 colours from a fixed seed, every component over its whole 0..255 range.
Palette RandomPalette(std::uint32_t seed);

// Entry i is (i, 255 - i, 7i + 3 cut to 8 bits): red, green and blue differ in every entry.
// tests/data/ramps.pal and ramps.act hold it.
Palette RampsPalette();

// What the forgiving JASC-PAL reading gives, computed the plain way: split lines at LF,
// skip three, run the C library's sscanf "%d %d %d" on each of the next 256 (a missing
// line is empty) with red, green and blue carried over. Only for texts whose numbers fit
// in an int; sscanf has no defined result beyond that.
Palette ScanfReference(std::string_view text);

// Equal tables, or the first entry that differs shown as (r, g, b).
testing::AssertionResult SamePalette(const Palette& actual, const Palette& expected);

}  // namespace varnel::test
