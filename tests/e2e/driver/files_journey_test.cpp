// Load, Save as and Convert with the real Open and Save As dialogs and message boxes, and the
// palette files they leave on disk, compared byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "journey.h"
#include "resource.h"
#include "screen.h"

namespace varnel::e2e {
namespace {

const std::wstring kSavedAs = L"Pallete saved as ";
const std::wstring kNoCurrentFile = L"There is no palette file to convert. Load or save one first.";

enum class Format { kJascPal, kAct };

Bytes FileOf(Format format, const Palette& palette) {
  return format == Format::kAct ? ActFile(palette) : JascPalFile(palette);
}

using LoadAndConvertJourney = Journey;

TEST_F(LoadAndConvertJourney, LoadShowsTheFilesColoursAndConvertWritesTheOtherFormat) {
  WriteBytes(folder_ / "sky.pal", JascPalFile(Sunset()));
  Load(folder_ / "sky.pal");
  ExpectShown(Sunset());
  EXPECT_EQ(Convert(), kSavedAs + PathText(folder_ / "sky.act"));
  EXPECT_EQ(ReadBytes(folder_ / "sky.act"), ActFile(Sunset()));
  // The current file is still sky.pal: a second Convert writes the same target again.
  fs::remove(folder_ / "sky.act");
  EXPECT_EQ(Convert(), kSavedAs + PathText(folder_ / "sky.act"));
  EXPECT_EQ(ReadBytes(folder_ / "sky.act"), ActFile(Sunset()));
}

struct ConvertCase {
  const char* loaded;
  Format loadedFormat;
  const char* target;
  Format targetFormat;
  const char* why;
};

class ConvertTarget : public Journey, public ::testing::WithParamInterface<ConvertCase> {};

TEST_P(ConvertTarget, FollowsTheLoadedFilesExtension) {
  const ConvertCase& c = GetParam();
  SCOPED_TRACE(c.why);
  WriteBytes(folder_ / c.loaded, FileOf(c.loadedFormat, Sunset()));
  Load(folder_ / c.loaded);
  ExpectShown(Sunset());
  EXPECT_EQ(Convert(), kSavedAs + PathText(folder_ / c.target));
  EXPECT_EQ(ReadBytes(folder_ / c.target), FileOf(c.targetFormat, Sunset()));
}

INSTANTIATE_TEST_SUITE_P(
    Journey, ConvertTarget,
    ::testing::Values(
        ConvertCase{"SKY.ACT", Format::kAct, "SKY.pal", Format::kJascPal,
                    "upper-case ACT reads as ACT; anything but PAL converts to JASC-PAL"},
        ConvertCase{"sky.Pal", Format::kJascPal, "sky.act", Format::kAct,
                    "PAL in any letter case converts to ACT"},
        ConvertCase{"notes.txt", Format::kJascPal, "notes.pal", Format::kJascPal,
                    "other extensions read and convert as JASC-PAL"}));

struct SaveCase {
  const char* saved;
  Format savedFormat;
  const char* target;
  Format targetFormat;
  const char* why;
};

class SaveAsThenConvert : public Journey, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveAsThenConvert, WritesBothFilesInTheirFormats) {
  const SaveCase& c = GetParam();
  SCOPED_TRACE(c.why);
  WriteBytes(folder_ / "in.pal", JascPalFile(Sunset()));
  Load(folder_ / "in.pal");
  SaveAs(folder_ / c.saved);
  EXPECT_EQ(ReadBytes(folder_ / c.saved), FileOf(c.savedFormat, Sunset()));
  // Save as makes the saved file the current one.
  EXPECT_EQ(Convert(), kSavedAs + PathText(folder_ / c.target));
  EXPECT_EQ(ReadBytes(folder_ / c.target), FileOf(c.targetFormat, Sunset()));
}

INSTANTIATE_TEST_SUITE_P(
    Journey, SaveAsThenConvert,
    ::testing::Values(
        SaveCase{"out.TXT", Format::kJascPal, "out.pal", Format::kJascPal,
                 "TXT saves as JASC-PAL text, and converts to JASC-PAL beside it"},
        SaveCase{"out.act", Format::kAct, "out.pal", Format::kJascPal,
                 "ACT saves the 768-byte table; Convert then writes JASC-PAL"},
        SaveCase{"out.PAL", Format::kJascPal, "out.act", Format::kAct,
                 "PAL saves as text; Convert then writes ACT"}));

struct CancelCase {
  int button;
  const wchar_t* caption;
  const char* why;
};

class CancelledFileDialog : public Journey, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelledFileDialog, ChangesNothing) {
  const CancelCase& c = GetParam();
  SCOPED_TRACE(c.why);
  const HWND dialog = Press(c.button, c.caption);
  ASSERT_NE(dialog, nullptr);
  Cancel(dialog);
  ExpectShown(GreenRamp());
  EXPECT_TRUE(FolderContents(folder_).empty()) << "a file was written";
  EXPECT_EQ(Convert(), kNoCurrentFile) << "the cancelled dialog set a current file";
}

INSTANTIATE_TEST_SUITE_P(Journey, CancelledFileDialog,
                         ::testing::Values(CancelCase{IDC_LOAD, L"Open", "Load"},
                                           CancelCase{IDC_SAVEAS, L"Save As", "Save as"}));

using NonAsciiJourney = Journey;

TEST_F(NonAsciiJourney, NamesInAnyScriptGoThroughOpenAndSaveAs) {
  const fs::path sub = folder_ / L"Палитры 日本";
  fs::create_directories(sub);
  WriteBytes(sub / L"夕焼け.pal", JascPalFile(Sunset()));
  Load(sub / L"夕焼け.pal");
  ExpectShown(Sunset());
  SaveAs(sub / L"сохранено.act");
  EXPECT_EQ(ReadBytes(sub / L"сохранено.act"), ActFile(Sunset()));
  EXPECT_EQ(Convert(), kSavedAs + PathText(sub / L"сохранено.pal"));
  EXPECT_EQ(ReadBytes(sub / L"сохранено.pal"), JascPalFile(Sunset()));
}

using NoCurrentFileJourney = Journey;

TEST_F(NoCurrentFileJourney, ConvertSaysSoAndWritesNothing) {
  EXPECT_EQ(Convert(), kNoCurrentFile);
  EXPECT_TRUE(FolderContents(folder_).empty()) << "Convert wrote into the current folder";
}

using FailedReadJourney = Journey;

TEST_F(FailedReadJourney, MissingFileIsReportedAndChangesNothing) {
  const fs::path missing = folder_ / "missing.act";
  Load(missing);
  const std::wstring text = ReadAndClose(WaitForMessageBox());
  EXPECT_NE(text.find(L"\"" + PathText(missing) + L"\""), std::wstring::npos)
      << "the error does not name the file";
  EXPECT_GT(text.size(), PathText(missing).size() + 10) << "the error gives no reason";
  ExpectShown(GreenRamp());
  EXPECT_EQ(Convert(), kNoCurrentFile) << "the failed Load became the current file";
}

using FailedWriteJourney = Journey;

TEST_F(FailedWriteJourney, ConvertOntoAFolderIsReportedAndLeavesItAlone) {
  WriteBytes(folder_ / "sky.pal", JascPalFile(Sunset()));
  Load(folder_ / "sky.pal");
  fs::create_directory(folder_ / "sky.act");
  PostClick(GetDlgItem(Main(), IDC_CONVERT));
  const std::wstring text = ReadAndClose(WaitForMessageBox());
  EXPECT_NE(text.find(PathText(folder_ / "sky.act")), std::wstring::npos) << "the error does not name the file";
  EXPECT_EQ(text.find(kSavedAs), std::wstring::npos) << "a failed write was confirmed";
  EXPECT_TRUE(fs::is_directory(folder_ / "sky.act"));
  EXPECT_EQ(FolderContents(folder_), (std::vector<std::wstring>{L"sky.act", L"sky.pal"}))
      << "a temporary file was left behind";
}

TEST_F(FailedWriteJourney, ConvertOntoAFileInUseKeepsTheOldFile) {
  WriteBytes(folder_ / "sky.pal", JascPalFile(Sunset()));
  Load(folder_ / "sky.pal");
  const Bytes old(768, 0x11);
  WriteBytes(folder_ / "sky.act", old);
  // Another program holds the old file open and lets nobody replace or delete it.
  UniqueHandle inUse(CreateFileW((folder_ / "sky.act").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_NE(inUse.get(), INVALID_HANDLE_VALUE);
  PostClick(GetDlgItem(Main(), IDC_CONVERT));
  const std::wstring text = ReadAndClose(WaitForMessageBox());
  inUse.reset();
  EXPECT_NE(text.find(PathText(folder_ / "sky.act")), std::wstring::npos) << "the error does not name the file";
  EXPECT_EQ(text.find(kSavedAs), std::wstring::npos) << "a failed write was confirmed";
  EXPECT_EQ(ReadBytes(folder_ / "sky.act"), old) << "the old file was changed";
  EXPECT_EQ(FolderContents(folder_), (std::vector<std::wstring>{L"sky.act", L"sky.pal"}))
      << "a temporary file was left behind";
}

TEST_F(FailedWriteJourney, SaveIntoAFolderRemovedWhileTheDialogIsOpen) {
  const fs::path gone = folder_ / "gone";
  fs::create_directory(gone);
  const HWND dialog = Press(IDC_SAVEAS, L"Save As");
  ASSERT_NE(dialog, nullptr);
  fs::remove(gone);
  ChooseFile(dialog, gone / "out.act");
  const std::wstring text = ReadAndClose(WaitForMessageBox());
  EXPECT_NE(text.find(PathText(gone / "out.act")), std::wstring::npos) << text.size();
  EXPECT_TRUE(FolderContents(folder_).empty());
  EXPECT_EQ(Convert(), kNoCurrentFile) << "the failed Save as became the current file";
}

}  // namespace
}  // namespace varnel::e2e
