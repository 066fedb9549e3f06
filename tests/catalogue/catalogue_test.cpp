// The hostile-input catalogue: every input with what reading it must give, read through
// ReadPaletteFile (the format chosen by the extension, as both programs do) and, when it is
// built, through palconv. Each row's reason is its line in README.md.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <sstream>

#include "properties.h"
#include "support.h"
#include "varnel/act.h"
#include "varnel/file_error.h"
#include "varnel/jasc_pal.h"
#include "varnel/palette_file.h"

namespace varnel::hostile {
namespace {

const fs::path kFiles = fs::path(VARNEL_CATALOGUE_DIR) / "files";
constexpr std::size_t kTenMegabytes = 10 * 1000 * 1000;
const std::string kHeader = "JASC-PAL\r\n0100\r\n256\r\n";

using Maker = std::function<void(const fs::path&)>;

struct Input {
  std::string label;          // test name; made inputs are known by it in README.md
  fs::path name;              // under files/, or under a scratch folder when made
  std::string expect;         // a table (see Table), "as text", "as act", or "fails: REASON"
  Maker make;                 // lays the input out; empty for committed files
  bool unprivileged = false;  // read by "nobody", so that permission bits apply
};
void PrintTo(const Input& input, std::ostream* out) { *out << input.label; }

COLORREF Rgb(int red, int green, int blue) { return MakeColor(red, green, blue); }

// "R G B" entries in order; "pattern N" (entry i is (i, 255 - i, 3i)) or "counting N" (entry
// i is (i, i + 1, i + 2)) for the next N entries, all when N is left out; then the last entry
// repeated to the end, as a short JASC-PAL file reads. "1 2 3; 4 5 6" or "pattern 16".
Palette Table(const std::string& text) {
  Palette palette{};
  std::size_t next = 0;
  std::istringstream items(text);
  for (std::string item; std::getline(items, item, ';');) {
    std::istringstream words(item);
    std::string kind;
    int red = 0, green = 0, blue = 0;
    std::size_t count = kPaletteSize;
    if (words >> red >> green >> blue) {
      palette.at(next++) = Rgb(red, green, blue);
      continue;
    }
    words.clear();
    words.seekg(0);
    words >> kind;
    if (!(words >> count)) count = kPaletteSize;
    for (const std::size_t end = next + count; next < end; ++next) {
      const int i = static_cast<int>(next);
      palette.at(next) = kind == "pattern" ? Rgb(i, 255 - i, 3 * i) : Rgb(i, i + 1, i + 2);
    }
  }
  for (; next > 0 && next < kPaletteSize; ++next) palette[next] = palette[next - 1];
  return palette;
}

// The ACT layout worked out by hand: entry i is bytes 3i..3i+2, missing bytes are zero.
Palette ActLayout(const std::string& bytes) {
  auto at = [&bytes](std::size_t i) {
    return i < bytes.size() ? static_cast<unsigned char>(bytes[i]) : 0;
  };
  Palette palette{};
  for (std::size_t i = 0; i < kPaletteSize; ++i)
    palette[i] = Rgb(at(3 * i), at(3 * i + 1), at(3 * i + 2));
  return palette;
}

Palette Expected(const Input& input, const fs::path& path) {
  if (input.expect == "as text") return fuzz::ModelJascPal(ReadBytes(path));
  if (input.expect == "as act") return ActLayout(ReadBytes(path));
  return Table(input.expect);
}
bool Fails(const Input& input) { return input.expect.starts_with("fails: "); }

Maker File(std::function<std::string()> bytes) {
  return [bytes = std::move(bytes)](const fs::path& path) {
    fs::create_directories(path.parent_path());
    WriteBytes(path, bytes());
  };
}
std::string PatternText() { return ReadBytes(kFiles / "written.pal"); }

std::vector<Input> MakeCatalogue() {
  const std::string entries = PatternText().substr(kHeader.size());
  fs::path deep;
  while (deep.native().size() < 300) deep /= std::string(40, 'd');
  const Maker nothing = [](const fs::path&) {};
  const Maker folder = [](const fs::path& path) { fs::create_directories(path / "inside"); };
  const std::string missing = "fails: No such file or directory";
  std::vector<Input> inputs = {
      {"HugeHeaderLine", "huge-header-line.pal", "pattern",
       File([=] { return std::string(kTenMegabytes, 'x') + "\r\n0100\r\n256\r\n" + entries; })},
      {"HugeNumberLine", "huge-number-line.pal", "113 1 2",
       File([] { return kHeader + std::string(kTenMegabytes, '7') + " 1 2\r\n"; })},
      {"HugeJunkLine", "huge-junk-line.pal", "1 2 3; 4 5 6", File([] {
         return kHeader + std::string(kTenMegabytes / 2, ' ') + "1 2 3" +
                std::string(kTenMegabytes / 2, 'z') + "\r\n4 5 6\r\n";
       })},
      {"HundredThousandLines", "hundred-thousand-lines.pal", "counting", File([] {
         std::string lines = kHeader;
         for (int i = 0; i < 100'000; ++i)
           lines += std::to_string(i) + ' ' + std::to_string(i + 1) + ' ' + std::to_string(i + 2) +
                    "\r\n";
         return lines;
       })},
      {"HundredThousandEmptyLines", "empty-lines.pal", "0 0 0",
       File([] { return std::string(100'000, '\n'); })},
      {"MegabyteAct", "megabyte.act", "pattern", File([] {
         return EncodeAct(Table("pattern")) + std::string((1 << 20) - kActSize, '\xff');
       })},
      {"FolderAct", "folder.act", "fails: Is a folder, not a file", folder},
      {"FolderPal", "folder.pal", "fails: Is a folder, not a file", folder},
      {"MissingAct", "missing.act", missing, nothing},
      {"MissingPal", "missing.pal", missing, nothing},
      {"DanglingLink", "dangling.pal", missing,
       [](const fs::path& p) { fs::create_symlink("gone.pal", p); }},
      {"LinkLoop", "loop.pal", "fails: Too many levels of symbolic links",
       [](const fs::path& p) { fs::create_symlink("loop.pal", p); }},
      {"ThroughAFile", "plain.pal/x.pal", "fails: Not a directory",
       [](const fs::path& p) { WriteBytes(p.parent_path(), PatternText()); }},
      {"NameTooLong", std::string(300, 'n') + ".pal", "fails: File name too long", nothing},
      {"LongPath", deep / "long.pal", "pattern", File(PatternText)},
      {"LinkToAFile", "link.pal", "pattern",
       [](const fs::path& p) {
         WriteBytes(p.parent_path() / "linked.pal", PatternText());
         fs::create_symlink("linked.pal", p);
       }},
      {"Unreadable", "unreadable.pal", "fails: Permission denied",
       [](const fs::path& p) {
         WriteBytes(p, PatternText());
         fs::permissions(p, fs::perms::none);
       },
       true},
      {"DevNull", "/dev/null", "0 0 0", nothing},
  };
  // Committed files, by what reading them gives.
  const std::pair<std::string, std::vector<std::string>> files[] = {
      {"0 0 0",
       {"empty.pal", "header-only.pal", "header-unterminated.pal", "bom-utf16le.pal", "cr-only.pal",
        "noise-no-lf.pal", "riff-palette.pal", "act-as-pal.pal", "empty.act"}},
      {"pattern",
       {"nul-in-header.pal", "lf-only.pal", "count-lies.pal", "extra-lines.pal",
        "no-final-newline.pal", "wrong-magic.pal", "written.pal", "no-extension",
        "palette-\u00fcn\u00efc\u00f6d\u00e9-\u8272.pal", "exact-768.act", "long-769.act",
        "long-772.act", "UPPER.ACT", "Mixed.aCt"}},
      {"255 0 0; 0 0 255", {"bom-utf8.pal"}},
      {"10 20 0; 10 20 0; 70 20 0; 1 2 3", {"nul-bytes.pal"}},
      {"1 2 3; 4 5 6; 7 5 6", {"cr-inside-line.pal"}},
      {"255 7 255; 200 255 0", {"forty-digits.pal"}},
      {"17 255 0; 0 255 255", {"beyond-int.pal"}},
      {"9 8 7; 9 8 7; 1 8 7; 1 8 7; 1 8 7; 1 8 7; 4 5 7; 7 0 0", {"signs-without-digits.pal"}},
      {"pattern 16", {"count-says-16.pal"}},
      {"1 2 3; 10 20 3; 10 20 3; 30 20 3", {"missing-components.pal"}},
      {"1 2 3; 7 8 9; 10 11 12", {"trailing-text.pal"}},
      {"1 254 253; 1 2 3", {"dashes.pal"}},
      {"0 255 44; 0 255 1", {"out-of-range.pal"}},
      {"12 34 56; 7 8 9", {"odd-whitespace.pal"}},
      {"1 2 3; 1 2 3; 4 5 6", {"ctrl-z.pal"}},
      {"5 5 5", {"letters-first.pal"}},
      {"as text", {"noise.pal"}},
      {"200 0 0; 0 0 0", {"one-byte.act"}},
      {"pattern 255; 255 0 0", {"short-767.act"}},
      {"as act", {"jasc-as-act.act"}},
  };
  for (const auto& [expect, names] : files) {
    for (const std::string& name : names) {
      std::string label;  // "header-only.pal" gives "headeronlypal"
      for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)) != 0) label += c;
      }
      inputs.push_back({label, name, expect, {}});
    }
  }
  return inputs;
}

const std::vector<Input>& Catalogue() {
  static const std::vector<Input> inputs = MakeCatalogue();
  return inputs;
}

// The row's line in README.md, which says why reading gives what it gives; "" if none.
std::string ReadmeLine(const Input& input) {
  static const std::string readme = ReadBytes(kFiles.parent_path() / "README.md");
  const std::string key = input.make ? "(" + input.label + ")" : "`" + input.name.string() + "`";
  const std::size_t at = readme.find(key);
  if (at == std::string::npos) return "";
  const std::size_t start = readme.rfind('\n', at) + 1;
  return readme.substr(start, readme.find('\n', at) - start);
}

std::string Dump(const Palette& palette) {
  std::ostringstream text;
  for (std::size_t i = 0; i < kPaletteSize; ++i)
    text << i << ": " << +RedOf(palette[i]) << ' ' << +GreenOf(palette[i]) << ' '
         << +BlueOf(palette[i]) << '\n';
  return text.str();
}

// Lays the input out in `scratch` and runs `body` on its path, as "nobody" if it asks so.
std::string WithInput(const Input& input, const TempDir& scratch,
                      const std::function<std::string(const fs::path&)>& body) {
  const fs::path path = input.make ? scratch / input.name : kFiles / input.name;
  if (input.make) input.make(path);
  if (!input.unprivileged) return body(path);
  return InChild([&] {
    const std::string problem = DropPrivileges();
    return problem.empty() ? body(path) : problem;
  });
}

class HostileInput : public testing::TestWithParam<Input> {};

TEST_P(HostileInput, ReadsAsItMust) {
  const Input& input = GetParam();
  SCOPED_TRACE(ReadmeLine(input));
  const TempDir scratch;
  const std::string report = WithInput(input, scratch, [&](const fs::path& path) -> std::string {
    const std::string expected =
        Fails(input) ? PathText(path) + ": " + input.expect.substr(7) : Dump(Expected(input, path));
    try {
      const Palette got = ReadPaletteFile(path, FormatForExtension(ExtensionOf(path)));
      return expected == Dump(got) ? "" : "read\n" + Dump(got) + "expected\n" + expected;
    } catch (const FileError& error) {
      return expected == error.what() ? "" : std::string("failed: ") + error.what();
    }
  });
  EXPECT_EQ(report, "");
}

#ifdef VARNEL_PALCONV
// `palconv -o OUT FILE` into each format: exit status 0, "Pallete saved as OUT" and the
// table written byte for byte; or status 1, "palconv: FILE: reason" and nothing written.
TEST_P(HostileInput, ConvertsThroughPalconvOrSaysWhy) {
  const Input& input = GetParam();
  SCOPED_TRACE(ReadmeLine(input));
  const TempDir scratch;
  const std::string report = WithInput(input, scratch, [&](const fs::path& path) {
    std::string problems;
    for (const fs::path& target : {scratch / "out.act", scratch / "out.pal"}) {
      const ProgramRun run = RunProgram({VARNEL_PALCONV, "-o", target.string(), path.string()});
      const std::string said = std::to_string(run.status) + " " + run.out + run.err;
      const std::string expected =
          Fails(input) ? "1 palconv: " + PathText(path) + ": " + input.expect.substr(7) + "\n"
                       : "0 Pallete saved as " + PathText(target) + "\n";
      if (said != expected) problems += "said " + said + "expected " + expected;
      if (Fails(input) && fs::exists(target)) problems += "wrote " + target.string() + "\n";
      if (Fails(input) || !fs::exists(target)) continue;
      const Palette table = Expected(input, path);
      if (ReadBytes(target) !=
          (target.extension() == ".act" ? EncodeAct(table) : EncodeJascPal(table))) {
        problems += "wrote other bytes to " + target.string() + "\n";
      }
    }
    return problems;
  });
  EXPECT_EQ(report, "");
}
#endif

INSTANTIATE_TEST_SUITE_P(Catalogue, HostileInput, testing::ValuesIn(Catalogue()),
                         [](const testing::TestParamInfo<Input>& row) { return row.param.label; });

// A file added without a row, or a row without its README line, is a case nobody checks or
// nobody can look up.
TEST(HostileInputCatalogue, EveryFileHasARowAndEveryRowAReadmeLine) {
  std::set<fs::path> rows;
  for (const Input& input : Catalogue()) {
    if (!input.make) rows.insert(kFiles / input.name);
    EXPECT_NE(ReadmeLine(input), "") << input.label << " is not in README.md";
  }
  for (const auto& entry : fs::directory_iterator(kFiles)) {
    EXPECT_TRUE(rows.contains(entry.path())) << entry.path() << " has no row in the table";
  }
  EXPECT_GE(rows.size(), 30u);
}

}  // namespace
}  // namespace varnel::hostile
