#include "catalogue.h"

#include <initializer_list>
#include <mutex>

#include "properties.h"
#include "support.h"
#include "varnel/act.h"
#include "varnel/file_error.h"
#include "varnel/palette_file.h"

namespace varnel::hostile {
namespace {

constexpr std::size_t kTenMegabytes = 10 * 1000 * 1000;

COLORREF Rgb(int red, int green, int blue) { return MakeColor(red, green, blue); }

Outcome Gives(const Palette& palette) {
  return {[palette](const fs::path&) { return palette; }, {}};
}

Outcome Fails(std::string reason) { return {{}, std::move(reason)}; }

// The ACT layout itself: entry i is bytes 3i, 3i + 1, 3i + 2 of the file; bytes the file
// does not have count as zero.
Outcome GivesItsFirst768Bytes() {
  return {[](const fs::path& path) {
            const std::string bytes = ReadBytes(path);
            auto byte = [&bytes](std::size_t at) {
              return at < bytes.size() ? static_cast<unsigned char>(bytes[at]) : 0;
            };
            Palette palette{};
            for (std::size_t i = 0; i < kPaletteSize; ++i) {
              palette[i] = Rgb(byte(3 * i), byte(3 * i + 1), byte(3 * i + 2));
            }
            return palette;
          },
          {}};
}

// Whatever the plain line-by-line reading gives, for inputs too random to work out by hand.
Outcome GivesWhatItsLinesSay() {
  return {[](const fs::path& path) { return fuzz::ModelJascPal(ReadBytes(path)); }, {}};
}

Palette Uniform(COLORREF color) {
  Palette palette;
  palette.fill(color);
  return palette;
}

// The listed entries first, then the last of them repeated, as a short JASC-PAL file reads.
Palette Listed(std::initializer_list<COLORREF> colors) {
  Palette palette;
  std::size_t i = 0;
  for (COLORREF color : colors) palette[i++] = color;
  for (; i < kPaletteSize; ++i) palette[i] = palette[i - 1];
  return palette;
}

Palette With(Palette palette, std::size_t index, COLORREF color) {
  palette[index] = color;
  return palette;
}

Palette PatternPrefix(std::size_t count) {
  Palette palette = Pattern();
  for (std::size_t i = count; i < kPaletteSize; ++i) palette[i] = palette[count - 1];
  return palette;
}

// "header-only.pal" gives "HeaderOnlyPal".
std::string LabelOf(const std::string& name) {
  std::string label;
  bool upper = true;
  for (const char c : name) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (letter || (c >= '0' && c <= '9')) {
      label += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      upper = false;
    } else {
      upper = true;
    }
  }
  return label;
}

std::string JascLines(std::size_t first, std::size_t count) {
  std::string text;
  for (std::size_t i = first; i < first + count; ++i) {
    text += std::to_string(i) + ' ' + std::to_string(i + 1) + ' ' + std::to_string(i + 2) + "\r\n";
  }
  return text;
}

const std::string kHeader = "JASC-PAL\r\n0100\r\n256\r\n";

// The inputs that are too big to keep, or that are not plain files. Each is made in the
// scratch folder when a test first needs it.
void AddMadeInputs(const fs::path& dir, std::vector<Input>& inputs) {
  auto made = [&inputs](std::string label, fs::path path, std::function<void()> make,
                        Outcome outcome, std::string why, bool unprivileged = false) {
    inputs.push_back({std::move(label), std::move(path), std::move(outcome), std::move(why),
                      unprivileged, std::move(make)});
  };
  auto write = [](fs::path path, std::function<std::string()> bytes) {
    return [path = std::move(path), bytes = std::move(bytes)] { WriteBytes(path, bytes()); };
  };
  auto pattern_text = [] { return ReadBytes(CatalogueFiles() / "written.pal"); };
  auto entries_only = [pattern_text] { return pattern_text().substr(kHeader.size()); };

  made("HugeHeaderLine", dir / "huge-header-line.pal",
       write(dir / "huge-header-line.pal",
             [=] {
               return std::string(kTenMegabytes, 'x') + "\r\n0100\r\n256\r\n" + entries_only();
             }),
       Gives(Pattern()),
       "a first line of 10 MB is skipped in bounded memory; the entries after it read");

  made("HugeNumberLine", dir / "huge-number-line.pal",
       write(dir / "huge-number-line.pal",
             [] { return kHeader + std::string(kTenMegabytes, '7') + " 1 2\r\n"; }),
       Gives(Uniform(Rgb(113, 1, 2))),
       "a number of ten million sevens is 113 modulo 256 (as is every run of 8 or more)");

  made("HugeJunkLine", dir / "huge-junk-line.pal",
       write(dir / "huge-junk-line.pal",
             [] {
               return kHeader + std::string(kTenMegabytes / 2, ' ') + "1 2 3" +
                      std::string(kTenMegabytes / 2, 'z') + "\r\n4 5 6\r\n";
             }),
       Gives(Listed({Rgb(1, 2, 3), Rgb(4, 5, 6)})),
       "5 MB of blanks before the numbers and 5 MB of text after them, on one line");

  Palette counted;
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    counted[i] = Rgb(static_cast<int>(i), static_cast<int>(i + 1), static_cast<int>(i + 2));
  }
  made("HundredThousandLines", dir / "hundred-thousand-lines.pal",
       write(dir / "hundred-thousand-lines.pal", [] { return kHeader + JascLines(0, 100'000); }),
       Gives(counted), "100,000 entry lines: the first 256 are read, the rest never");

  made("HundredThousandEmptyLines", dir / "hundred-thousand-empty-lines.pal",
       write(dir / "hundred-thousand-empty-lines.pal", [] { return std::string(100'000, '\n'); }),
       Gives(Uniform(Rgb(0, 0, 0))), "100,000 empty lines read as 256 empty entry lines");

  made("MegabyteAct", dir / "megabyte.act",
       write(dir / "megabyte.act",
             [] { return EncodeAct(Pattern()) + std::string((1 << 20) - kActSize, '\xff'); }),
       Gives(Pattern()), "an ACT file of 1 MiB: only its first 768 bytes are read");

  for (const char* name : {"folder.act", "folder.pal"}) {
    made(
        LabelOf(name), dir / name,
        [folder = dir / name] {
          fs::create_directory(folder);
          WriteBytes(folder / "inside.pal", kHeader);
        },
        Fails("Is a folder, not a file"), "a folder with a palette's name cannot be read as one");
  }
  made(
      "MissingAct", dir / "missing.act", [] {}, Fails("No such file or directory"), "no such file");
  made(
      "MissingPal", dir / "missing.pal", [] {}, Fails("No such file or directory"), "no such file");
  made(
      "DanglingLink", dir / "dangling.pal",
      [dir] { fs::create_symlink(dir / "gone.pal", dir / "dangling.pal"); },
      Fails("No such file or directory"), "a symbolic link to a file that is not there");
  made(
      "LinkLoop", dir / "loop.pal", [dir] { fs::create_symlink("loop.pal", dir / "loop.pal"); },
      Fails("Too many levels of symbolic links"), "a symbolic link to itself");
  made("ThroughAFile", dir / "plain.pal" / "x.pal", write(dir / "plain.pal", pattern_text),
       Fails("Not a directory"), "a path that goes through a regular file as if it were a folder");
  made(
      "NameTooLong", dir / (std::string(300, 'n') + ".pal"), [] {}, Fails("File name too long"),
      "a file name of 304 characters, more than a folder entry can hold");

  fs::path deep = dir;
  while (deep.native().size() < 300) deep /= std::string(40, 'd');
  made(
      "LongPath", deep / "long.pal",
      [deep, pattern_text] {
        fs::create_directories(deep);
        WriteBytes(deep / "long.pal", pattern_text());
      },
      Gives(Pattern()), "a path of more than 300 characters reads like any other");
  made(
      "LinkToAFile", dir / "link.pal",
      [dir, pattern_text] {
        WriteBytes(dir / "linked.pal", pattern_text());
        fs::create_symlink(dir / "linked.pal", dir / "link.pal");
      },
      Gives(Pattern()), "a symbolic link reads as the file it names");
  made(
      "Unreadable", dir / "unreadable.pal",
      [dir, pattern_text] {
        WriteBytes(dir / "unreadable.pal", pattern_text());
        fs::permissions(dir / "unreadable.pal", fs::perms::none);
      },
      Fails("Permission denied"), "a file without read permission, read by a user not root", true);
  made(
      "DevNull", "/dev/null", [] {}, Gives(Uniform(Rgb(0, 0, 0))),
      "a device with nothing in it reads like an empty file");
}

std::vector<Input> MakeCatalogue(const ScratchDir& scratch) {
  const COLORREF black = Rgb(0, 0, 0);
  // Committed files: name, outcome, why.
  const struct {
    const char* name;
    Outcome outcome;
    const char* why;
  } files[] = {
      {"empty.pal", Gives(Uniform(black)), "no lines: every entry line reads as empty, from 0 0 0"},
      {"header-only.pal", Gives(Uniform(black)), "the three header lines and nothing else"},
      {"header-unterminated.pal", Gives(Uniform(black)), "the count line lacks its line end"},
      {"bom-utf8.pal", Gives(Listed({Rgb(255, 0, 0), Rgb(0, 0, 255)})),
       "the byte-order mark lies in the first line, which is never looked at"},
      {"bom-utf16le.pal", Gives(Uniform(black)),
       "UTF-16: every line after a line feed starts with its NUL partner byte"},
      {"nul-bytes.pal",
       Gives(Listed({Rgb(10, 20, 0), Rgb(10, 20, 0), Rgb(70, 20, 0), Rgb(1, 2, 3)})),
       "a NUL byte ends what a line gives"},
      {"nul-in-header.pal", Gives(Pattern()), "NUL bytes in the header lines do no harm"},
      {"cr-only.pal", Gives(Uniform(black)),
       "CR line ends only: no line feed, so the whole file is the first header line"},
      {"cr-inside-line.pal", Gives(Listed({Rgb(1, 2, 3), Rgb(4, 5, 6), Rgb(7, 5, 6)})),
       "a CR not followed by LF is white space inside the line"},
      {"lf-only.pal", Gives(Pattern()), "LF line ends read like CR LF"},
      {"forty-digits.pal", Gives(Listed({Rgb(255, 7, 255), Rgb(200, 255, 0)})),
       "numbers of 39 and 40 digits (10^39 + 7, 2^128 + 200, ...) taken modulo 256"},
      {"beyond-int.pal", Gives(Listed({Rgb(17, 255, 0), Rgb(0, 255, 255)})),
       "2^32 + 17, -(2^31 + 1), 2^64, 2^63 - 1: wrapped, never clamped"},
      {"signs-without-digits.pal",
       Gives(Listed({Rgb(9, 8, 7), Rgb(9, 8, 7), Rgb(1, 8, 7), Rgb(1, 8, 7), Rgb(1, 8, 7),
                     Rgb(1, 8, 7), Rgb(4, 5, 7), Rgb(7, 0, 0)})),
       "a sign without a digit after it ends the numbers of its line"},
      {"count-says-16.pal", Gives(PatternPrefix(16)),
       "16 entries: the count line is not read, the 16th entry repeats to the end"},
      {"count-lies.pal", Gives(Pattern()), "the count line says 2; all 256 entries are read"},
      {"extra-lines.pal", Gives(Pattern()), "44 lines after the 256th entry are not read"},
      {"missing-components.pal",
       Gives(Listed({Rgb(1, 2, 3), Rgb(10, 20, 3), Rgb(10, 20, 3), Rgb(30, 20, 3)})),
       "components a line lacks keep the entry before's"},
      {"trailing-text.pal", Gives(Listed({Rgb(1, 2, 3), Rgb(7, 8, 9), Rgb(10, 11, 12)})),
       "text after the third number is ignored"},
      {"dashes.pal", Gives(Listed({Rgb(1, 254, 253), Rgb(1, 2, 3)})),
       "1-2-3 is 1, -2, -3; +1+2+3 is 1, 2, 3"},
      {"out-of-range.pal", Gives(Listed({Rgb(0, 255, 44), Rgb(0, 255, 1)})),
       "values outside 0..255 are cut to 8 bits"},
      {"odd-whitespace.pal", Gives(Listed({Rgb(12, 34, 56), Rgb(7, 8, 9)})),
       "spaces, tabs, vertical tabs and form feeds separate numbers"},
      {"no-final-newline.pal", Gives(Pattern()), "the last entry line has no line end"},
      {"wrong-magic.pal", Gives(Pattern()), "a different first line; the header is not checked"},
      {"ctrl-z.pal", Gives(Listed({Rgb(1, 2, 3), Rgb(1, 2, 3), Rgb(4, 5, 6)})),
       "Ctrl-Z is an ordinary character, not an end of file"},
      {"letters-first.pal", Gives(Uniform(Rgb(5, 5, 5))),
       "lines that start with a letter or # give no number"},
      {"written.pal", Gives(Pattern()), "a file as the program writes it"},
      {"no-extension", Gives(Pattern()), "no extension: read as JASC-PAL"},
      {"palette-\u00fcn\u00efc\u00f6d\u00e9-\u8272.pal", Gives(Pattern()),
       "a name with letters from beyond ASCII"},
      {"noise.pal", GivesWhatItsLinesSay(), "4 KiB of random bytes: no error, a defined table"},
      {"noise-no-lf.pal", Gives(Uniform(black)),
       "4 KiB of random bytes without a line feed: one header line"},
      {"riff-palette.pal", Gives(Uniform(black)),
       "a RIFF palette is not recognised; its bytes hold no line feed"},
      {"act-as-pal.pal", Gives(Uniform(black)),
       "an ACT table named .pal is read as text; its one LF byte (green 10) makes two lines"},
      {"empty.act", Gives(Uniform(black)), "an ACT file of 0 bytes: all black"},
      {"one-byte.act", Gives(With(Uniform(black), 0, Rgb(200, 0, 0))),
       "1 byte: entry 0's red, the rest black"},
      {"short-767.act", Gives(With(Pattern(), 255, Rgb(255, 0, 0))),
       "767 bytes: entry 255 lacks its blue"},
      {"exact-768.act", Gives(Pattern()), "a whole ACT table"},
      {"long-769.act", Gives(Pattern()), "a byte after the table is ignored"},
      {"long-772.act", Gives(Pattern()),
       "a 4-byte trailer (count 16, no transparency) is ignored; all 256 entries read"},
      {"UPPER.ACT", Gives(Pattern()), "ACT in capitals selects ACT"},
      {"Mixed.aCt", Gives(Pattern()), "ACT in mixed case selects ACT"},
      {"jasc-as-act.act", GivesItsFirst768Bytes(),
       "JASC-PAL text named .act: its first 768 bytes are colours"},
  };
  std::vector<Input> inputs;
  for (const auto& file : files) {
    inputs.push_back(
        {LabelOf(file.name), CatalogueFiles() / file.name, file.outcome, file.why, false, {}});
  }
  AddMadeInputs(scratch.path(), inputs);
  return inputs;
}

ReadResult ReadNow(const fs::path& path) {
  ReadResult result;
  try {
    result.table = ReadPaletteFile(path, FormatForExtension(ExtensionOf(path)));
  } catch (const FileError& error) {
    result.error_path = PathText(error.path());
    result.reason = error.reason();
  }
  return result;
}

}  // namespace

Palette Pattern() {
  Palette palette;
  for (std::size_t i = 0; i < kPaletteSize; ++i) {
    const int n = static_cast<int>(i);
    palette[i] = MakeColor(n, 255 - n, 3 * n);
  }
  return palette;
}

fs::path CatalogueFiles() { return fs::path(VARNEL_CATALOGUE_DIR) / "files"; }

const std::vector<Input>& Catalogue() {
  static const ScratchDir scratch;  // removed when the process ends
  static const std::vector<Input> inputs = MakeCatalogue(scratch);
  return inputs;
}

void Prepare(const Input& input) {
  if (input.make) std::call_once(*input.made, input.make);
}

ReadResult ReadAsThePrograms(const Input& input) {
  Prepare(input);
  if (!input.unprivileged) return ReadNow(input.path);
  // Read in a child that gave up root; the result comes back as "T" and the 768 table
  // bytes, or "E", the path, a NUL and the reason.
  const std::string report = InChild([&input]() -> std::string {
    if (std::string problem = DropPrivileges(); !problem.empty()) return "X" + problem;
    const ReadResult result = ReadNow(input.path);
    if (result.table) return "T" + EncodeAct(*result.table);
    return "E" + result.error_path + '\0' + result.reason;
  });
  ReadResult result;
  if (report.starts_with('T') && report.size() == 1 + kActSize) {
    result.table = DecodeAct(std::string_view(report).substr(1));
  } else if (report.starts_with('E') && report.find('\0') != std::string::npos) {
    result.error_path = report.substr(1, report.find('\0') - 1);
    result.reason = report.substr(report.find('\0') + 1);
  } else {
    result.reason = "child could not read: " + report;
  }
  return result;
}

}  // namespace varnel::hostile
