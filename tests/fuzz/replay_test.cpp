// Replays the seed corpus and every input that once broke something through the same
// property checks the fuzz targets run, as an ordinary test.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "properties.h"

namespace varnel::fuzz {
namespace {

namespace fs = std::filesystem;

struct Target {
  const char* name;  // folder under corpus/ and regressions/
  Check check;
};

constexpr Target kTargets[] = {
    {"jasc_pal", CheckJascPal},
    {"act", CheckAct},
    {"naming", CheckNaming},
};

void PrintTo(const Target& target, std::ostream* out) { *out << target.name; }

const fs::path kFuzzDir = VARNEL_FUZZ_DIR;

std::vector<fs::path> FilesUnder(const fs::path& folder) {
  std::vector<fs::path> files;
  if (!fs::is_directory(folder)) return files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().filename() != "README.md") {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Every input of every target: any byte string is fair input for each reader.
std::vector<fs::path> AllInputs() {
  std::vector<fs::path> files;
  for (const Target& target : kTargets) {
    for (const char* kind : {"corpus", "regressions"}) {
      const std::vector<fs::path> more = FilesUnder(kFuzzDir / kind / target.name);
      files.insert(files.end(), more.begin(), more.end());
    }
  }
  return files;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class FuzzReplay : public testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, SeedCorpusIsThere) {
  // Without seeds the replay below would pass on nothing.
  EXPECT_GE(FilesUnder(kFuzzDir / "corpus" / GetParam().name).size(), 5u)
      << "seed corpus missing under " << (kFuzzDir / "corpus" / GetParam().name);
}

TEST_P(FuzzReplay, EveryStoredInputKeepsTheProperties) {
  const std::vector<fs::path> files = AllInputs();
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    EXPECT_EQ(GetParam().check(ReadAll(file)), "") << file.lexically_relative(kFuzzDir);
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, testing::ValuesIn(kTargets),
                         [](const testing::TestParamInfo<Target>& row) {
                           std::string name = row.param.name;
                           std::erase(name, '_');
                           return name;
                         });

}  // namespace
}  // namespace varnel::fuzz
