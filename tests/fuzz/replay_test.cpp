// Replays the seed corpus and every input that once broke something through the property
// checks the fuzz targets run. Any byte string is fair input for each check.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "properties.h"

namespace varnel::fuzz {
namespace {

namespace fs = std::filesystem;
const fs::path kFuzzDir = VARNEL_FUZZ_DIR;

struct Target {
  const char* name;  // folder under corpus/ and regressions/
  Check check;
};
constexpr Target kTargets[] = {
    {"jasc_pal", CheckJascPal}, {"act", CheckAct}, {"naming", CheckNaming}};

TEST(FuzzReplay, EveryStoredInputKeepsEveryProperty) {
  std::size_t seeds = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(kFuzzDir)) {
    const fs::path relative = entry.path().lexically_relative(kFuzzDir);
    const std::string kind = relative.begin()->string();
    if (!entry.is_regular_file() || (kind != "corpus" && kind != "regressions") ||
        entry.path().filename() == "README.md") {
      continue;
    }
    seeds += kind == "corpus";
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (const Target& target : kTargets) {
      EXPECT_EQ(target.check(bytes), "") << target.name << " on " << relative;
    }
  }
  EXPECT_GE(seeds, 15u) << "seed corpus missing: the replay would pass on nothing";
}

}  // namespace
}  // namespace varnel::fuzz
