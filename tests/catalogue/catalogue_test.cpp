// Every input of the hostile-input catalogue read through ReadPaletteFile, the format
// chosen by the extension as both programs do.
#include "catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "support.h"
#include "varnel/file_error.h"

namespace varnel::hostile {
namespace {

std::string ColorText(COLORREF c) {
  return "(" + std::to_string(RedOf(c)) + ", " + std::to_string(GreenOf(c)) + ", " +
         std::to_string(BlueOf(c)) + ")";
}

testing::AssertionResult SameTable(const Palette& actual, const Palette& expected) {
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    if (actual[i] != expected[i]) {
      return testing::AssertionFailure() << "entry " << i << " is " << ColorText(actual[i])
                                         << ", expected " << ColorText(expected[i]);
    }
  }
  return testing::AssertionSuccess();
}

class HostileInput : public testing::TestWithParam<Input> {};

TEST_P(HostileInput, ReadsAsItMust) {
  const Input& input = GetParam();
  SCOPED_TRACE(input.why);
  const ReadResult result = ReadAsThePrograms(input);
  if (input.outcome.table) {
    ASSERT_TRUE(result.table) << "reading failed: " << result.error_path << ": " << result.reason;
    EXPECT_TRUE(SameTable(*result.table, input.outcome.table(input.path)));
  } else {
    EXPECT_FALSE(result.table) << "read a table where it must fail";
    EXPECT_EQ(result.error_path, PathText(input.path));
    EXPECT_EQ(result.reason, input.outcome.reason);
  }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, HostileInput, testing::ValuesIn(Catalogue()),
                         [](const testing::TestParamInfo<Input>& row) { return row.param.label; });

// The catalogue stays whole: a file added without a row in the table, or without its line
// in the README, would be a case nobody checks or nobody can look up.
TEST(HostileInputCatalogue, EveryFileHasARowAndAReadmeLine) {
  std::set<fs::path> rows;
  for (const Input& input : Catalogue()) rows.insert(input.path);
  const std::string readme = ReadBytes(CatalogueFiles().parent_path() / "README.md");
  std::size_t files = 0;
  for (const auto& entry : fs::directory_iterator(CatalogueFiles())) {
    ++files;
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(rows.contains(entry.path())) << name << " has no row in the table";
    EXPECT_NE(readme.find("`" + name + "`"), std::string::npos) << name << " is not in README.md";
  }
  EXPECT_GE(files, 30u);
}

TEST(HostileInputCatalogue, EveryMadeInputHasAReadmeLine) {
  const std::string readme = ReadBytes(CatalogueFiles().parent_path() / "README.md");
  for (const Input& input : Catalogue()) {
    if (input.make) {
      EXPECT_NE(readme.find("(" + input.label + ")"), std::string::npos)
          << input.label << " is not in README.md";
    }
  }
}

}  // namespace
}  // namespace varnel::hostile
