// Load, Save as and Convert through the real Open and Save As dialogs and message boxes,
// with the files they leave on disk compared byte for byte.
#include "journey.h"
#include "resource.h"

namespace varnel::e2e {
namespace {

const std::wstring kSavedAs = L"Pallete saved as ";
const std::wstring kNoCurrentFile = L"There is no palette file to convert. Load or save one first.";
constexpr int kFileTypeBox = 0x470;

using FileJourney = Journey;

TEST_F(FileJourney, NamesInAnyScriptGoThroughOpenSaveAsAndConvert) {
  // Cyrillic, Japanese, and a character outside the 16-bit range (a surrogate pair).
  const fs::path sub = folder_ / L"\u041F\u0430\u043B\u0438\u0442\u0440\u044B \u65E5\u672C \U0001F3A8";
  fs::create_directories(sub);
  const fs::path loaded = sub / L"\u5915\u713C\u3051.ACT";  // upper case: still ACT
  const fs::path saved = sub / L"\u0441\u043E\u0445\u0440\u0430\u043D\u0435\u043D\u043E.pal";
  WriteBytes(loaded, ActFile(Sunset()));
  Load(loaded);
  ExpectShown(Sunset());
  SaveAs(saved);
  EXPECT_EQ(ReadBytes(saved), JascPalFile(Sunset()));
  const fs::path converted = fs::path(saved).replace_extension(".act");
  EXPECT_EQ(Convert(), kSavedAs + converted.wstring());
  EXPECT_EQ(ReadBytes(converted), ActFile(Sunset()));
}

struct SaveCase {
  const char* saved;
  Bytes (*savedAs)(const Palette&);
  const char* converted;
  Bytes (*convertedAs)(const Palette&);
  const char* why;
};

class SaveAsThenConvert : public Journey, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveAsThenConvert, WritesBothFilesInTheirFormats) {
  const SaveCase& c = GetParam();
  WriteBytes(folder_ / "in.pal", JascPalFile(Sunset()));
  Load(folder_ / "in.pal");
  const HWND dialog = Press(IDC_SAVEAS, L"Save As");
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(WaitUntil([&] { return fs::path(ControlText(dialog, kFileNameBox)).filename() == L"in.pal"; }))
      << "not started at the current file";
  ChooseFile(dialog, folder_ / c.saved);
  EXPECT_EQ(ReadBytes(folder_ / c.saved), c.savedAs(Sunset())) << c.why;
  // The saved file is now the current one.
  EXPECT_EQ(Convert(), kSavedAs + (folder_ / c.converted).wstring()) << c.why;
  EXPECT_EQ(ReadBytes(folder_ / c.converted), c.convertedAs(Sunset())) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Journey, SaveAsThenConvert,
    ::testing::Values(SaveCase{"out.TXT", JascPalFile, "out.pal", JascPalFile, "TXT is JASC-PAL text"},
                      SaveCase{"out.act", ActFile, "out.pal", JascPalFile, "ACT is the 768-byte table"}));

struct CancelCase {
  int button;  // 0: a double click on a swatch
  const wchar_t* caption;
};

class CancelledDialog : public Journey, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(CancelledDialog, ChangesNothingAndConvertFindsNoFile) {
  const CancelCase& c = GetParam();
  if (c.button == 0) DoubleClick(SwatchCentre(9));
  const HWND dialog = c.button == 0 ? WaitForWindow(c.caption) : Press(c.button, c.caption);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), Main());
  EXPECT_FALSE(IsWindowEnabled(Main())) << "not modal";
  if (c.button != 0) {
    const HWND types = GetDlgItem(dialog, kFileTypeBox);
    std::vector<std::wstring> items(static_cast<std::size_t>(SendMessageW(types, CB_GETCOUNT, 0, 0)));
    for (std::size_t i = 0; i < items.size(); ++i) {
      items[i].resize(static_cast<std::size_t>(SendMessageW(types, CB_GETLBTEXTLEN, i, 0)));
      SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(items[i].data()));
    }
    EXPECT_EQ(items, (std::vector<std::wstring>{L"Jasc Psp Pallete (*.Pal)", L"Adobe Photoshop Pallete (*.Act)"}));
  }
  Close(dialog, IDCANCEL);
  ExpectShown(GreenRamp());
  EXPECT_EQ(Convert(), kNoCurrentFile);
  EXPECT_TRUE(FolderContents(folder_).empty()) << "a file was written";
}

INSTANTIATE_TEST_SUITE_P(Journey, CancelledDialog,
                         ::testing::Values(CancelCase{IDC_LOAD, L"Open"}, CancelCase{IDC_SAVEAS, L"Save As"},
                                           CancelCase{0, L"Color"}));

TEST_F(FileJourney, LoadOfAMissingFileIsReportedAndChangesNothing) {
  Load(folder_ / "missing.act");
  ExpectFileError(L"read", folder_ / "missing.act");
  ExpectShown(GreenRamp());
  EXPECT_EQ(Convert(), kNoCurrentFile) << "the failed Load became the current file";
}

TEST_F(FileJourney, ConvertOntoAFileInUseIsReportedAndKeepsTheOldFile) {
  WriteBytes(folder_ / "sky.pal", JascPalFile(Sunset()));
  Load(folder_ / "sky.pal");
  const Bytes old(768, 0x11);
  WriteBytes(folder_ / "sky.act", old);
  {
    // Another program holds the old file open and lets nobody replace or delete it.
    const UniqueHandle inUse(CreateFileW((folder_ / "sky.act").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(inUse.get(), INVALID_HANDLE_VALUE);
    PostClick(Main(), IDC_CONVERT);
    ExpectFileError(L"write", folder_ / "sky.act");
  }
  EXPECT_EQ(ReadBytes(folder_ / "sky.act"), old);
  EXPECT_EQ(FolderContents(folder_), (std::vector<std::wstring>{L"sky.act", L"sky.pal"}))
      << "a temporary file was left behind";
}

TEST_F(FileJourney, SaveIntoAFolderRemovedWhileTheDialogIsOpenIsReported) {
  const fs::path gone = folder_ / "gone";
  fs::create_directory(gone);
  const HWND dialog = Press(IDC_SAVEAS, L"Save As");
  ASSERT_NE(dialog, nullptr);
  fs::remove(gone);
  ChooseFile(dialog, gone / "out.act");
  ExpectFileError(L"write", gone / "out.act");
  EXPECT_TRUE(FolderContents(folder_).empty());
  EXPECT_EQ(Convert(), kNoCurrentFile) << "the failed Save as became the current file";
}

}  // namespace
}  // namespace varnel::e2e
