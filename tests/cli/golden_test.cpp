// Golden files: the hostile-input catalogue (catalogue/manifest.txt), each input read as the
// window program's Load reads it and converted by palconv, and palconv's command lines
// (cli/cases.txt).
#include <fnmatch.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "properties.h"
#include "support.h"
#include "varnel/palette_file.h"
#include "varnel/source_colors.h"

namespace varnel::test {
namespace {

const fs::path kHere = TestFile("catalogue");

// The lines of a manifest under tests/ that hold a '|': the line's number, then its fields.
using Row = std::vector<std::string>;
std::vector<Row> Manifest(const char* name) {
  std::vector<Row> rows;
  std::ifstream in(TestFile(name));
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.starts_with('#') || line.find('|') == std::string::npos) continue;
    rows.push_back({std::to_string(number)});
    for (std::istringstream fields(line); std::getline(fields, line, '|');) {
      line.erase(0, line.find_first_not_of(' '));
      rows.back().push_back(line.erase(line.find_last_not_of(' ') + 1));
    }
    rows.back().resize(7);
  }
  return rows;
}
std::string RowName(const testing::TestParamInfo<Row>& row) { return "line" + row.param[0]; }

// A screenshot of 3,840 × 2,160 24-bit pixels (24.9 MB, more than a palette file may be): four
// bands, top to bottom, and one pixel of a fifth colour at the bottom right. BMP keeps rows
// bottom-up, so that pixel is among the first bytes read.
std::string Screenshot() {
  constexpr std::uint32_t kWidth = 3840, kHeight = 2160, kStride = kWidth * 3;
  constexpr unsigned char kBands[4][3] = {{200, 10, 10}, {10, 200, 10}, {10, 10, 200}, {250, 250, 250}};
  auto le = [](std::uint32_t value, int size) {
    std::string bytes;
    for (int i = 0; i < size; ++i) bytes += static_cast<char>(value >> 8 * i);
    return bytes;
  };
  std::string bmp = "BM" + le(54 + kStride * kHeight, 4) + le(0, 4) + le(54, 4) + le(40, 4) +
                    le(kWidth, 4) + le(kHeight, 4) + le(1, 2) + le(24, 2) + std::string(24, '\0');
  for (std::uint32_t row = 0; row < kHeight; ++row) {  // bottom-up
    const unsigned char* rgb = kBands[(kHeight - 1 - row) * 4 / kHeight];
    std::string line;
    for (std::uint32_t x = 0; x < kWidth; ++x) line += {char(rgb[2]), char(rgb[1]), char(rgb[0])};
    if (row == 0) line.replace(kStride - 3, 3, "\x03\x02\x01");
    bmp += line;
  }
  return bmp;
}

class Catalogue : public testing::TestWithParam<Row> {};

TEST_P(Catalogue, ReadsAsItMustThroughTheLibraryAndPalconv) {
  const std::string &name = GetParam()[1], &gives = GetParam()[2];
  const TempDir dir;
  const bool made = name.starts_with('@'), fails = gives.starts_with('!');
  const fs::path input = made ? dir / name.substr(1) : kHere / "files" / name;  // or absolute
  const std::string pattern = ReadBytes(kHere / "expected/pattern.pal");
  if (name == "@huge-line.pal") WriteBytes(input, std::string(10'000'000, 'x') + pattern.substr(8));
  if (name == "@screenshot.bmp") WriteBytes(input, Screenshot());
  if (name == "@unreadable.pal") {
    WriteBytes(input, pattern);
    fs::permissions(input, fs::perms::none);
  }
  const fs::path palconv = PalconvIn(dir.path), out = dir / "out";
  fs::create_directory(out);
  fs::permissions(out, fs::perms::all);

  // What reading gives, then what palconv says and writes to each target. Made inputs are
  // read by "nobody", for whom permission bits count.
  const Outcome transcript = Fork([&]() -> std::string {
    if (made && !DropPrivileges()) return "cannot become nobody";
    std::string said;
    try {
      PaletteDecoder load = PaletteDecoder::ForExtension(ExtensionOf(input));
      said = Entry({}, Encode(PaletteFormat::Act, ReadPaletteFile(input, load)));
    } catch (const FileError& error) {
      said = error.what();
    }
    for (const fs::path& target : {out / "out.act", out / "out.pal"}) {
      // palconv's warnings are its own business, checked in cli/cases.txt.
      const Outcome run = Spawn({palconv, "-o", target, input});
      std::string err = run.err;
      for (std::size_t at; (at = err.find("palconv: warning: ")) != std::string::npos;)
        err.erase(at, err.find('\n', at) + 1 - at);
      said += "\n" + std::to_string(run.status) + " " + run.out + err +
              (fs::exists(target) ? Entry({}, ReadBytes(target)) : "nothing written");
    }
    return said;
  });

  // The expected table is the golden text read by the line model, not by the code under test.
  const std::string error = PathText(input) + ": " + gives.substr(1);
  const std::string golden = fails ? "" : ReadBytes(kHere / "expected" / gives);
  const std::string act =
      Entry({}, Encode(PaletteFormat::Act, PaletteData(fuzz::ModelJascPal(golden))));
  std::string expected = fails ? error : act;
  // palconv names itself where the library speaks of a palette file.
  std::string palconvError = error;
  if (palconvError.ends_with(", not a palette file"))
    palconvError.replace(palconvError.size() - 4, 4, "palconv reads");
  for (const char* target : {"out.act", "out.pal"}) {
    expected += fails ? "\n1 palconv: " + palconvError + "\nnothing written"
                      : "\n0 Pallete saved as " + PathText(out / target) + "\n" +
                            (target[4] == 'a' ? act : Entry({}, golden));
  }
  EXPECT_EQ(transcript.out + transcript.err, expected);
}

INSTANTIATE_TEST_SUITE_P(Manifest, Catalogue, testing::ValuesIn(Manifest("catalogue/manifest.txt")),
                         RowName);

// The format corpus: each file under formats/ read as its name says, by a format's short name
// ("x.riff.pal" as riff, "x.gpl" as gpl), else as the first format with its extension, against
// the .expect text beside it: its palette (fuzz::Describe) or "! REASON" for a file that must
// be refused. What it gives must then survive every writer.
std::vector<fs::path> FormatFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(TestFile("formats")))
    if (entry.path().extension() != ".expect" && entry.path().extension() != ".py")
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

class Formats : public testing::TestWithParam<fs::path> {};

TEST_P(Formats, ReadAsExpectedAndSurviveEveryWriter) {
  const fs::path& file = GetParam();
  const std::string inner = file.stem().extension().string(), ext = file.extension().string();
  auto format = FormatNamed(inner.empty() ? "" : inner.substr(1));
  if (!format) format = FormatNamed(ext.substr(1));
  for (std::size_t row = 0; row < kFormats.size() && !format; ++row)
    if (std::ranges::count(kFormats[row].extensions, ext.substr(1)) > 0)
      format = PaletteFormat(row);
  PaletteData palette;
  std::string read;
  try {
    palette = ReadPaletteFile(file, format.value());
    // A picture says what kind it is first.
    read = (palette.picture.empty() ? "" : "picture " + palette.picture + "\n") +
           fuzz::Describe(palette);
    // A swatch file's colours as it gave them.
    for (std::size_t i = 0; i < palette.sources.size(); ++i)
      if (palette.sources[i])
        read += "source " + std::to_string(i) + " " + Described(*palette.sources[i]) + "\n";
    // And what the reader said of it.
    for (const std::string& warning : palette.warnings) read += "warning " + warning + "\n";
  } catch (const FileError& error) {
    read = "! " + error.reason() + "\n";
  }
  // VARNEL_UPDATE_EXPECT=1 writes what was read as the file's .expect, to be looked over.
  if (std::getenv("VARNEL_UPDATE_EXPECT") != nullptr) WriteBytes(file.string() + ".expect", read);
  EXPECT_EQ(read, ReadBytes(file.string() + ".expect"));
  EXPECT_EQ(fuzz::CheckInput(fuzz::SelectorOf(*format) + ReadBytes(file)), "");
  // What a picture gives comes back the same from the PNG writer, one row of swatches of 1
  // and of 3 pixels.
  if (palette.picture.empty()) return;
  const PaletteFormat png = *FormatNamed("png");
  for (const int swatch : {1, 3}) {
    const PaletteData back = Decode(png, Encode(png, palette, {.swatch = swatch}));
    EXPECT_EQ(fuzz::Describe(back), fuzz::Describe(palette)) << swatch;
    EXPECT_EQ(back.picture, "indexed, " + std::to_string(palette.count * std::size_t(swatch)) +
                                " \u00D7 " + std::to_string(swatch));
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, Formats, testing::ValuesIn(FormatFiles()), [](const auto& file) {
  std::string name = file.param.filename().string();
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); },
      '_');
  return name;
});

// A palette file collected whole is read up to 16 MiB, and refused one byte past it.
TEST(Formats, ReadAFileOf16MiBAndRefuseOneByteMore) {
  const TempDir scratch;
  const fs::path file = scratch / "big.gpl";
  std::string text = "GIMP Palette\n1 2 3\n";
  text.resize((std::size_t{16} << 20) - 1, '#');
  WriteBytes(file, text + "\n");
  EXPECT_EQ(ReadPaletteFile(file, PaletteFormat::Gpl).colors.at(0), MakeColor(1, 2, 3));
  WriteBytes(file, text + "#\n");
  try {
    ReadPaletteFile(file, PaletteFormat::Gpl);
    ADD_FAILURE() << "a file of 16 MiB and a byte was read";
  } catch (const FileError& error) {
    EXPECT_EQ(error.reason(), "too large for a palette file (over 16 MiB) (read as GIMP palette)");
  }
}

// The short names of the formats, or of those palconv writes, as its messages list them.
std::string FormatNames(bool written) {
  std::string names;
  for (const FormatInfo& info : kFormats)
    if (!written || info.encode) names.append(names.empty() ? "" : ", ").append(info.name);
  return names;
}

// Text with \n and \xHH escapes, {formats} and {written} for those lists of formats and
// {profiles} for the folder of the print profiles, or @PATH: the bytes of tests/PATH.
std::string Field(std::string_view text) {
  if (text.starts_with('@')) return ReadBytes(TestFile(text.substr(1)));
  const std::pair<std::string_view, std::string> words[] = {
      {"{formats}", FormatNames(false)}, {"{written}", FormatNames(true)},
      {"{profiles}", VARNEL_PROFILES_DIR}};
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto word = std::ranges::find_if(
        words, [&](const auto& w) { return text.substr(i).starts_with(w.first); });
    if (word != std::end(words)) {
      bytes += word->second;
      i += word->first.size() - 1;
    } else if (text[i] != '\\' || i + 1 == text.size()) {
      bytes += text[i];
    } else if (const char c = text[++i]; c == 'x') {
      bytes += char(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      bytes += c == 'n' ? '\n' : c;
    }
  }
  return bytes;
}

// The expected text exactly, or a match of the glob pattern after "~".
bool Matches(const std::string& actual, const std::string& field) {
  return field.starts_with('~') ? fnmatch(Field(field.substr(1)).c_str(), actual.c_str(), 0) == 0
                                : actual == Field(field);
}

class Palconv : public testing::TestWithParam<Row> {};

TEST_P(Palconv, DoesWhatItsLineSays) {
  const Row& f = GetParam();  // the line number, ARGS, STDIN, STATUS, STDOUT, STDERR, FILES
  const TempDir dir;
  fs::copy(TestFile("cli/folder"), dir.path,
           fs::copy_options::recursive | fs::copy_options::copy_symlinks);
  std::vector<std::string> argv{VARNEL_PALCONV};
  std::istringstream words(f[1]);
  for (std::string word; words >> word;) argv.push_back(word == "''" ? "" : Field(word));
  const Stdout mode = f[4].starts_with("terminal: ") ? Stdout::Terminal
                      : f[4] == "full"               ? Stdout::Full
                                                     : Stdout::Collect;
  auto expected = Snapshot(dir.path);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  std::istringstream files(f[6]);
  for (std::string file; files >> file;) {
    const std::size_t eq = file.find('=');
    expected[Field(file.substr(0, eq))] =
        Entry(fs::perms(0666 & ~mask), Field(file.substr(eq + 1)));
  }
  const Outcome run = Spawn(argv, Field(f[2]), mode, dir.path);
  EXPECT_EQ(run.status, std::stoi(f[3]));
  EXPECT_TRUE(mode == Stdout::Full ||
              Matches(run.out, f[4].substr(mode == Stdout::Terminal ? 10 : 0)))
      << run.out;
  EXPECT_TRUE(Matches(run.err, f[5])) << run.err;
  EXPECT_EQ(Snapshot(dir.path), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Palconv, testing::ValuesIn(Manifest("cli/cases.txt")), RowName);

}  // namespace
}  // namespace varnel::test
