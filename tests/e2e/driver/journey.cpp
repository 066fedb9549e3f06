#include "journey.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "resource.h"

namespace varnel::e2e {
namespace {

using namespace std::chrono_literals;

LPARAM At(POINT p) { return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(p.x, p.y))); }

std::wstring TextOf(HWND window) {
  // Asked of the window itself: from another process, GetWindowText reads only captions.
  std::wstring text(static_cast<std::size_t>(Send(window, WM_GETTEXTLENGTH)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

// The client area (or the whole window) as it is on screen, copied through its device
// context: a window of another process draws nothing when asked to print itself.
Pixels Capture(HWND window, bool whole = false) {
  RECT r{};
  whole ? GetWindowRect(window, &r) : GetClientRect(window, &r);
  Pixels pixels{r.right - r.left, r.bottom - r.top, {}};
  const HDC source = whole ? GetWindowDC(window) : GetDC(window);
  const HDC memory = CreateCompatibleDC(source);
  const HBITMAP copy = CreateCompatibleBitmap(source, pixels.width, pixels.height);
  const HGDIOBJ old = SelectObject(memory, copy);
  BitBlt(memory, 0, 0, pixels.width, pixels.height, source, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, pixels.width, -pixels.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  pixels.xrgb.resize(static_cast<std::size_t>(std::max(0, pixels.width * pixels.height)));
  if (GetDIBits(memory, copy, 0, static_cast<UINT>(pixels.height), pixels.xrgb.data(), &info, DIB_RGB_COLORS) <= 0) {
    pixels.xrgb.clear();
  }
  for (std::uint32_t& p : pixels.xrgb) p |= 0xFF000000u;  // opaque, whatever the fourth byte was
  DeleteObject(copy);
  DeleteDC(memory);
  ReleaseDC(window, source);
  return pixels;
}

}  // namespace

fs::path FromEnvironment(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  if (value != nullptr && *value != L'\0') return value;
  ADD_FAILURE() << fs::path(name).string() << " is not set: run the driver through winebox.sh";
  return {};
}

bool WaitUntil(const std::function<bool()>& ready) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!ready()) {
    if (std::chrono::steady_clock::now() >= deadline) return ready();
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

UniqueHandle StartProcess(const fs::path& exe, const std::wstring& arguments, const fs::path& folder) {
  std::wstring line = L"\"" + exe.wstring() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    ADD_FAILURE() << "cannot start " << exe.string() << ": error " << GetLastError();
    return UniqueHandle();
  }
  // A Unix program comes back without a process, and Wine 8 leaves a stale value where the
  // thread handle goes: closing it once closed our own standard output (0x0E stands for 0x0C).
  if (info.hProcess == nullptr) return UniqueHandle();
  CloseHandle(info.hThread);
  return UniqueHandle(info.hProcess);
}

LRESULT Send(HWND window, UINT message, WPARAM w, LPARAM l) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, w, l, SMTO_BLOCK, 20000, &result);
  return static_cast<LRESULT>(result);
}

std::wstring ControlText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

int RunPalconv(const std::wstring& arguments) {
  const UniqueHandle process = StartProcess(FromEnvironment(L"VARNEL_PALCONV_EXE"), arguments, {});
  DWORD status = 0;
  const bool ended = process && WaitForSingleObject(process.get(), 20000) == WAIT_OBJECT_0;
  return ended && GetExitCodeProcess(process.get(), &status) ? static_cast<int>(status) : -1;
}

bool RunUnix(const std::string& command) {
  // Wine starts Unix programs without a process to wait on: the command leaves its exit
  // status in a file of its own when it is done.
  static int runs = 0;
  const std::string marker = "unix-" + std::to_string(++runs) + ".done";
  const std::string script = command + "; echo $? > '" +
                             FromEnvironment(L"VARNEL_E2E_FILES_UNIX").generic_string() + "/" + marker + "'";
  StartProcess(FromEnvironment(L"VARNEL_UNIX_SHELL"), L"-c \"" + fs::path(script).wstring() + L"\"", {});
  std::string status;
  const bool done = WaitUntil([&] {
    std::ifstream in(FromEnvironment(L"VARNEL_E2E_FILES") / marker);
    return static_cast<bool>(std::getline(in, status));
  });
  EXPECT_TRUE(done && status == "0") << command << (done ? " failed: " + status : " did not finish");
  return done && status == "0";
}

void Keys(const std::string& keys, HWND focus) {
  if (focus != nullptr) {
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == focus || (SetForegroundWindow(focus), false); }));
    // The X server's keyboard focus too: xdotool types into the window that has it.
    const auto x = reinterpret_cast<std::uintptr_t>(GetPropW(focus, L"__wine_x11_whole_window"));
    ASSERT_NE(x, 0u) << "no X window behind the window";
    ASSERT_TRUE(RunUnix("xdotool windowfocus --sync " + std::to_string(x)));
  }
  if (!keys.empty()) RunUnix("xdotool key " + keys);
}

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Palette PaletteOf(const fs::path& act) {
  const Bytes bytes = ReadBytes(act);
  Palette p{};
  for (std::size_t i = 0; i < p.size() && 3 * i + 2 < bytes.size(); ++i) p[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
  return p;
}

Bytes ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Rgb Pixels::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {};
  const std::uint32_t p = xrgb[static_cast<std::size_t>(y * width + x)];
  return {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF), static_cast<int>(p & 0xFF)};
}

namespace {

// A top-down 32-bit BMP: the pixels exactly, and a picture any viewer opens.
void SaveBitmap(const fs::path& file, const Pixels& pixels) {
  const auto bytes = static_cast<DWORD>(pixels.xrgb.size() * sizeof(std::uint32_t));
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  const BITMAPFILEHEADER head{0x4D42, offset + bytes, 0, 0, offset};
  const BITMAPINFOHEADER info{sizeof info, pixels.width, -pixels.height, 1, 32, BI_RGB, bytes, 0, 0, 0, 0};
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&head), sizeof head);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(reinterpret_cast<const char*>(pixels.xrgb.data()), bytes);
  EXPECT_TRUE(out.flush()) << "cannot write " << file.string();
}

}  // namespace

void ExpectScreenshot(const std::string& name, const Pixels& shown) {
  ASSERT_FALSE(shown.xrgb.empty()) << name << ": the window never stopped changing";
  const fs::path file = FromEnvironment(L"VARNEL_E2E_SHOTS") / (name + ".bmp");
  fs::create_directories(file.parent_path());
  SaveBitmap(file, shown);
  const wchar_t* reference = _wgetenv(L"VARNEL_E2E_REFERENCE");
  if (reference == nullptr || *reference == L'\0') return;
  const Bytes now = ReadBytes(file), before = ReadBytes(fs::path(reference) / file.filename());
  ASSERT_EQ(now.size(), before.size()) << name << ": not the reference's size, or no reference";
  const auto at = (std::mismatch(now.begin(), now.end(), before.begin()).first - now.begin() - 54) / 4;
  EXPECT_TRUE(now == before) << name << ": pixels differ, the first at " << at % shown.width << "," << at / shown.width;
}

RECT SwatchRect(int index) {
  const int left = 7 + 18 * ((index - 1) % 15);
  const int top = 7 + 18 * ((index - 1) / 15);
  return {left, top, left + 15, top + 15};
}

POINT SwatchCentre(int index) { return {SwatchRect(index).left + 7, SwatchRect(index).top + 7}; }

bool IsBackground(const Rgb& c) {
  const int low = std::min({c.r, c.g, c.b});
  const int high = std::max({c.r, c.g, c.b});
  return low >= 32 && high <= 248 && high - low <= 10;
}

void Journey::SetUp() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = FromEnvironment(L"VARNEL_E2E_FILES") / (std::string(test->test_suite_name()) + "." + test->name());
  fs::remove_all(folder_);
  fs::create_directories(folder_);
  process_ = StartProcess(program_.empty() ? FromEnvironment(L"VARNEL_EXE") : program_, arguments_, folder_);
  ASSERT_TRUE(process_);
  id_ = GetProcessId(process_.get());
  main_ = WaitForWindow(L"Varnel Pallete Converter");
  ASSERT_NE(main_, nullptr) << "no main window";
  ASSERT_FALSE(Shown().xrgb.empty()) << "the main window never stopped changing";
}

void Journey::TearDown() {
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) PostMessageW(main_, WM_CLOSE, 0, 0);
  if (process_ && WaitForSingleObject(process_.get(), 5000) != WAIT_OBJECT_0) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), INFINITE);
  }
  if (!HasFailure()) fs::remove_all(folder_);  // a failed journey's files stay to look at
}

bool Journey::WaitForExit() const { return WaitForSingleObject(process_.get(), 20000) == WAIT_OBJECT_0; }

HWND Journey::TopLevel(const std::wstring& caption, const wchar_t* windowClass) const {
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, windowClass, windowClass ? nullptr : caption.c_str())) != nullptr;) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == id_ && IsWindowVisible(w)) return w;
  }
  return nullptr;
}

HWND Journey::WaitForWindow(const std::wstring& caption) const {
  HWND found = nullptr;
  WaitUntil([&] { return (found = TopLevel(caption)) != nullptr; });
  return found;
}

HWND Journey::Press(int button, const std::wstring& caption) {
  PostMessageW(GetDlgItem(main_, button), BM_CLICK, 0, 0);
  const HWND opened = WaitForWindow(caption);
  EXPECT_NE(opened, nullptr) << "no window \"" << caption << "\" after button " << button;
  return opened;
}

void Journey::Close(HWND dialog, int button) {
  PostMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "\"" << TextOf(dialog) << "\" stayed open";
}

void Journey::Choose(int button, const fs::path& path) {
  const HWND dialog = Press(button, button == IDC_LOAD ? L"Open" : L"Save As");
  if (dialog == nullptr) return;
  Send(GetDlgItem(dialog, 0x47C), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));  // the name box
  Close(dialog, IDOK);
  Send(main_, WM_NULL);  // returns once the command has read or written the file
}

std::wstring Journey::MessageAfter(int button) {
  if (button != 0) PostMessageW(GetDlgItem(main_, button), BM_CLICK, 0, 0);
  const HWND box = WaitForWindow(L"Varnel");
  EXPECT_NE(box, nullptr) << "no message box titled \"Varnel\"";
  if (box == nullptr) return L"";
  const std::wstring text = ControlText(box, 0xFFFF);
  Close(box, IDOK);
  return text;
}

void Journey::ExpectFileError(int button, const std::wstring& verb, const fs::path& file) {
  const std::wstring text = MessageAfter(button);
  const std::wstring head = L"Cannot " + verb + L" \"" + file.wstring() + L"\".\n\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  EXPECT_GT(text.size(), head.size()) << "no reason given";
}

void Journey::Click(POINT at, bool twice) {
  Send(main_, WM_LBUTTONDOWN, MK_LBUTTON, At(at));
  Send(main_, WM_LBUTTONUP, 0, At(at));
  if (twice) {  // posted: the second half may open a modal chooser
    PostMessageW(main_, WM_LBUTTONDBLCLK, MK_LBUTTON, At(at));
    PostMessageW(main_, WM_LBUTTONUP, 0, At(at));
  }
}

Pixels Journey::Shown(HWND window, bool whole) {
  if (window == nullptr) window = main_;
  Send(window, WM_NULL);  // whatever was asked of the program before is under way
  Pixels last = Capture(window, whole);
  int agreeing = 1;
  const bool settled = WaitUntil([&] {
    std::this_thread::sleep_for(20ms);  // pixels reach the screen a little after painting
    Pixels now = Capture(window, whole);
    agreeing = !now.xrgb.empty() && now == last ? agreeing + 1 : 1;
    last = std::move(now);
    return agreeing >= 3;
  });
  return settled ? last : Pixels();
}

void Journey::ExpectShown(const Palette& palette) {
  const Pixels shown = Shown();
  ASSERT_FALSE(shown.xrgb.empty()) << "the window never stopped changing";
  for (int i = 1; i < 256; ++i) {
    const POINT c = SwatchCentre(i);
    ASSERT_EQ(shown.At(c.x, c.y), palette[static_cast<std::size_t>(i)]) << "swatch " << i;
  }
}

void Journey::ExpectFrame(const Pixels& shown, int index, bool framed, int framedNow) {
  const RECT s = SwatchRect(index), other = SwatchRect(framedNow);
  for (int y = s.top - 3; y < s.bottom + 3; ++y) {
    for (int x = s.left - 3; x < s.right + 3; ++x) {
      const int ring = std::min({x - s.left + 3, s.right + 2 - x, y - s.top + 3, s.bottom + 2 - y});
      const bool inOther = framedNow != 0 && x >= other.left - 3 && x < other.right + 3 &&
                           y >= other.top - 3 && y < other.bottom + 3;
      if (ring >= 3 || (!framed && inOther)) continue;
      const Rgb seen = shown.At(x, y);
      if (framed) {
        ASSERT_EQ(seen, (ring == 0 ? Rgb{0, 0, 0} : Rgb{255, 255, 255})) << "swatch " << index << " at " << x << "," << y;
      } else {
        ASSERT_TRUE(IsBackground(seen)) << "frame of swatch " << index << " left at " << x << "," << y << ": " << seen;
      }
    }
  }
}

}  // namespace varnel::e2e
