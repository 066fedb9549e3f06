// Load, Save as and Convert through the real Open and Save As dialogs and message boxes, with
// the files they leave on disk compared byte for byte against tests/data, and every way a
// file command can fail.
#include <fstream>

#include "journey.h"
#include "resource.h"
#include "varnel/format.h"

namespace varnel::e2e {
namespace {

const std::wstring kNoCurrentFile = L"There is no palette file to convert. Load or save one first.";

// The file types a Load or Save As dialog lists: the descriptions of its filter, whose
// words the native tests hold to the table of formats.
std::vector<std::wstring> FileTypes(DialogUse use) {
  const std::string filter = FileDialogFilter(use);
  std::vector<std::wstring> types;
  for (std::size_t at = 0; at < filter.size() && filter[at] != '|';) {
    const std::size_t bar = filter.find('|', at);
    types.emplace_back(filter.begin() + static_cast<std::ptrdiff_t>(at),
                       filter.begin() + static_cast<std::ptrdiff_t>(bar));
    at = filter.find('|', bar + 1) + 1;  // past the patterns
  }
  return types;
}

using FilesJourney = Journey;

TEST_F(FilesJourney, LoadSaveAsAndConvertAndEveryFailureOnTheWay) {
  const fs::path data = FromEnvironment(L"VARNEL_E2E_DATA");
  const Bytes pal = ReadBytes(data / "ramps.pal"), act = ReadBytes(data / "ramps.act");

  // Cancelled dialogs: owned by the main window, modal, the file types in order (Save as
  // offers the one picture it writes).
  for (const auto& [button, caption] : {std::pair{IDC_LOAD, L"Open"}, {IDC_SAVEAS, L"Save As"}}) {
    const HWND dialog = Press(button, caption);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), main_);
    EXPECT_FALSE(IsWindowEnabled(main_)) << "not modal";
    const HWND types = GetDlgItem(dialog, 0x470);
    std::vector<std::wstring> items(
        static_cast<std::size_t>(SendMessageW(types, CB_GETCOUNT, 0, 0)));
    for (std::size_t i = 0; i < items.size(); ++i) {
      items[i].resize(static_cast<std::size_t>(SendMessageW(types, CB_GETLBTEXTLEN, i, 0)));
      SendMessageW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(items[i].data()));
    }
    EXPECT_EQ(items, FileTypes(button == IDC_LOAD ? DialogUse::Load : DialogUse::SaveAs));
    Close(dialog, IDCANCEL);
  }
  EXPECT_EQ(MessageAfter(IDC_CONVERT), kNoCurrentFile);

  // Failures change neither the palette nor the current file.
  Choose(IDC_LOAD, folder_ / "missing.act");
  ExpectFileError(0, L"read", folder_ / "missing.act");
  fs::create_directory(folder_ / "gone");
  const HWND saveAs = Press(IDC_SAVEAS, L"Save As");
  fs::remove(folder_ / "gone");  // while the dialog is open
  Send(GetDlgItem(saveAs, 0x47C), WM_SETTEXT, 0,
       reinterpret_cast<LPARAM>((folder_ / "gone" / "x.act").c_str()));
  Close(saveAs, IDOK);
  ExpectFileError(0, L"write", folder_ / "gone" / "x.act");
  EXPECT_EQ(MessageAfter(IDC_CONVERT), kNoCurrentFile);
  ExpectShown(PaletteOf(data / "green-ramp.act"));
  EXPECT_TRUE(fs::is_empty(folder_));

  // Names in any script: Cyrillic, Japanese and a character beyond 16 bits; ACT in capitals.
  const fs::path sub =
      folder_ / L"\u041F\u0430\u043B\u0438\u0442\u0440\u044B \u65E5\u672C \U0001F3A8";
  fs::create_directories(sub);
  fs::copy_file(data / "ramps.act", sub / L"\u5915\u713C\u3051.ACT");
  Choose(IDC_LOAD, sub / L"\u5915\u713C\u3051.ACT");
  ExpectShown(PaletteOf(data / "ramps.act"));
  const struct {
    const wchar_t* saved;  // Save as, which makes it the current file
    const Bytes& savedAs;
    const wchar_t* converted;  // then Convert
    const Bytes& convertedAs;
  } rows[] = {{L"out.TXT", pal, L"out.pal", pal},
              {L"\u0441\u043E\u0445\u0440.pal", pal, L"\u0441\u043E\u0445\u0440.act", act},
              {L"back.act", act, L"back.pal", pal}};
  fs::path current = sub / L"\u5915\u713C\u3051.ACT";
  for (const auto& row : rows) {
    const HWND dialog = Press(IDC_SAVEAS, L"Save As");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(WaitUntil([&] {
      return fs::path(ControlText(dialog, 0x47C)).filename() == current.filename();
    })) << "not started at the current file";
    Send(GetDlgItem(dialog, 0x47C), WM_SETTEXT, 0,
         reinterpret_cast<LPARAM>((sub / row.saved).c_str()));
    Close(dialog, IDOK);
    Send(main_, WM_NULL);  // the file is written
    current = sub / row.saved;
    EXPECT_EQ(ReadBytes(current), row.savedAs) << current.string();
    EXPECT_EQ(MessageAfter(IDC_CONVERT), L"Pallete saved as " + (sub / row.converted).wstring());
    EXPECT_EQ(ReadBytes(sub / row.converted), row.convertedAs) << fs::path(row.converted).string();
  }

  EXPECT_EQ(std::distance(fs::directory_iterator(sub), {}), 7)
      << "a temporary file was left behind";

  // The other formats, chosen by extension: each opened and shown; Save as .gpl writes GIMP text.
  const fs::path formats = folder_ / "formats";
  fs::create_directory(formats);
  for (const char* name : {"green-ramp.hex", "ramps.aco", "green-ramp.ase", "ramps.gpl"}) {
    fs::copy_file(data / name, formats / name);
    Choose(IDC_LOAD, formats / name);
    ExpectShown(PaletteOf(data / fs::path(name).replace_extension(".act")));
  }
  // A palette another program holds open loads all the same, whether that program reads it
  // (sharing reading only) or writes it (sharing reading and writing).
  const struct {
    const char* name;
    DWORD access, share;
  } held[] = {{"green-ramp.hex", GENERIC_READ, FILE_SHARE_READ},
              {"ramps.aco", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE}};
  for (const auto& h : held) {
    const UniqueHandle other(CreateFileW((formats / h.name).c_str(), h.access, h.share, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_NE(other.get(), INVALID_HANDLE_VALUE);
    Choose(IDC_LOAD, formats / h.name);
    if (const HWND box = TopLevel(L"Varnel")) {
      ADD_FAILURE() << h.name << " held open: " << fs::path(ControlText(box, 0xFFFF)).string();
      Close(box, IDOK);
    }
    ExpectShown(PaletteOf(data / fs::path(h.name).replace_extension(".act")));
  }
  // A Windows RIFF palette named .pal is read by its signature; a file that is no palette at
  // all (a ZIP archive named .pal) is refused and changes neither palette nor current file.
  fs::copy_file(data / "ramps-riff.pal", formats / "riff.pal");
  Choose(IDC_LOAD, formats / "riff.pal");
  ExpectShown(PaletteOf(data / "ramps.act"));
  std::ofstream(formats / "archive.pal", std::ios::binary)
      << std::string("PK\x03\x04\x14\0\0\0", 8) << std::string(100, 'z');
  Choose(IDC_LOAD, formats / "archive.pal");
  ExpectFileError(0, L"read", formats / "archive.pal");
  ExpectShown(PaletteOf(data / "ramps.act"));
  // An empty .pal holds no colours: refused too, never shown as 256 black ones.
  std::ofstream(formats / "empty.pal", std::ios::binary).flush();
  Choose(IDC_LOAD, formats / "empty.pal");
  EXPECT_EQ(MessageAfter(0), L"Cannot read \"" + (formats / "empty.pal").wstring() +
                                 L"\".\n\nit holds no colours (read as JASC-PAL text)");
  ExpectShown(PaletteOf(data / "ramps.act"));
  EXPECT_EQ(MessageAfter(IDC_CONVERT), L"Pallete saved as " + (formats / "riff.act").wstring());
  EXPECT_EQ(ReadBytes(formats / "riff.act"), act);
  // Pictures: a PNG strip of 8 x 8 swatches and a GIF's colour table load as their palettes;
  // Save as .png writes a picture that palconv reads back with the same colours.
  for (const char* name : {"ramps-8x.png", "ramps.gif"}) {
    fs::copy_file(data / name, formats / name);
    Choose(IDC_LOAD, formats / name);
    ExpectShown(PaletteOf(data / "ramps.act"));
  }
  Choose(IDC_SAVEAS, formats / "saved.png");
  ASSERT_EQ(RunPalconv(L"-o \"" + (formats / "saved.act").wstring() + L"\" \"" +
                       (formats / "saved.png").wstring() + L"\""),
            0);
  EXPECT_EQ(ReadBytes(formats / "saved.act"), act);
  fs::create_directory(formats / "saved");  // a GIMP palette is named after its file
  Choose(IDC_SAVEAS, formats / "saved" / "ramps.gpl");
  EXPECT_EQ(ReadBytes(formats / "saved" / "ramps.gpl"), ReadBytes(data / "ramps.gpl"));

  // A target another program holds open, and a read-only one, are reported and kept.
  Choose(IDC_SAVEAS, folder_ / "sky.act");
  const fs::path target = folder_ / "sky.pal";
  const Bytes old(768, 0x11);
  for (const bool readOnly : {false, true}) {
    std::ofstream(target, std::ios::binary).write(reinterpret_cast<const char*>(old.data()), 768);
    if (readOnly) SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
    const UniqueHandle inUse(readOnly ? nullptr
                                      : CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                    nullptr));
    ExpectFileError(IDC_CONVERT, L"write", target);
    EXPECT_EQ(ReadBytes(target), old) << (readOnly ? "read-only" : "in use");
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), {}), 4)
      << "a temporary file was left behind";

  // A photograph loads as its 256 most representative colours, said once; palconv reduces it
  // to the same bytes as on Linux.
  fs::copy_file(data / "photo.png", formats / "photo.png");
  Choose(IDC_LOAD, formats / "photo.png");
  EXPECT_EQ(MessageAfter(0), L"photo.png has 4,096 colours; its 256 most representative are shown");
  Send(main_, WM_NULL);  // a second box would be up by the time this returns
  EXPECT_EQ(TopLevel(L"Varnel"), nullptr) << "said more than once";
  ExpectShown(PaletteOf(data / "photo-256.act"));
  ASSERT_EQ(RunPalconv(L"--colours 256 -o \"" + (formats / "photo.act").wstring() + L"\" \"" +
                       (formats / "photo.png").wstring() + L"\""),
            0);
  EXPECT_EQ(ReadBytes(formats / "photo.act"), ReadBytes(data / "photo-256.act"));
  PostMessageW(main_, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(WaitForExit()) << "the close box did not end the program";
}

}  // namespace
}  // namespace varnel::e2e
