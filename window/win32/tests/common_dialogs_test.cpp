// The common file and colour dialogs as the window layer builds them, answered through
// their own controls.
#include "varnel/window/common_dialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../text.h"
#include "probe.h"

namespace varnel::window {
namespace {

namespace fs = std::filesystem;
using win32::testing::ItemText;
using win32::testing::Press;
using win32::testing::Probe;
using win32::testing::Watch;

constexpr char kFilter[] = "Jasc Psp Pallete (*.Pal)|*.pal|Adobe Photoshop Pallete (*.Act)|*.act||";
// Controls of the system's file dialog and colour chooser.
constexpr int kFileNameBox = 0x47C;
constexpr int kFileTypeBox = 0x470;
constexpr int kReadOnlyBox = 0x410;
constexpr int kRedEdit = 706;
constexpr int kGreenEdit = 707;
constexpr int kBlueEdit = 708;

// A fresh folder with a non-ASCII name, removed afterwards. The file dialogs make the
// folder they end in the current one, which could then not be removed: step out first.
class Folder {
 public:
  Folder()
      : path_(fs::temp_directory_path() / L"varnel \u041F\u0430\u043B\u0438\u0442\u0440\u0430") {
    Remove();
    fs::create_directories(path_);
  }
  ~Folder() { Remove(); }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  const fs::path& Path() const { return path_; }
  fs::path Touch(const std::wstring& name) const {
    std::ofstream(path_ / name) << "JASC-PAL\r\n";
    return path_ / name;
  }

 private:
  void Remove() const {
    std::error_code ignored;
    fs::current_path(path_.parent_path(), ignored);
    fs::remove_all(path_, ignored);
  }
  fs::path path_;
};

std::vector<std::wstring> ComboItems(HWND dialog, int id) {
  HWND combo = ::GetDlgItem(dialog, id);
  std::vector<std::wstring> items;
  const auto count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::wstring text(
        static_cast<std::size_t>(::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0)),
        L'\0');
    ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                   reinterpret_cast<LPARAM>(text.data()));
    items.push_back(text);
  }
  return items;
}

TEST(Win32FileDialog, OpenShowsItsArgumentsAndReturnsTheChosenFile) {
  const Folder folder;
  const fs::path initial = folder.Touch(L"\u0421\u043A\u0430\u0439 \u65E5\u672C.pal");
  const fs::path chosen = folder.Touch(L"\u0401\u043B\u043A\u0430.ACT");

  Watch watch;
  std::wstring nameShown;
  std::vector<std::wstring> types;
  LRESULT typeSelected = -1;
  BOOL readOnlyShown = FALSE;
  watch.On(L"Open", [&](HWND dialog) {
    nameShown = ItemText(dialog, kFileNameBox);
    types = ComboItems(dialog, kFileTypeBox);
    typeSelected = ::SendMessageW(::GetDlgItem(dialog, kFileTypeBox), CB_GETCURSEL, 0, 0);
    readOnlyShown = ::IsWindowVisible(::GetDlgItem(dialog, kReadOnlyBox));
    ::SetDlgItemTextW(dialog, kFileNameBox, chosen.c_str());
    Press(dialog, IDOK);
  });
  FileDialog dialog(true, L"Act", initial, 0, kFilter);
  ASSERT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_TRUE(watch.Done());
  // The name box may show the name alone, the folder being the one the dialog opens in.
  EXPECT_TRUE(initial.native().ends_with(nameShown) && !nameShown.empty())
      << win32::Narrow(nameShown);
  EXPECT_EQ(types, (std::vector<std::wstring>{L"Jasc Psp Pallete (*.Pal)",
                                              L"Adobe Photoshop Pallete (*.Act)"}));
  EXPECT_EQ(typeSelected, 0) << "the first pair is selected";
  EXPECT_TRUE(readOnlyShown) << "flags 0 leave the read-only box shown";
  EXPECT_EQ(dialog.GetPathName(), chosen);
  EXPECT_EQ(dialog.GetFileExt(), L"ACT") << "letter case as the dialog returns it";
}

TEST(Win32FileDialog, SaveAddsAnExtensionAndCancelReturnsNothing) {
  const Folder folder;
  const struct {
    const char* why;
    bool open;
    const char* filter;
    std::wstring typed;  // empty: cancel
    int result;
    fs::path path;
    std::wstring ext;
  } cases[] = {
      {"typed without extension: the selected type's, as the system does", false, kFilter,
       (folder.Path() / L"sky").native(), kIdOk, folder.Path() / L"sky.pal", L"pal"},
      {"typed without extension, no specific type: the default extension", false, "All files|*.*||",
       (folder.Path() / L"sky").native(), kIdOk, folder.Path() / L"sky.Act", L"Act"},
      {"typed with one", false, kFilter, (folder.Path() / L"sky.txt").native(), kIdOk,
       folder.Path() / L"sky.txt", L"txt"},
      {"Save cancelled", false, kFilter, L"", kIdCancel, {}, L""},
      {"Open cancelled", true, kFilter, L"", kIdCancel, {}, L""},
  };
  for (const auto& c : cases) {
    Watch watch;
    watch.On(c.open ? L"Open" : L"Save As", [&](HWND dialog) {
      if (c.typed.empty()) {
        Press(dialog, IDCANCEL);
        return;
      }
      ::SetDlgItemTextW(dialog, kFileNameBox, c.typed.c_str());
      Press(dialog, IDOK);
    });
    FileDialog dialog(c.open, L"Act", {}, 0, c.filter);
    EXPECT_EQ(dialog.DoModal(), c.result) << c.why;
    EXPECT_TRUE(watch.Done()) << c.why;
    EXPECT_EQ(dialog.GetPathName(), c.path) << c.why;
    EXPECT_EQ(dialog.GetFileExt(), c.ext) << c.why;
  }
}

TEST(Win32ColorDialog, StartsAtTheInitialColourAndReturnsTheChosenOne) {
  const struct {
    const char* why;
    COLORREF initial;
    const wchar_t* red;  // null: cancel
    COLORREF result;
    std::wstring shownRed, shownGreen, shownBlue;
  } cases[] = {
      {"black start, pure red chosen", 0, L"255", 0x000000FF, L"0", L"0", L"0"},
      {"the initial colour reaches the chooser", 0x00563412, nullptr, 0x00563412, L"18", L"52",
       L"86"},
      {"cancelled: the initial colour stays", 0x00000001, nullptr, 0x00000001, L"1", L"0", L"0"},
  };
  for (const auto& c : cases) {
    Watch watch;
    std::wstring red, green, blue;
    watch.On(L"Color", [&](HWND dialog) {
      red = ItemText(dialog, kRedEdit);
      green = ItemText(dialog, kGreenEdit);
      blue = ItemText(dialog, kBlueEdit);
      if (c.red == nullptr) {
        Press(dialog, IDCANCEL);
        return;
      }
      ::SetDlgItemTextW(dialog, kRedEdit, c.red);
      ::SetDlgItemTextW(dialog, kGreenEdit, L"0");
      ::SetDlgItemTextW(dialog, kBlueEdit, L"0");
      Press(dialog, IDOK);
    });
    ColorDialog dialog(c.initial, 0);
    EXPECT_EQ(dialog.DoModal(), c.red != nullptr ? kIdOk : kIdCancel) << c.why;
    EXPECT_TRUE(watch.Done()) << c.why;
    EXPECT_EQ(dialog.GetColor(), c.result) << c.why;
    EXPECT_EQ(red + L"," + green + L"," + blue,
              c.shownRed + L"," + c.shownGreen + L"," + c.shownBlue)
        << c.why;
  }
}

TEST(Win32CommonDialogs, WithoutParentTheyAreOwnedByTheRunningDialog) {
  Probe main;
  HWND mainWindow = nullptr;
  HWND fileOwner = nullptr;
  HWND colorOwner = nullptr;
  main.onInit = [&](Probe& p) {
    mainWindow = p.Hwnd();
    p.Post(IDC_SAVEAS);  // once the dialog shows
  };
  main.onSaveAs = [&](Probe& p) {
    Watch watch;
    watch.On(L"Open", [&](HWND dialog) {
      fileOwner = ::GetWindow(dialog, GW_OWNER);
      Press(dialog, IDCANCEL);
    });
    watch.On(L"Color", [&](HWND dialog) {
      colorOwner = ::GetWindow(dialog, GW_OWNER);
      Press(dialog, IDCANCEL);
    });
    FileDialog(true, L"Act", {}, 0, kFilter).DoModal();
    ColorDialog().DoModal();
    p.EndDialog(kIdOk);
  };
  main.DoModal();
  EXPECT_EQ(fileOwner, mainWindow);
  EXPECT_EQ(colorOwner, mainWindow);
}

}  // namespace
}  // namespace varnel::window
