// The desktop around the window: a file named on the command line (as "Open with" starts
// the program), files dropped from Explorer, a colour copied from its menu and by Ctrl+C.
#include "journey.h"
// After <windows.h>, which journey.h includes.
#include <shlobj.h>

#include <cstring>

#include "resource.h"

namespace varnel::e2e {
namespace {

// A drop as Explorer makes one: a DROPFILES block in the program's own memory, posted.
void Drop(HWND window, DWORD process, const std::vector<fs::path>& files) {
  std::wstring names;
  for (const fs::path& file : files) names += file.wstring() + L'\0';
  names += L'\0';
  std::vector<char> block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
  *reinterpret_cast<DROPFILES*>(block.data()) = {sizeof(DROPFILES), {}, FALSE, TRUE};
  std::memcpy(block.data() + sizeof(DROPFILES), names.data(), names.size() * sizeof(wchar_t));
  const UniqueHandle target(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, process));
  void* remote =
      VirtualAllocEx(target.get(), nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  ASSERT_TRUE(remote &&
              WriteProcessMemory(target.get(), remote, block.data(), block.size(), nullptr));
  PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0);
}

// The clipboard's text; Wine's clipboard manager may hold the clipboard a moment after a change.
std::wstring Clipboard() {
  std::wstring text;
  if (!WaitUntil([] { return OpenClipboard(nullptr) != FALSE; })) return L"(clipboard busy)";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) text = chars;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

class DesktopJourney : public Journey {
 protected:
  DesktopJourney() {
    fs::create_directories(start_.parent_path());
    fs::copy_file(data_ / "ramps.gpl", start_, fs::copy_options::overwrite_existing);
    arguments_ = L"\"" + start_.wstring() + L"\"";
  }

  // Opens the swatch menu (by a posted WM_CONTEXTMENU, or by a real right click) and picks
  // item `item` (1 or 2) with the arrow keys; 0 just dismisses it.
  void Menu(int swatch, int item, bool real = false) {
    POINT at = SwatchCentre(swatch);
    ClientToScreen(main_, &at);
    if (real) {
      Keys("", main_);
      RunUnix("xdotool mousemove --sync " + std::to_string(at.x) + " " + std::to_string(at.y) +
              " click 3");
    } else {
      PostMessageW(main_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(main_), MAKELPARAM(at.x, at.y));
    }
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (menu = TopLevel(L"", L"#32768")) != nullptr; }))
        << "no menu on swatch " << swatch;
    for (int i = 0; i < item; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, item == 0 ? VK_ESCAPE : VK_RETURN, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }));
    Send(main_, WM_NULL);
  }

  const fs::path data_ = FromEnvironment(L"VARNEL_E2E_DATA");
  const fs::path start_ =
      FromEnvironment(L"VARNEL_E2E_FILES") / L"Open with \u00E9t\u00E9 \u8272" / L"dusk sky.gpl";
};

TEST_F(DesktopJourney, OpensItsArgumentTakesDropsAndCopiesColours) {
  // The argument is loaded as Load would load it, and becomes the current file.
  const Palette ramps = PaletteOf(data_ / "ramps.act"), green = PaletteOf(data_ / "green-ramp.act");
  ExpectShown(ramps);
  EXPECT_EQ(MessageAfter(IDC_CONVERT),
            L"Pallete saved as " + (start_.parent_path() / L"dusk sky.pal").wstring());

  // Of several dropped files the first is loaded; one that cannot be read changes nothing.
  Drop(main_, id_, {data_ / "green-ramp.hex", data_ / "ramps.aco"});
  ExpectShown(green);
  Drop(main_, id_, {folder_ / "gone.aco"});
  ExpectFileError(0, L"read", folder_ / "gone.aco");
  ExpectShown(green);

  // Copying: the menu of a swatch and Ctrl+C put plain text on the clipboard and change
  // nothing else; a gap, swatch 0 and Ctrl+C without a selection offer nothing.
  Click(SwatchCentre(200));
  // The swatches and the frame (the keys may make the buttons show their focus cues).
  const auto grid = [this] {
    const Pixels shown = Shown();
    return std::vector(shown.xrgb.begin(),
                       shown.xrgb.begin() + shown.width * (SwatchRect(255).bottom + 3));
  };
  const auto before = grid();
  const std::wstring line = ControlText(main_, IDC_INFO);
  Menu(17, 1);
  EXPECT_EQ(Clipboard(), L"#001100");
  Menu(18, 2, true);
  EXPECT_EQ(Clipboard(), L"0, 18, 0");
  Menu(19, 0);
  EXPECT_EQ(Clipboard(), L"0, 18, 0") << "a dismissed menu copied";
  Keys("ctrl+c", main_);
  EXPECT_TRUE(WaitUntil([] { return Clipboard() == L"#00C800"; })) << Clipboard();
  EXPECT_EQ(ControlText(main_, IDC_INFO), line);
  EXPECT_TRUE(grid() == before) << "copying changed the swatches";
  for (POINT at : {POINT{23, 10}, POINT{1, 14}}) {
    ClientToScreen(main_, &at);
    Send(main_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(main_), MAKELPARAM(at.x, at.y));
    EXPECT_EQ(TopLevel(L"", L"#32768"), nullptr) << "a menu off the swatches";
  }
  PostMessageW(main_, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitForExit());

  // A file that cannot be read, named at start: the error box over the window, nothing
  // loaded. A second run of the program, started as every journey starts it.
  arguments_ = L"\"" + (folder_ / L"no such.gpl").wstring() + L"\"";
  SetUp();
  ExpectFileError(0, L"read", folder_ / L"no such.gpl");
  ExpectShown(green);
}

}  // namespace
}  // namespace varnel::e2e
