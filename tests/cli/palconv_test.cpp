// palconv end to end: the real binary runs in a scratch folder; its exit status, both
// output streams and the files it wrote are checked exactly. Expected palette bytes come
// from the checked-in pair tests/data/ramps.pal and ramps.act (the same 256 colours in
// both formats) or are written out here the plain way.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "run_palconv.h"

namespace palconv::test {
namespace {

namespace fs = std::filesystem;

using Rgb = std::array<int, 3>;
using Colours = std::vector<Rgb>;

const std::string kHint = "Try 'palconv --help' for more information.\n";

std::string ReadBytes(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& path, std::string_view bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

const std::string& RampsPal() {
  static const std::string bytes = ReadBytes(fs::path(VARNEL_TEST_DATA) / "ramps.pal");
  return bytes;
}

const std::string& RampsAct() {
  static const std::string bytes = ReadBytes(fs::path(VARNEL_TEST_DATA) / "ramps.act");
  return bytes;
}

// The colours of the ramps pair: entry i is (i, 255 - i, 7i + 3 cut to 8 bits).
Colours Ramps() {
  Colours colours;
  for (int i = 0; i < 256; ++i) colours.push_back({i, 255 - i, (7 * i + 3) & 0xFF});
  return colours;
}

// `colours` padded to 256 entries with copies of `fill`.
Colours Padded(Colours colours, Rgb fill) {
  colours.resize(256, fill);
  return colours;
}

std::string JascOf(const Colours& colours) {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (const Rgb& c : colours) {
    text += std::to_string(c[0]) + ' ' + std::to_string(c[1]) + ' ' + std::to_string(c[2]) + "\r\n";
  }
  return text;
}

std::string ListingOf(const Colours& colours, std::string_view eol = "\n") {
  std::string text;
  for (std::size_t i = 0; i < colours.size(); ++i) {
    text += std::to_string(i) + ": " + std::to_string(colours[i][0]) + ' ' +
            std::to_string(colours[i][1]) + ' ' + std::to_string(colours[i][2]);
    text += eol;
  }
  return text;
}

// Takes `word` off the front of `text`.
bool Take(std::string_view& text, std::string_view word) {
  if (!text.starts_with(word)) return false;
  text.remove_prefix(word.size());
  return true;
}

bool TakeNumber(std::string_view& text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc()) return false;
  text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  return true;
}

enum class Kind { Jasc, Act };

const std::string& Golden(Kind kind) { return kind == Kind::Act ? RampsAct() : RampsPal(); }

class Palconv : public ::testing::Test {
 protected:
  Palconv() {
    std::string name = (fs::temp_directory_path() / "palconv-test-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = name;
  }
  ~Palconv() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  fs::path At(std::string_view name) const { return dir_ / fs::path(name); }
  void Put(std::string_view name, std::string_view bytes) const {
    fs::create_directories(At(name).parent_path());
    WriteBytes(At(name), bytes);
  }
  std::string Get(std::string_view name) const { return ReadBytes(At(name)); }

  // Every file and folder under the scratch folder, relative to it.
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      names.insert(fs::relative(entry.path(), dir_).string());
    }
    return names;
  }

  Outcome Run(const std::vector<std::string>& args, std::string_view input = {},
              Stdout out = Stdout::Pipe) const {
    return RunPalconv(dir_, args, input, out);
  }

  fs::path dir_;
};

TEST_F(Palconv, ConvertsEachFileBesideItself) {
  struct Case {
    const char* input;
    Kind in;
    const char* target;
    Kind out;
    const char* why;
    std::vector<std::string> options = {};
  };
  const Case cases[] = {
      {"sky.pal", Kind::Jasc, "sky.act", Kind::Act, "a pal file becomes an ACT table"},
      {"SKY.PAL", Kind::Jasc, "SKY.act", Kind::Act, "pal in any case; the stem keeps its case"},
      {"sea.act", Kind::Act, "sea.pal", Kind::Jasc, "an ACT table becomes JASC-PAL text"},
      {"SEA.Act", Kind::Act, "SEA.pal", Kind::Jasc, "act in any case is read as ACT"},
      {"notes.txt", Kind::Jasc, "notes.pal", Kind::Jasc, "other extensions are JASC-PAL both ways"},
      {"plain", Kind::Jasc, "plain.pal", Kind::Jasc, "no extension: the name gains .pal"},
      {"trailing.", Kind::Jasc, "trailing.pal", Kind::Jasc, "an empty extension keeps its one dot"},
      {"ramp.tar.pal", Kind::Jasc, "ramp.tar.act", Kind::Act, "only the last extension counts"},
      {"sub.d/sky", Kind::Jasc, "sub.d/sky.pal", Kind::Jasc, "a dot in a folder is no extension"},
      {"-dash.pal", Kind::Jasc, "-dash.act", Kind::Act, "a name like an option, after --", {"--"}},
      {"looks.pal", Kind::Act, "looks.act", Kind::Act, "--from decides the reading only",
       {"--from", "act"}},
      {"\xc3\xbcnic\xc3\xb6" "de.pal", Kind::Jasc, "\xc3\xbcnic\xc3\xb6" "de.act", Kind::Act,
       "UTF-8 names pass through"},
      {"raw\xff.act", Kind::Act, "raw\xff.pal", Kind::Jasc, "a name that is not UTF-8 still works"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Put(c.input, Golden(c.in));
    std::vector<std::string> args = c.options;
    args.push_back(c.input);
    const Outcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, std::string("Pallete saved as ") + c.target + "\n");
    ASSERT_TRUE(fs::exists(At(c.target)));
    EXPECT_EQ(Get(c.target), Golden(c.out));
    EXPECT_EQ(Get(c.input), Golden(c.in)) << "the source file must stay as it was";
  }
}

TEST_F(Palconv, MixedBatchConvertsTheOthersAndExitsOne) {
  Put("a.pal", RampsPal());
  Put("b.act", RampsAct());
  const Outcome outcome = Run({"a.pal", "missing.pal", "b.act"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "Pallete saved as a.act\nPallete saved as b.pal\n");
  EXPECT_EQ(outcome.err, "palconv: missing.pal: No such file or directory\n");
  EXPECT_EQ(Get("a.act"), RampsAct());
  EXPECT_EQ(Get("b.pal"), RampsPal());
  EXPECT_FALSE(fs::exists(At("missing.act")));
}

TEST_F(Palconv, FailureNamesTheFileAndLeavesNothingBehind) {
  struct Case {
    std::vector<std::string> folders;  // made before the run
    std::vector<std::string> args;
    std::string out;
    std::string err;
    std::set<std::string> written;  // files the run adds
    const char* why;
  };
  const Case cases[] = {
      {{"dir.pal"}, {"dir.pal", "good.pal"}, "Pallete saved as good.act\n",
       "palconv: dir.pal: Is a folder, not a file\n", {"good.act"}, "a folder is no palette"},
      {{"t.act"}, {"t.pal", "good.pal"}, "Pallete saved as good.act\n",
       "palconv: t.act: Is a folder, not a file\n", {"good.act"},
       "a failed write names the target, not the source, and leaves no temporary file"},
      {{}, {"-o", "nowhere/out.act", "good.pal"}, "",
       "palconv: nowhere/out.act: No such file or directory\n", {},
       "-o into a folder that does not exist"},
      {{}, {"--show", "missing.act"}, "", "palconv: missing.act: No such file or directory\n", {},
       "--show of a file that does not exist"},
      {{}, {"gone.pal", "gone.act"}, "",
       "palconv: gone.pal: No such file or directory\npalconv: gone.act: No such file or directory\n",
       {}, "every failure has its own line"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
    fs::create_directories(dir_);
    Put("good.pal", RampsPal());
    Put("t.pal", RampsPal());
    for (const std::string& folder : c.folders) fs::create_directories(At(folder));
    const std::set<std::string> before = Entries();

    const Outcome outcome = Run(c.args);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, c.out);
    EXPECT_EQ(outcome.err, c.err);
    std::set<std::string> added;
    std::ranges::set_difference(Entries(), before, std::inserter(added, added.end()));
    EXPECT_EQ(added, c.written);
  }
}

TEST_F(Palconv, OutputTakesTheFormatItsNameOrToSelects) {
  struct Case {
    const char* input;
    Kind in;
    std::vector<std::string> options;
    const char* output;
    Kind out;
    const char* why;
  };
  const Case cases[] = {
      {"in.pal", Kind::Jasc, {}, "out.act", Kind::Act, "act selects ACT"},
      {"in.pal", Kind::Jasc, {}, "OUT.ACT", Kind::Act, "in any case"},
      {"in.act", Kind::Act, {}, "out.pal", Kind::Jasc, "pal selects JASC-PAL"},
      {"in.act", Kind::Act, {}, "out.txt", Kind::Jasc, "so does any other extension"},
      {"in.act", Kind::Act, {}, "out", Kind::Jasc, "and no extension"},
      {"in.pal", Kind::Jasc, {}, "same.pal", Kind::Jasc, "the same format is a plain copy"},
      {"in.pal", Kind::Jasc, {"--to", "act"}, "forced.pal", Kind::Act, "--to beats the name"},
      {"disguised.pal", Kind::Act, {"--from", "act"}, "out2.pal", Kind::Jasc,
       "--from beats the input's name"},
      {"in.bin", Kind::Act, {"--from", "ACT", "--to", "Act"}, "out3.x", Kind::Act,
       "format names in any case"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Put(c.input, Golden(c.in));
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"-o", c.output, c.input});
    const Outcome outcome = Run(args);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, std::string("Pallete saved as ") + c.output + "\n");
    ASSERT_TRUE(fs::exists(At(c.output)));
    EXPECT_EQ(Get(c.output), Golden(c.out));
  }
}

TEST_F(Palconv, RewritesItsOwnInputFromWhatItRead) {
  // A 3-colour file with LF endings; written over itself it becomes the full 256-entry text.
  Put("short.pal", "JASC-PAL\n0100\n3\n1 2 3\n4 5 6\n7 8 9\n");
  const Outcome outcome = Run({"-o", "short.pal", "short.pal"});
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(Get("short.pal"), JascOf(Padded({{1, 2, 3}, {4, 5, 6}}, {7, 8, 9})));
}

TEST_F(Palconv, StandardStreamsCarryPalettes) {
  std::string long_lines = "JASC-PAL\r\n0100\r\n256\r\n";
  for (const Rgb& c : Ramps()) {
    long_lines += std::to_string(c[0]) + ' ' + std::to_string(c[1]) + ' ' +
                  std::to_string(c[2]) + ' ' + std::string(200, 'x') + "\r\n";
  }
  struct Case {
    std::vector<std::string> args;
    std::string input;
    std::string out;
    const char* why;
  };
  const Case cases[] = {
      {{"-", "-o", "-"}, "JASC-PAL\n0100\n2\n9 8 7\n", JascOf(Padded({}, {9, 8, 7})),
       "JASC-PAL in and out by default"},
      {{"--from", "act", "-", "-o", "-"}, RampsAct(), RampsPal(), "--from act reads a table"},
      {{"-", "-o", "-", "--to", "act"}, RampsPal(), RampsAct(), "--to act writes a table"},
      {{"--from", "act", "--to", "act", "-", "-o", "-"}, RampsAct() + "tail", RampsAct(),
       "bytes after the 768th play no role"},
      {{"--from", "act", "-", "-o", "-"}, "\x01\x02\x03\x04\x05\x06",
       JascOf(Padded({{1, 2, 3}, {4, 5, 6}}, {0, 0, 0})), "a short table leaves the rest black"},
      {{"-", "-o", "-"}, long_lines, RampsPal(), "lines longer than one read"},
      {{"ramps.act", "-o", "-"}, "", RampsPal(), "a named file to standard output"},
  };
  Put("ramps.act", RampsAct());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const Outcome outcome = Run(c.args, c.input);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, c.out);
  }
}

TEST_F(Palconv, StandardInputToANamedFile) {
  const Outcome outcome = Run({"--from", "act", "-", "-o", "from-stdin.pal"}, RampsAct());
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, "Pallete saved as from-stdin.pal\n");
  EXPECT_EQ(Get("from-stdin.pal"), RampsPal());
}

TEST_F(Palconv, ShowListsEveryEntry) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
    const char* why;
  };
  const Case cases[] = {
      {{"--show", "ramps.pal"}, "", "a JASC-PAL file"},
      {{"--show", "ramps.act"}, "", "an ACT file"},
      {{"--show", "--from", "act", "-"}, RampsAct(), "standard input"},
  };
  Put("ramps.pal", RampsPal());
  Put("ramps.act", RampsAct());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const Outcome outcome = Run(c.args, c.input);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, ListingOf(Ramps())) << "no colour escapes when not on a terminal";
  }
}

TEST_F(Palconv, ShowDrawsAColourGridOnATerminal) {
  Put("ramps.act", RampsAct());
  const Outcome outcome = Run({"--show", "ramps.act"}, "", Stdout::Terminal);
  EXPECT_EQ(outcome.status, 0);
  const std::string listing = ListingOf(Ramps(), "\r\n");
  ASSERT_EQ(outcome.out.substr(0, listing.size()), listing);

  // Then 16 rows of 16 cells: two blanks on the entry's colour, the row ended by a reset.
  std::string_view grid(outcome.out);
  grid.remove_prefix(listing.size());
  Colours seen;
  for (int row = 0; row < 16; ++row) {
    for (int column = 0; column < 16; ++column) {
      Rgb c{};
      ASSERT_TRUE(Take(grid, "\x1b[48;2;") && TakeNumber(grid, c[0]) && Take(grid, ";") &&
                  TakeNumber(grid, c[1]) && Take(grid, ";") && TakeNumber(grid, c[2]) &&
                  Take(grid, "m  "))
          << "row " << row << ", column " << column;
      seen.push_back(c);
    }
    ASSERT_TRUE(Take(grid, "\x1b[0m\r\n")) << "end of row " << row;
  }
  EXPECT_EQ(grid, "") << "nothing after the grid";
  EXPECT_EQ(seen, Ramps()) << "cells run row by row, entry 0 top left";
}

TEST_F(Palconv, RoundTripGivesIdenticalBytes) {
  struct Case {
    const char* start;
    Kind kind;
    const char* middle;
  };
  const Case cases[] = {{"trip.pal", Kind::Jasc, "trip.act"}, {"back.act", Kind::Act, "back.pal"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    Put(c.start, Golden(c.kind));
    ASSERT_EQ(Run({c.start}).status, 0);
    ASSERT_EQ(Run({c.middle}).status, 0);  // replaces the starting file
    EXPECT_EQ(Get(c.start), Golden(c.kind));
  }
}

TEST_F(Palconv, UsageErrorsChangeNothing) {
  // Rows with a CLI11 message give the part that must appear; palconv's own read exactly.
  struct Case {
    std::vector<std::string> args;
    std::string message;  // what follows "palconv: " on the first line
    bool exact;
    const char* why;
  };
  const Case cases[] = {
      {{}, "no FILE given", true, "nothing to do"},
      {{"--bogus", "a.pal"}, "--bogus", false, "an unknown option"},
      {{"a.pal", "--from"}, "--from", false, "an option without its value"},
      {{"--from", "gif", "a.pal"}, "--from: 'gif' is not a palette format (act or pal)", true,
       "bad --from"},
      {{"--to", "bmp", "-o", "x", "a.pal"}, "--to: 'bmp' is not a palette format (act or pal)",
       true, "bad --to"},
      {{"-o", "out.act", "a.pal", "b.pal"}, "-o writes one FILE, 2 were given", true,
       "one output for two inputs"},
      {{"-o", "x.act", "-o", "y.act", "a.pal"}, "-o", false, "two outputs"},
      {{"--show", "a.pal", "b.pal"}, "--show lists one FILE, 2 were given", true,
       "two files to show"},
      {{"--show", "-o", "x.act", "a.pal"}, "--show and -o cannot be used together", true,
       "show and write at once"},
      {{"--to", "act", "a.pal"}, "--to applies to -o OUT only", true,
       "--to would write a.act in a format its name does not say"},
      {{"a.pal", "-"}, "'-' (standard input) needs -o OUT or --show", true,
       "standard input has no name to convert beside"},
      {{""}, "empty file name", true, "an empty FILE"},
      {{"-o", "", "a.pal"}, "empty file name", true, "an empty OUT"},
  };
  Put("a.pal", RampsPal());
  Put("b.pal", RampsPal());
  const std::set<std::string> before = Entries();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    const Outcome outcome = Run(c.args);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    const auto eol = outcome.err.find('\n');
    ASSERT_NE(eol, std::string::npos) << outcome.err;
    const std::string first = outcome.err.substr(0, eol);
    if (c.exact) {
      EXPECT_EQ(first, "palconv: " + c.message);
    } else {
      EXPECT_EQ(first.rfind("palconv: ", 0), 0u) << first;
      EXPECT_NE(first.find(c.message), std::string::npos) << first;
    }
    EXPECT_EQ(outcome.err.substr(eol + 1), kHint);
    EXPECT_EQ(Entries(), before);
  }
}

TEST_F(Palconv, HelpAndVersionAnswerAndConvertNothing) {
  Put("a.pal", RampsPal());
  const Outcome version = Run({"--version", "a.pal"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("palconv ") + PALCONV_VERSION + "\n");
  EXPECT_EQ(version.err, "");

  const Outcome help = Run({"a.pal", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  EXPECT_NE(help.out.find("Usage: palconv"), std::string::npos);
  EXPECT_NE(help.out.find("Exit status: 0"), std::string::npos);
  EXPECT_FALSE(fs::exists(At("a.act")));
}

TEST_F(Palconv, FullStandardOutputIsAFailure) {
  struct Case {
    std::vector<std::string> args;
    const char* why;
  };
  const Case cases[] = {
      {{"--show", "ramps.pal"}, "the listing"},
      {{"ramps.pal", "-o", "-"}, "a palette written to standard output"},
      {{"ramps.pal"}, "the line that names the file written"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    Put("ramps.pal", RampsPal());
    const Outcome outcome = Run(c.args, "", Stdout::Full);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "palconv: standard output: No space left on device\n");
  }
}

}  // namespace
}  // namespace palconv::test
