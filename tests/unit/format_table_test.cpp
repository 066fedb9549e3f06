// kFormats against what is written elsewhere by hand: docs/formats.md's table and the
// installer's Open With list; and the dialogs' filter made from it.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support.h"
#include "varnel/format.h"

namespace varnel::test {
namespace {

// The lines of a repository file from the one starting with `first` up to the one before
// the first line after it that does not start with `more`.
std::vector<std::string> Lines(const fs::path& file, std::string_view first,
                               std::string_view more) {
  std::ifstream in(TestFile("..") / file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (lines.empty() ? !line.starts_with(first) : !line.starts_with(more)) {
      if (!lines.empty()) break;
      continue;
    }
    lines.push_back(line);
  }
  return lines;
}

// The cells of a Markdown table's row, without their blanks.
std::vector<std::string> Cells(const std::string& row) {
  std::vector<std::string> cells;
  for (std::istringstream in(row.substr(1)); std::getline(in, cells.emplace_back(), '|');) {
    cells.back().erase(0, cells.back().find_first_not_of(' '));
    cells.back().erase(cells.back().find_last_not_of(' ') + 1);
  }
  cells.pop_back();
  return cells;
}

std::string Extensions(const FormatInfo& info) {
  std::string list;
  for (const std::string_view ext : info.extensions)
    if (!ext.empty()) list.append(list.empty() ? "`." : ", `.").append(ext) += "`";
  return list;
}

// Its rows in the table's order: short name, title, extensions, and in "Read from" exactly
// the extensions that choose the format (those of a format the window program offers).
TEST(FormatTable, IsTheTableOfDocsFormatsMd) {
  const auto lines = Lines("docs/formats.md", "| `--from`/`--to` |", "|");
  ASSERT_EQ(lines.size(), kFormats.size() + 2) << "a row too many or too few";
  for (std::size_t row = 0; row < kFormats.size(); ++row) {
    const FormatInfo& info = kFormats[row];
    const auto cells = Cells(lines[row + 2]);
    ASSERT_EQ(cells.size(), 5u) << lines[row + 2];
    EXPECT_EQ(cells[0], "`" + std::string(info.name) + "`");
    EXPECT_EQ(cells[1], info.title);
    EXPECT_EQ(cells[2], Extensions(info));
    std::string chosen;  // each `.ext` in it
    for (std::size_t at = 0; (at = cells[3].find("`.", at)) != std::string::npos;) {
      const std::size_t end = std::min(cells[3].find('`', at + 1), cells[3].size()) + 1;
      chosen.append(chosen.empty() ? "" : ", ").append(cells[3], at, end - at);
      at = end;
    }
    EXPECT_EQ(chosen, info.offered() ? Extensions(info) : "") << "Read from: " << cells[3];
  }
}

// The installer's list is read from the table's text by cmake/open_with.cmake.
TEST(FormatTable, IsWhatTheInstallerOffersToOpen) {
  std::string offered;
  for (const FormatInfo& info : kFormats)
    for (const std::string_view ext : info.extensions)
      if (info.openWith && !ext.empty()) offered.append(offered.empty() ? "." : " .").append(ext);
  EXPECT_EQ(VARNEL_OPEN_WITH, offered);
}

// The dialogs keep their entries, first and in order, and end in "All files"; a group of
// formats shares one entry, where its first stands, and Save as leaves out what is only read.
TEST(FileDialogFilter, KeepsItsEntriesAndGathersAGroup) {
  for (const DialogUse use : {DialogUse::Load, DialogUse::SaveAs}) {
    const std::string filter = FileDialogFilter(use);
    EXPECT_TRUE(
        filter.starts_with("Jasc Psp Pallete (*.Pal)|*.pal|Adobe Photoshop Pallete (*.Act)|*.act|"
                           "GIMP Palette (*.gpl)|*.gpl|Lospec Hex Palette (*.hex)|*.hex|"
                           "Photoshop Swatches (*.aco)|*.aco|Adobe Swatch Exchange (*.ase)|*.ase|"))
        << filter;
    EXPECT_TRUE(filter.ends_with("|All files (*.*)|*.*||")) << filter;
  }
  // Only PNG of the three is written.
  std::vector<FormatInfo> rows(kFormats.begin(), kFormats.begin() + 2);
  rows.insert(rows.begin() + 1, {{.name = "png",
                                  .extensions = {"png"},
                                  .title = "PNG",
                                  .decode = nullptr,
                                  .encode = rows[0].encode,
                                  .dialogGroup = "Pictures"},
                                 {.name = "bmp",
                                  .extensions = {"bmp", "dib"},
                                  .title = "BMP",
                                  .decode = nullptr,
                                  .dialogGroup = "Pictures"},
                                 {.name = "tga",
                                  .extensions = {"tga"},
                                  .title = "Targa",
                                  .decode = nullptr,
                                  .dialog = "Targa (*.tga)"}});
  EXPECT_EQ(FileDialogFilter(DialogUse::Load, rows),
            "Jasc Psp Pallete (*.Pal)|*.pal|Pictures (*.png;*.bmp;*.dib)|*.png;*.bmp;*.dib|"
            "Targa (*.tga)|*.tga|Adobe Photoshop Pallete (*.Act)|*.act|All files (*.*)|*.*||");
  EXPECT_EQ(FileDialogFilter(DialogUse::SaveAs, rows),
            "Jasc Psp Pallete (*.Pal)|*.pal|Pictures (*.png)|*.png|"
            "Adobe Photoshop Pallete (*.Act)|*.act|All files (*.*)|*.*||");
}

}  // namespace
}  // namespace varnel::test
