// palconv end to end over the hostile-input catalogue: exit statuses, messages, and the
// files it writes, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalogue.h"
#include "support.h"
#include "varnel/act.h"
#include "varnel/file_error.h"
#include "varnel/jasc_pal.h"
#include "varnel/palette_file.h"

namespace varnel::hostile {
namespace {

const std::string kPalconv = VARNEL_PALCONV;

// Runs palconv, in a child without root's privileges when the input asks for it; the
// result comes back as the status, a NUL, standard output, a NUL, standard error.
ProgramRun Palconv(const Input& input, const std::vector<std::string>& args) {
  std::vector<std::string> argv{kPalconv};
  argv.insert(argv.end(), args.begin(), args.end());
  if (!input.unprivileged) return RunProgram(argv);
  const std::string report = InChild([&argv]() -> std::string {
    if (std::string problem = DropPrivileges(); !problem.empty()) return problem;
    const ProgramRun run = RunProgram(argv);
    return std::to_string(run.status) + '\0' + run.out + '\0' + run.err;
  });
  ProgramRun run;
  const std::size_t first = report.find('\0');
  const std::size_t second = report.find('\0', first + 1);
  if (second == std::string::npos) {
    run.err = "no run: " + report;
    return run;
  }
  run.status = std::stoi(report.substr(0, first));
  run.out = report.substr(first + 1, second - first - 1);
  run.err = report.substr(second + 1);
  return run;
}

class PalconvOnHostileInput : public testing::TestWithParam<Input> {};

// `palconv -o OUT FILE` into each format: the table read, written byte for byte as the
// writer makes it; or exit status 1 with "palconv: PATH: reason" and nothing written.
TEST_P(PalconvOnHostileInput, ConvertsOrSaysWhy) {
  const Input& input = GetParam();
  SCOPED_TRACE(input.why);
  Prepare(input);
  const ScratchDir out;
  for (const char* name : {"out.act", "out.pal"}) {
    SCOPED_TRACE(name);
    const fs::path target = out / name;
    const ProgramRun run = Palconv(input, {"-o", target.string(), input.path.string()});
    if (input.outcome.table) {
      const Palette expected = input.outcome.table(input.path);
      EXPECT_EQ(run.status, 0) << run.err;
      EXPECT_EQ(run.err, "");
      EXPECT_EQ(run.out, "Pallete saved as " + PathText(target) + "\n");
      const std::string written = fs::exists(target) ? ReadBytes(target) : "(nothing)";
      EXPECT_EQ(written,
                target.extension() == ".act" ? EncodeAct(expected) : EncodeJascPal(expected));
    } else {
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, "palconv: " + PathText(input.path) + ": " + input.outcome.reason + "\n");
      EXPECT_FALSE(fs::exists(target));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, PalconvOnHostileInput, testing::ValuesIn(Catalogue()),
                         [](const testing::TestParamInfo<Input>& row) { return row.param.label; });

// The whole committed catalogue in one call, each file in a folder of its own: the
// failures do not stop the others, each success says where it wrote, the run ends with 1.
TEST(PalconvOnHostileInputBatch, ConvertsEveryFileBesideItselfAndGoesOnAfterFailures) {
  const ScratchDir scratch;
  std::vector<std::string> argv{kPalconv};
  std::string expected_out;
  std::string expected_err;
  std::vector<std::pair<fs::path, std::string>> expected_files;
  int n = 0;
  for (const Input& input : Catalogue()) {
    Prepare(input);
    // Reading without privileges needs a process of its own; a device cannot be copied.
    if (input.unprivileged || (input.outcome.table && !fs::is_regular_file(input.path))) continue;
    const fs::path folder = scratch / std::to_string(n++);
    fs::create_directory(folder);
    fs::path source = folder / input.path.filename();
    if (input.outcome.table) {
      fs::copy_file(input.path, source);
      const NativeString ext = ExtensionOf(source);
      const fs::path target = *ConvertTarget(source, ext);
      const Palette table = input.outcome.table(input.path);
      expected_out += "Pallete saved as " + PathText(target) + "\n";
      expected_files.emplace_back(target, ConvertFormat(ext) == PaletteFormat::Act
                                              ? EncodeAct(table)
                                              : EncodeJascPal(table));
    } else {
      source = input.path;  // the failing inputs are used where they are
      expected_err += "palconv: " + PathText(source) + ": " + input.outcome.reason + "\n";
    }
    argv.push_back(source.string());
  }
  const ProgramRun run = RunProgram(argv);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, expected_out);
  EXPECT_EQ(run.err, expected_err);
  for (const auto& [target, bytes] : expected_files) {
    ASSERT_TRUE(fs::exists(target)) << target;
    EXPECT_EQ(ReadBytes(target), bytes) << target;
  }
}

}  // namespace
}  // namespace varnel::hostile
