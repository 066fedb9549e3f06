// palconv end to end: the real binary runs in a scratch folder; its exit status, both
// output streams and the files it wrote are checked exactly. Expected palettes are the
// checked-in pair tests/data/ramps.pal and ramps.act, or written out here the plain way.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "files.h"

namespace palconv {
namespace {

namespace fs = std::filesystem;
using Rgb = std::array<int, 3>;
using Args = std::vector<std::string>;

// Where palconv's standard output goes.
enum class Stdout {
  File,      // a scratch file, collected into Outcome::out
  Terminal,  // a pseudo-terminal, collected into Outcome::out (it turns "\n" into "\r\n")
  Full,      // /dev/full: every write fails with "No space left on device"
};

struct Outcome {
  int status = -1;  // exit status, or -1 when the child did not exit normally
  std::string out;
  std::string err;
};

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// An unnamed scratch file holding `bytes`, positioned at its start.
File Scratch(std::string_view bytes = {}) {
  File file(std::tmpfile(), &std::fclose);
  if (!file) throw std::system_error(errno, std::generic_category(), "tmpfile");
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file.get());
  std::rewind(file.get());
  return file;
}

// Everything a file holds, or everything a terminal gives until its other end is closed.
std::string Drain(int fd) {
  ::lseek(fd, 0, SEEK_SET);  // fails harmlessly on a terminal
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  return text;
}

// Runs palconv with `args` in `folder`, with `input` as its standard input.
Outcome RunPalconv(const fs::path& folder, const Args& args, std::string_view input, Stdout out) {
  const File in = Scratch(input), out_file = Scratch(), err = Scratch();
  int terminal = -1, child_out = fileno(out_file.get());
  if (out == Stdout::Terminal && ::openpty(&terminal, &child_out, nullptr, nullptr, nullptr) != 0)
    throw std::system_error(errno, std::generic_category(), "openpty");
  if (out == Stdout::Full) child_out = ::open("/dev/full", O_WRONLY);

  std::vector<std::string> strings{PALCONV_BINARY};
  strings.insert(strings.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(folder.c_str()) != 0 || ::dup2(fileno(in.get()), 0) < 0 ||
        ::dup2(child_out, 1) < 0 || ::dup2(fileno(err.get()), 2) < 0)
      ::_exit(126);
    if (terminal >= 0) ::close(terminal);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  Outcome outcome;
  if (out != Stdout::File) ::close(child_out);
  // A terminal holds only a little output: read it while the child writes, to its end.
  if (terminal >= 0) {
    outcome.out = Drain(terminal);
    ::close(terminal);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (out == Stdout::File) outcome.out = Drain(child_out);
  outcome.err = Drain(fileno(err.get()));
  return outcome;
}

using varnel::test::ReadBytes;

const std::string kPal = ReadBytes(fs::path(VARNEL_TEST_DATA) / "ramps.pal");
const std::string kAct = ReadBytes(fs::path(VARNEL_TEST_DATA) / "ramps.act");

// The colours of the ramps pair: entry i is (i, 255 - i, 7i + 3 cut to 8 bits).
Rgb Ramp(int i) { return {i, 255 - i, (7 * i + 3) & 0xFF}; }

std::string Text(const Rgb& c, char separator = ' ') {
  return std::to_string(c[0]) + separator + std::to_string(c[1]) + separator + std::to_string(c[2]);
}

// A JASC-PAL text of `head`, its last colour repeated to 256 entries.
std::string JascOf(std::vector<Rgb> head) {
  head.resize(256, head.back());
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (const Rgb& c : head) text += Text(c) + "\r\n";
  return text;
}

std::string RampListing(std::string_view eol) {
  std::string text;
  for (int i = 0; i < 256; ++i) text += std::to_string(i) + ": " + Text(Ramp(i)) + std::string(eol);
  return text;
}

class Palconv : public ::testing::Test {
 protected:
  void Put(const std::string& name, std::string_view bytes) const {
    varnel::test::WriteBytes(dir_ / name, bytes);
  }
  std::string Get(const std::string& name) const {
    return fs::exists(dir_ / name) ? ReadBytes(dir_ / name) : "(no file)";
  }
  // Every file and folder in the scratch folder.
  std::set<std::string> Entries() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.insert(entry.path().filename());
    return names;
  }
  Outcome Run(const Args& args, std::string_view input = {}, Stdout out = Stdout::File) const {
    return RunPalconv(dir_, args, input, out);
  }

  varnel::test::TempDir scratch_;
  const fs::path& dir_ = scratch_.path();
};

TEST_F(Palconv, WritesTheFormatItsRulesSelect) {
  const std::pair<const char*, std::string> sources[] = {
      {"sky.pal", kPal},   {"sea.act", kAct},   {"plain", kPal},
      {"-dash.pal", kPal}, {"looks.pal", kAct}, {"raw\xff.act", kAct}};
  for (const auto& [name, bytes] : sources) Put(name, bytes);
  Put("short.pal", "JASC-PAL\n0100\n3\n1 2 3\n4 5 6\n7 8 9\n");
  const struct {
    Args args;
    std::string input;  // standard input
    const char* target;
    std::string expected;
    const char* why;
  } cases[] = {
      {{"sky.pal"}, "", "sky.act", kAct, "beside itself a pal file becomes an ACT table"},
      {{"sea.act"}, "", "sea.pal", kPal, "and an ACT table JASC-PAL text"},
      {{"plain"}, "", "plain.pal", kPal, "a name without extension gains .pal"},
      {{"--", "-dash.pal"}, "", "-dash.act", kAct, "a name like an option, after --"},
      {{"--from", "act", "looks.pal"}, "", "looks.act", kAct, "--from decides the reading only"},
      {{"raw\xff.act"}, "", "raw\xff.pal", kPal, "a name that is not UTF-8 still works"},
      {{"-o", "out", "sea.act"}, "", "out", kPal, "-o OUT without extension is JASC-PAL"},
      {{"--to", "act", "-o", "forced.pal", "sky.pal"},
       "",
       "forced.pal",
       kAct,
       "--to beats the name"},
      {{"--from", "act", "-o", "out.pal", "looks.pal"}, "", "out.pal", kPal, "--from too"},
      {{"--from", "ACT", "--to", "Act", "-o", "out.x", "looks.pal"},
       "",
       "out.x",
       kAct,
       "format names in any case"},
      {{"--from", "act", "-", "-o", "stdin.pal"}, kAct, "stdin.pal", kPal, "standard input"},
      {{"-o", "short.pal", "short.pal"},
       "",
       "short.pal",
       JascOf({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}),
       "a file rewritten from what was read of it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const Outcome outcome = Run(c.args, c.input);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, std::string("Pallete saved as ") + c.target + "\n");
    EXPECT_EQ(Get(c.target), c.expected);
  }
  for (const auto& [name, bytes] : sources) EXPECT_EQ(Get(name), bytes) << name << " changed";
}

TEST_F(Palconv, StandardStreamsCarryPalettes) {
  std::string long_lines = "JASC-PAL\r\n0100\r\n256\r\n";
  for (int i = 0; i < 256; ++i) long_lines += Text(Ramp(i)) + ' ' + std::string(200, 'x') + "\n";
  Put("ramps.act", kAct);
  const struct {
    Args args;
    std::string input;
    std::string out;
    const char* why;
  } cases[] = {
      {{"-", "-o", "-"}, "JASC-PAL\n0100\n2\n9 8 7\n", JascOf({{9, 8, 7}}), "JASC-PAL by default"},
      {{"--from", "act", "-", "-o", "-"}, kAct, kPal, "--from act reads a table"},
      {{"-", "-o", "-", "--to", "act"}, kPal, kAct, "--to act writes a table"},
      {{"--from", "act", "--to", "act", "-", "-o", "-"},
       kAct + "tail",
       kAct,
       "bytes after the 768th play no role"},
      {{"--from", "act", "-", "-o", "-"},
       "\x01\x02\x03\x04\x05\x06",
       JascOf({{1, 2, 3}, {4, 5, 6}, {0, 0, 0}}),
       "a short table leaves the rest black"},
      {{"-", "-o", "-"}, long_lines, kPal, "lines longer than one read"},
      {{"ramps.act", "-o", "-"}, "", kPal, "a named file to standard output"},
      {{"--show", "--from", "act", "-"}, kAct, RampListing("\n"), "--show lists every entry"},
      {{"--show", "ramps.act"}, "", RampListing("\n"), "without colours when not on a terminal"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const Outcome outcome = Run(c.args, c.input);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, c.out);
  }
}

TEST_F(Palconv, ShowDrawsAColourGridOnATerminal) {
  Put("ramps.pal", kPal);
  // After the listing, 16 rows of 16 cells: two blanks on the entry's colour, then a reset.
  std::string expected = RampListing("\r\n");
  for (int i = 0; i < 256; ++i) {
    expected += "\x1b[48;2;" + Text(Ramp(i), ';') + "m  ";
    if (i % 16 == 15) expected += "\x1b[0m\r\n";
  }
  const Outcome outcome = Run({"--show", "ramps.pal"}, "", Stdout::Terminal);
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(outcome.out, expected);
}

TEST_F(Palconv, FailureNamesTheFileAndTheOthersGoOn) {
  Put("t.pal", kPal);
  Put("good.pal", kPal);
  fs::create_directory(dir_ / "t.act");
  Outcome outcome = Run({"t.pal", "good.pal"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "Pallete saved as good.act\n");
  EXPECT_EQ(outcome.err, "palconv: t.act: Is a folder, not a file\n")
      << "the target, not the source";
  EXPECT_EQ(Entries(), (std::set<std::string>{"good.act", "good.pal", "t.act", "t.pal"}));
  EXPECT_EQ(Get("good.act"), kAct);

  outcome = Run({"--show", "gone.act"});
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.out, "");
  EXPECT_EQ(outcome.err, "palconv: gone.act: No such file or directory\n");
}

TEST_F(Palconv, FullStandardOutputIsAFailure) {
  Put("ramps.pal", kPal);
  const Args cases[] = {{"--show", "ramps.pal"}, {"ramps.pal", "-o", "-"}, {"ramps.pal"}};
  for (const Args& args : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    const Outcome outcome = Run(args, "", Stdout::Full);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "palconv: standard output: No space left on device\n");
  }
}

TEST_F(Palconv, UsageErrorsChangeNothing) {
  const struct {
    Args args;
    std::string message;  // the first line, after "palconv: "; CLI11's own only in part
    const char* why;
    bool exact = true;
  } cases[] = {
      {{}, "no FILE given", "nothing to do"},
      {{"--bogus", "a.pal"}, "--bogus", "an unknown option", false},
      {{"--from", "gif", "a.pal"},
       "--from: 'gif' is not a palette format (act or pal)",
       "bad --from"},
      {{"--to", "bmp", "-o", "x", "a.pal"},
       "--to: 'bmp' is not a palette format (act or pal)",
       "bad --to"},
      {{"-o", "out.act", "a.pal", "b.pal"},
       "-o writes one FILE, 2 were given",
       "two inputs, one -o"},
      {{"--show", "a.pal", "b.pal"}, "--show lists one FILE, 2 were given", "two files to show"},
      {{"--show", "-o", "x.act", "a.pal"}, "--show and -o cannot be used together", "both at once"},
      {{"--to", "act", "a.pal"},
       "--to applies to -o OUT only",
       "--to would write a.act in a format its name does not say"},
      {{"a.pal", "-"}, "'-' (standard input) needs -o OUT or --show", "no name to convert beside"},
      {{""}, "empty file name", "an empty FILE"},
      {{"-o", "", "a.pal"}, "empty file name", "an empty OUT"},
  };
  Put("a.pal", kPal);
  Put("b.pal", kPal);
  const std::set<std::string> before = Entries();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    const Outcome outcome = Run(c.args);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    const std::string first = outcome.err.substr(0, outcome.err.find('\n'));
    if (c.exact) {
      EXPECT_EQ(first, "palconv: " + c.message);
    } else {
      EXPECT_TRUE(first.starts_with("palconv: ") && first.find(c.message) != std::string::npos)
          << first;
    }
    EXPECT_EQ(outcome.err.substr(first.size()), "\nTry 'palconv --help' for more information.\n");
    EXPECT_EQ(Entries(), before);
  }
}

TEST_F(Palconv, HelpAndVersionAnswerAndConvertNothing) {
  Put("a.pal", kPal);
  const Outcome version = Run({"--version", "a.pal"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("palconv ") + PALCONV_VERSION + "\n");
  const Outcome help = Run({"a.pal", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: palconv"), std::string::npos);
  EXPECT_NE(help.out.find("Exit status: 0"), std::string::npos);
  EXPECT_EQ(version.err + help.err, "");
  EXPECT_EQ(Entries(), std::set<std::string>{"a.pal"});
}

}  // namespace
}  // namespace palconv
