// The real Varnel.exe from start to end: its window and pixels, the icons, the About box
// from the system menu and from system commands, minimising, and the ways it ends.
#include "journey.h"
#include "resource.h"

namespace varnel::e2e {
namespace {

using WindowJourney = Journey;

TEST_F(WindowJourney, StartsShowsAboutMinimisesAndEndsByEscape) {
  // Dialog units of 8-point "MS Sans Serif" at 96 dpi: a fallback font or another template
  // size shows here first, and the pixel-placed swatches would no longer fit.
  RECT client{};
  GetClientRect(main_, &client);
  EXPECT_TRUE(client.right == 279 && client.bottom == 372) << client.right << " x " << client.bottom;
  const LONG style = GetWindowLongW(main_, GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0) << "its size can be changed";
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  const struct { int id; const wchar_t* text; LONG left, top; } controls[] = {{IDC_INFO, L"", 11, 314},
                  {IDC_LOAD, L"&Load Pallete...", 11, 338},
                  {IDC_CONVERT, L"&Convert", 102, 338},
                  {IDC_SAVEAS, L"&Save as...", 194, 338}};
  for (const auto& c : controls) {
    RECT r{};
    GetWindowRect(GetDlgItem(main_, c.id), &r);
    MapWindowPoints(HWND_DESKTOP, main_, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(ControlText(main_, c.id), c.text);
    EXPECT_EQ(r.top, c.top) << c.id;
    EXPECT_NEAR(r.left, c.left, 1) << c.id;
  }

  // Above the information line every pixel is its swatch's green or the stretched picture:
  // gaps, margins and swatch 0's visible columns included.
  const Pixels start = Shown();
  for (int y = 0; y < 311; ++y) {
    for (int x = 0; x < 279; ++x) {
      const int column = (x - 7) / 18, row = (y - 7) / 18;
      const bool inside = x >= 7 && y >= 7 && (x - 7) % 18 < 15 && (y - 7) % 18 < 15 && column < 15;
      ASSERT_TRUE(inside ? start.At(x, y) == (Rgb{0, row * 15 + column + 1, 0}) : IsBackground(start.At(x, y)))
          << x << "," << y << ": " << start.At(x, y);
    }
  }
  // Bright at the top, dark under the last row: a flat face or a picture upside down fails.
  auto mean = [&](int y) {
    int sum = 0;
    for (int x = 0; x < 279; ++x) sum += start.At(x, y).r + start.At(x, y).g + start.At(x, y).b;
    return sum / (3 * 279);
  };
  EXPECT_GT(mean(2) - mean(311), 40);
  ExpectScreenshot("main", Shown(main_, true));

  // The About box: from the system menu's last entry (reached by keys, as the menu of another
  // process cannot be read), and from system commands whose low four bits are the system's.
  Keys("alt+space", main_);
  ASSERT_TRUE(WaitUntil([&] { return TopLevel(L"", L"#32768") != nullptr; })) << "no system menu";
  Keys("Up Return");
  const struct { WPARAM command; bool opens; } commands[] = {{0, true}, {0x0010, true}, {0x0013, true}, {0x0020, false}};
  for (const auto& c : commands) {
    if (c.command != 0) PostMessageW(main_, WM_SYSCOMMAND, c.command, 0);
    Send(main_, WM_NULL);
    const HWND about = c.opens ? WaitForWindow(L"About Varnel") : TopLevel(L"About Varnel");
    ASSERT_EQ(about != nullptr, c.opens) << "command " << c.command;
    if (about == nullptr) continue;
    EXPECT_EQ(GetWindow(about, GW_OWNER), main_);
    EXPECT_FALSE(IsWindowEnabled(main_)) << "the About box is not modal";
    EXPECT_NE(FindWindowExW(about, nullptr, L"Static", L"Varnel Version 1.0"), nullptr);
    if (c.command == 0) ExpectScreenshot("about", Shown(about, true));
    c.command == 0x0010 ? Keys("Escape", about) : Close(about, IDOK);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about) && IsWindowEnabled(main_); }));
  }
  EXPECT_TRUE(WaitUntil([&] { return Shown() == start; })) << "what the box covered is not repainted";

  PostMessageW(main_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(WaitUntil([&] { return IsIconic(main_) != FALSE; }));
  // Minimised, the window is its caption alone: only a WM_PAINT sent reaches the handler's icon branch.
  EXPECT_TRUE(WaitUntil([&] { RECT r{}; return GetClientRect(main_, &r) && IsRectEmpty(&r); })) << "a client area";
  Send(main_, WM_PAINT);
  ExpectScreenshot("minimised", Shown(main_, true));  // the caption with the small icon
  PostMessageW(main_, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsIconic(main_) && Shown() == start; })) << "not whole again after restore";

  Keys("Escape", main_);
  EXPECT_TRUE(WaitForExit()) << "Escape did not end the program";
}

TEST(Executables, CarryTheVersionRecordAndTakeNamesInAnyScriptAndFilesHeldOpen) {
  const std::wstring exe = FromEnvironment(L"VARNEL_EXE").wstring();
  DWORD ignored = 0;
  std::vector<unsigned char> data(GetFileVersionInfoSizeW(exe.c_str(), &ignored));
  ASSERT_TRUE(!data.empty() && GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
  for (const auto& [key, value] : {std::pair{L"FileDescription", L"VARNEL MFC Application"},
                                   {L"FileVersion", L"1, 0, 0, 1"}, {L"InternalName", L"VARNEL"},
                                   {L"ProductName", L"VARNEL Application"}, {L"CompanyName", L""}}) {
    void* text = nullptr;
    UINT length = 0;
    VerQueryValueW(data.data(), (L"\\StringFileInfo\\040904B0\\" + std::wstring(key)).c_str(), &text, &length);
    EXPECT_EQ(text != nullptr ? std::wstring(static_cast<const wchar_t*>(text)) : L"?", value) << fs::path(key).string();
  }

  // palconv.exe takes UTF-16 arguments: Cyrillic and Japanese names, there and back.
  const fs::path folder = FromEnvironment(L"VARNEL_E2E_FILES") / L"palconv \u041F\u0430\u043B \u65E5\u672C";
  fs::create_directories(folder);
  const fs::path act = folder / L"\u5915\u713C\u3051.act", pal = folder / L"\u5915\u713C\u3051.pal";
  fs::copy_file(FromEnvironment(L"VARNEL_E2E_DATA") / "ramps.act", act);
  // Each read while another program holds the file open: reading it (sharing reading only),
  // then writing it (sharing reading and writing).
  const auto holding = [](const fs::path& file, DWORD access, DWORD share) {
    return UniqueHandle(CreateFileW(file.c_str(), access, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  };
  {
    const UniqueHandle reader = holding(act, GENERIC_READ, FILE_SHARE_READ);
    ASSERT_NE(reader.get(), INVALID_HANDLE_VALUE);
    ASSERT_EQ(RunPalconv(L"\"" + act.wstring() + L"\""), 0);
  }
  EXPECT_EQ(ReadBytes(pal), ReadBytes(FromEnvironment(L"VARNEL_E2E_DATA") / "ramps.pal"));
  const fs::path named = folder / L"\u043A\u043E\u043F\u0438\u044F.act";
  {
    const UniqueHandle writer = holding(pal, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
    ASSERT_NE(writer.get(), INVALID_HANDLE_VALUE);
    ASSERT_EQ(RunPalconv(L"-o \"" + named.wstring() + L"\" \"" + pal.wstring() + L"\""), 0);
  }
  EXPECT_EQ(ReadBytes(named), ReadBytes(act));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace varnel::e2e
