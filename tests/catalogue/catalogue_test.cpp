// The hostile-input catalogue: every input with what reading it must give and why, read
// through ReadPaletteFile (the format chosen by the extension, as both programs do) and,
// when it is built, through palconv.
#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <set>

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
  std::string label;             // test name; made inputs are known by it in README.md
  fs::path name;                 // under files/, or under a scratch folder when made
  Maker make;                    // lays the input out; empty for committed files
  std::optional<Palette> table;  // what reading gives, or
  std::string reason;            // the reason of the error it must give instead
  std::string why;
  bool unprivileged = false;  // read by "nobody", so that permission bits apply
};
void PrintTo(const Input& input, std::ostream* out) { *out << input.label; }

COLORREF Rgb(int red, int green, int blue) { return MakeColor(red, green, blue); }

// Entry i is (i, 255 - i, 3i cut to 8 bits): the palette most catalogue files hold.
Palette Pattern() {
  Palette palette;
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    palette[i] = Rgb(static_cast<int>(i), static_cast<int>(255 - i), static_cast<int>(3 * i));
  }
  return palette;
}

// The listed entries, then the last of them repeated, as a short JASC-PAL file reads.
Palette Listed(std::initializer_list<COLORREF> colors, const Palette& base = {}) {
  Palette palette = base;
  std::size_t i = 0;
  for (COLORREF color : colors) palette[i++] = color;
  for (i = std::max<std::size_t>(i, 1); colors.size() > 0 && i < kPaletteSize; ++i) {
    palette[i] = palette[i - 1];
  }
  return palette;
}

Palette Black() { return Listed({Rgb(0, 0, 0)}); }

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

Maker File(std::function<std::string()> bytes) {
  return [bytes = std::move(bytes)](const fs::path& path) {
    fs::create_directories(path.parent_path());
    WriteBytes(path, bytes());
  };
}

std::string PatternText() { return ReadBytes(kFiles / "written.pal"); }

std::vector<Input> MadeInputs() {
  const std::string entries = PatternText().substr(kHeader.size());
  std::string lines = kHeader;
  Palette counted;
  for (int i = 0; i < 100'000; ++i) {
    lines += std::to_string(i) + ' ' + std::to_string(i + 1) + ' ' + std::to_string(i + 2) + "\r\n";
    if (i < 256) counted[static_cast<std::size_t>(i)] = Rgb(i, i + 1, i + 2);
  }
  fs::path deep;
  while (deep.native().size() < 300) deep /= std::string(40, 'd');
  const Maker nothing = [](const fs::path&) {};
  const Maker folder = [](const fs::path& path) { fs::create_directories(path / "inside"); };
  const std::string denied = "Permission denied", missing = "No such file or directory";
  return {
      {"HugeHeaderLine",
       "huge-header-line.pal",
       File([=] { return std::string(kTenMegabytes, 'x') + "\r\n0100\r\n256\r\n" + entries; }),
       Pattern(),
       {},
       "a first line of 10 MB is skipped in bounded memory"},
      {"HugeNumberLine",
       "huge-number-line.pal",
       File([] { return kHeader + std::string(kTenMegabytes, '7') + " 1 2\r\n"; }),
       Listed({Rgb(113, 1, 2)}),
       {},
       "ten million sevens are 113 modulo 256"},
      {"HugeJunkLine",
       "huge-junk-line.pal",
       File([] {
         return kHeader + std::string(kTenMegabytes / 2, ' ') + "1 2 3" +
                std::string(kTenMegabytes / 2, 'z') + "\r\n4 5 6\r\n";
       }),
       Listed({Rgb(1, 2, 3), Rgb(4, 5, 6)}),
       {},
       "5 MB of blanks and 5 MB of text on one line"},
      {"HundredThousandLines",
       "hundred-thousand-lines.pal",
       File([=] { return lines; }),
       counted,
       {},
       "the first 256 entry lines are read, the rest never"},
      {"HundredThousandEmptyLines",
       "empty-lines.pal",
       File([] { return std::string(100'000, '\n'); }),
       Black(),
       {},
       "100,000 empty lines"},
      {"MegabyteAct",
       "megabyte.act",
       File([] { return EncodeAct(Pattern()) + std::string((1 << 20) - kActSize, '\xff'); }),
       Pattern(),
       {},
       "only the first 768 bytes of an ACT file are read"},
      {"FolderAct", "folder.act", folder, {}, "Is a folder, not a file", "a folder named x.act"},
      {"FolderPal", "folder.pal", folder, {}, "Is a folder, not a file", "a folder named x.pal"},
      {"MissingAct", "missing.act", nothing, {}, missing, "no such file"},
      {"MissingPal", "missing.pal", nothing, {}, missing, "no such file"},
      {"DanglingLink",
       "dangling.pal",
       [](const fs::path& p) { fs::create_symlink("gone.pal", p); },
       {},
       missing,
       "a symbolic link to nothing"},
      {"LinkLoop",
       "loop.pal",
       [](const fs::path& p) { fs::create_symlink("loop.pal", p); },
       {},
       "Too many levels of symbolic links",
       "a symbolic link to itself"},
      {"ThroughAFile",
       "plain.pal/x.pal",
       [](const fs::path& p) { WriteBytes(p.parent_path(), PatternText()); },
       {},
       "Not a directory",
       "a path through a regular file"},
      {"NameTooLong",
       std::string(300, 'n') + ".pal",
       nothing,
       {},
       "File name too long",
       "a file name of 304 characters"},
      {"LongPath",
       deep / "long.pal",
       File(PatternText),
       Pattern(),
       {},
       "a path of more than 300 characters reads like any other"},
      {"LinkToAFile",
       "link.pal",
       [](const fs::path& p) {
         WriteBytes(p.parent_path() / "linked.pal", PatternText());
         fs::create_symlink("linked.pal", p);
       },
       Pattern(),
       {},
       "a symbolic link reads as the file it names"},
      {"Unreadable",
       "unreadable.pal",
       [](const fs::path& p) {
         WriteBytes(p, PatternText());
         fs::permissions(p, fs::perms::none);
       },
       {},
       denied,
       "mode 000, read by a user who is not root",
       true},
      {"DevNull", "/dev/null", nothing, Black(), {}, "an empty device reads as an empty file"},
  };
}

std::vector<Input> MakeCatalogue() {
  const Palette pattern = Pattern();
  Palette first16 = pattern;
  std::fill(first16.begin() + 16, first16.end(), pattern[15]);
  // Committed files: name, table, why.
  const std::vector<std::tuple<std::string, Palette, std::string>> files = {
      {"empty.pal", Black(), "no lines: every entry line reads as empty"},
      {"header-only.pal", Black(), "the three header lines and nothing else"},
      {"header-unterminated.pal", Black(), "the count line lacks its line end"},
      {"bom-utf8.pal", Listed({Rgb(255, 0, 0), Rgb(0, 0, 255)}), "the mark is in the first line"},
      {"bom-utf16le.pal", Black(), "UTF-16: every line after a LF starts with a NUL byte"},
      {"nul-bytes.pal", Listed({Rgb(10, 20, 0), Rgb(10, 20, 0), Rgb(70, 20, 0), Rgb(1, 2, 3)}),
       "a NUL byte ends what a line gives"},
      {"nul-in-header.pal", pattern, "NUL bytes in the header lines do no harm"},
      {"cr-only.pal", Black(), "CR line ends only: the whole file is the first header line"},
      {"cr-inside-line.pal", Listed({Rgb(1, 2, 3), Rgb(4, 5, 6), Rgb(7, 5, 6)}),
       "a CR not followed by LF is white space"},
      {"lf-only.pal", pattern, "LF line ends read like CR LF"},
      {"forty-digits.pal", Listed({Rgb(255, 7, 255), Rgb(200, 255, 0)}),
       "numbers of 39 and 40 digits taken modulo 256"},
      {"beyond-int.pal", Listed({Rgb(17, 255, 0), Rgb(0, 255, 255)}),
       "2^32 + 17, -(2^31 + 1), 2^64, 2^63 - 1: wrapped, never clamped"},
      {"signs-without-digits.pal",
       Listed({Rgb(9, 8, 7), Rgb(9, 8, 7), Rgb(1, 8, 7), Rgb(1, 8, 7), Rgb(1, 8, 7), Rgb(1, 8, 7),
               Rgb(4, 5, 7), Rgb(7, 0, 0)}),
       "a sign without a digit after it ends the numbers of its line"},
      {"count-says-16.pal", first16, "the count line is not read; the 16th entry repeats"},
      {"count-lies.pal", pattern, "the count line says 2; all 256 entries are read"},
      {"extra-lines.pal", pattern, "44 lines after the 256th entry are not read"},
      {"missing-components.pal",
       Listed({Rgb(1, 2, 3), Rgb(10, 20, 3), Rgb(10, 20, 3), Rgb(30, 20, 3)}),
       "components a line lacks keep the entry before's"},
      {"trailing-text.pal", Listed({Rgb(1, 2, 3), Rgb(7, 8, 9), Rgb(10, 11, 12)}),
       "text after the third number is ignored"},
      {"dashes.pal", Listed({Rgb(1, 254, 253), Rgb(1, 2, 3)}),
       "1-2-3 is 1, -2, -3; +1+2+3 is 1, 2, 3"},
      {"out-of-range.pal", Listed({Rgb(0, 255, 44), Rgb(0, 255, 1)}), "cut to 8 bits"},
      {"odd-whitespace.pal", Listed({Rgb(12, 34, 56), Rgb(7, 8, 9)}),
       "spaces, tabs, vertical tabs and form feeds separate numbers"},
      {"no-final-newline.pal", pattern, "the last entry line has no line end"},
      {"wrong-magic.pal", pattern, "the header is not checked"},
      {"ctrl-z.pal", Listed({Rgb(1, 2, 3), Rgb(1, 2, 3), Rgb(4, 5, 6)}),
       "Ctrl-Z is no end of file"},
      {"letters-first.pal", Listed({Rgb(5, 5, 5)}),
       "lines that start with a letter give no number"},
      {"written.pal", pattern, "a file as the program writes it"},
      {"no-extension", pattern, "no extension: read as JASC-PAL"},
      {"palette-\u00fcn\u00efc\u00f6d\u00e9-\u8272.pal", pattern, "letters beyond ASCII"},
      {"noise.pal", fuzz::ModelJascPal(ReadBytes(kFiles / "noise.pal")),
       "4 KiB of random bytes: no error, what its lines say"},
      {"noise-no-lf.pal", Black(), "random bytes without a line feed: one header line"},
      {"riff-palette.pal", Black(), "a RIFF palette is read as text; it holds no line feed"},
      {"act-as-pal.pal", Black(), "an ACT table read as text; its one LF makes two lines"},
      {"empty.act", Black(), "an ACT file of 0 bytes"},
      {"one-byte.act", Listed({Rgb(200, 0, 0), Rgb(0, 0, 0)}), "1 byte: entry 0's red"},
      {"short-767.act",
       Listed({},
              [&] {
                Palette p = pattern;
                p[255] = Rgb(255, 0, 0);
                return p;
              }()),
       "entry 255 lacks its blue"},
      {"exact-768.act", pattern, "a whole ACT table"},
      {"long-769.act", pattern, "a byte after the table is ignored"},
      {"long-772.act", pattern, "a 4-byte trailer (count 16) is ignored; all 256 entries read"},
      {"UPPER.ACT", pattern, "ACT in capitals selects ACT"},
      {"Mixed.aCt", pattern, "ACT in mixed case selects ACT"},
      {"jasc-as-act.act", ActLayout(ReadBytes(kFiles / "jasc-as-act.act")),
       "JASC-PAL text named .act: its first 768 bytes are colours"},
  };
  std::vector<Input> inputs = MadeInputs();
  for (const auto& [name, table, why] : files) {
    std::string label;  // "header-only.pal" gives "headeronlypal"
    for (const char c : name) {
      if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) label += c;
    }
    inputs.push_back({label, name, {}, table, {}, why});
  }
  return inputs;
}

const std::vector<Input>& Catalogue() {
  static const std::vector<Input> inputs = MakeCatalogue();
  return inputs;
}

std::string Dump(const Palette& palette) {
  std::string text;
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    text += std::to_string(i) + ": " + std::to_string(RedOf(palette[i])) + ' ' +
            std::to_string(GreenOf(palette[i])) + ' ' + std::to_string(BlueOf(palette[i])) + '\n';
  }
  return text;
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
  SCOPED_TRACE(input.why);
  const TempDir scratch;
  const std::string report = WithInput(input, scratch, [&](const fs::path& path) -> std::string {
    const std::string expected =
        input.table ? Dump(*input.table) : PathText(path) + ": " + input.reason;
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
  SCOPED_TRACE(input.why);
  const TempDir scratch;
  const std::string report = WithInput(input, scratch, [&](const fs::path& path) {
    std::string problems;
    for (const fs::path& target : {scratch / "out.act", scratch / "out.pal"}) {
      const ProgramRun run = RunProgram({VARNEL_PALCONV, "-o", target.string(), path.string()});
      const std::string said = std::to_string(run.status) + " " + run.out + run.err;
      const std::string expected =
          input.table ? "0 Pallete saved as " + PathText(target) + "\n"
                      : "1 palconv: " + PathText(path) + ": " + input.reason + "\n";
      if (said != expected) problems += "said " + said + "expected " + expected;
      if (input.table && fs::exists(target) &&
          ReadBytes(target) != (target.extension() == ".act" ? EncodeAct(*input.table)
                                                             : EncodeJascPal(*input.table))) {
        problems += "wrote other bytes to " + target.string() + "\n";
      }
      if (!input.table && fs::exists(target)) problems += "wrote " + target.string() + "\n";
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
  const std::string readme = ReadBytes(kFiles.parent_path() / "README.md");
  std::set<fs::path> rows;
  for (const Input& input : Catalogue()) {
    if (!input.make) rows.insert(kFiles / input.name);
    const std::string line = input.make ? "(" + input.label + ")" : "`" + input.name.string() + "`";
    EXPECT_NE(readme.find(line), std::string::npos) << line << " is not in README.md";
  }
  for (const auto& entry : fs::directory_iterator(kFiles)) {
    EXPECT_TRUE(rows.contains(entry.path())) << entry.path() << " has no row in the table";
  }
  EXPECT_GE(rows.size(), 30u);
}

}  // namespace
}  // namespace varnel::hostile
