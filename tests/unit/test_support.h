// Helpers shared by the core tests: scratch folders, whole-file bytes, palettes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "files.h"
#include "varnel/palette.h"

namespace varnel::test {

// Names in `folder`, sorted, hidden files included.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);
// A file of the checked-in test data.
std::filesystem::path DataFile(std::string_view name);

// Entry i is (0, i, 0): the start-up green ramp.
Palette GreenRamp();

// Entry i is (i, 255 - i, 7i + 3 cut to 8 bits): red, green and blue differ in every entry.
// tests/data/ramps.pal and ramps.act hold it.
Palette RampsPalette();

// Equal tables, or the first entry that differs shown as (r, g, b).
testing::AssertionResult SamePalette(const Palette& actual, const Palette& expected);

}  // namespace varnel::test
