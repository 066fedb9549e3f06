#include "journey.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "resource.h"
#include "screen.h"

namespace varnel::e2e {
namespace {

// Name box of the Open and Save As dialogs (an editable combo box).
constexpr int kFileNameBox = 0x47C;
// Red, green and blue boxes of the colour chooser; they take text even while hidden.
constexpr int kRedBox = 706;
constexpr int kGreenBox = 707;
constexpr int kBlueBox = 708;
// The text of a message box.
constexpr int kMessageText = 0xFFFF;

LPARAM PointParam(POINT at) {
  return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(at.x, at.y)));
}

void SetText(HWND dialog, int id, const std::wstring& text) {
  const HWND control = GetDlgItem(dialog, id);
  ASSERT_NE(control, nullptr) << "no control " << id;
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_BLOCK,
                      5000, &ignored);
}

}  // namespace

Palette GreenRamp() {
  Palette p;
  for (int i = 0; i < 256; ++i) p[static_cast<std::size_t>(i)] = {0, i, 0};
  return p;
}

Palette Sunset() {
  Palette p;
  for (int i = 0; i < 256; ++i) {
    p[static_cast<std::size_t>(i)] = {i, 30 + i * 3 / 4, 200 - i * 3 / 4};
  }
  return p;
}

Bytes JascPalFile(const Palette& palette) {
  std::string text = "JASC-PAL\r\n0100\r\n256\r\n";
  for (const Rgb& c : palette) {
    text += std::to_string(c.r) + " " + std::to_string(c.g) + " " + std::to_string(c.b) + "\r\n";
  }
  return Bytes(text.begin(), text.end());
}

Bytes ActFile(const Palette& palette) {
  Bytes bytes;
  for (const Rgb& c : palette) {
    bytes.push_back(static_cast<unsigned char>(c.r));
    bytes.push_back(static_cast<unsigned char>(c.g));
    bytes.push_back(static_cast<unsigned char>(c.b));
  }
  return bytes;
}

Bytes ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const fs::path& file, const Bytes& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::wstring> FolderContents(const fs::path& folder) {
  std::vector<std::wstring> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

std::wstring PathText(const fs::path& path) { return path.wstring(); }

void Journey::SetUp() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(test->test_suite_name()) + "." + test->name();
  std::replace(name.begin(), name.end(), '/', '.');
  folder_ = ScratchFolder() / name;
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
  fs::create_directories(folder_);
  program_.emplace(Program::Start(folder_));
  ASSERT_NE(Main(), nullptr);
  ASSERT_FALSE(SettledClient(Main()).Empty());
}

void Journey::TearDown() {
  program_.reset();
  if (HasFailure()) return;  // keep the files of a failed journey
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

HWND Journey::Press(int button, const std::wstring& caption) {
  PostClick(GetDlgItem(Main(), button));
  const HWND opened = program_->WaitForWindow(caption);
  EXPECT_NE(opened, nullptr) << "no window \"" << fs::path(caption).string() << "\" after button " << button;
  return opened;
}

void Journey::ChooseFile(HWND fileDialog, const fs::path& path) {
  SetText(fileDialog, kFileNameBox, PathText(path));
  PostClick(GetDlgItem(fileDialog, IDOK));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(fileDialog); }))
      << "the file dialog stayed open for " << path.string();
  // The command goes on after the dialog has gone (reading or writing the file); a message
  // to the main window returns once it has finished.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(Main(), WM_NULL, 0, 0, SMTO_BLOCK, 20000, &ignored);
}

void Journey::Load(const fs::path& path) {
  const HWND dialog = Press(IDC_LOAD, L"Open");
  ASSERT_NE(dialog, nullptr);
  ChooseFile(dialog, path);
}

void Journey::SaveAs(const fs::path& path) {
  const HWND dialog = Press(IDC_SAVEAS, L"Save As");
  ASSERT_NE(dialog, nullptr);
  ChooseFile(dialog, path);
}

HWND Journey::WaitForMessageBox() {
  const HWND box = program_->WaitForWindow(L"Varnel");
  EXPECT_NE(box, nullptr) << "no message box titled \"Varnel\"";
  return box;
}

std::wstring Journey::ReadAndClose(HWND box) {
  if (box == nullptr) return L"";
  const std::wstring text = ControlText(box, kMessageText);
  PostClick(GetDlgItem(box, IDOK));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); })) << "the message box stayed open";
  return text;
}

std::wstring Journey::Convert() {
  PostClick(GetDlgItem(Main(), IDC_CONVERT));
  return ReadAndClose(WaitForMessageBox());
}

void Journey::Cancel(HWND dialog) {
  PostClick(GetDlgItem(dialog, IDCANCEL));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the dialog stayed open";
}

void Journey::ChooseColour(HWND chooser, int red, int green, int blue) {
  SetText(chooser, kRedBox, std::to_wstring(red));
  SetText(chooser, kGreenBox, std::to_wstring(green));
  SetText(chooser, kBlueBox, std::to_wstring(blue));
  PostClick(GetDlgItem(chooser, IDOK));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(chooser); })) << "the colour chooser stayed open";
}

void Journey::Click(POINT at) {
  PostMessageW(Main(), WM_LBUTTONDOWN, MK_LBUTTON, PointParam(at));
  PostMessageW(Main(), WM_LBUTTONUP, 0, PointParam(at));
}

void Journey::DoubleClick(POINT at) {
  Click(at);
  PostMessageW(Main(), WM_LBUTTONDBLCLK, MK_LBUTTON, PointParam(at));
  PostMessageW(Main(), WM_LBUTTONUP, 0, PointParam(at));
}

bool Journey::InfoLineReads(const std::wstring& text) {
  return WaitUntil([&] { return ControlText(Main(), IDC_INFO) == text; });
}

std::optional<Palette> Journey::ShownPalette() {
  const Pixels pixels = SettledClient(Main());
  if (pixels.Empty()) return std::nullopt;
  Palette shown{};
  for (int i = 1; i < 256; ++i) {
    const POINT centre = SwatchCentre(i);
    shown[static_cast<std::size_t>(i)] = pixels.At(centre.x, centre.y);
  }
  return shown;
}

void Journey::ExpectShown(const Palette& palette) {
  const std::optional<Palette> shown = ShownPalette();
  ASSERT_TRUE(shown.has_value()) << "the window never stopped changing";
  int reported = 0;
  for (int i = 1; i < 256 && reported < 5; ++i) {
    const Rgb& want = palette[static_cast<std::size_t>(i)];
    const Rgb& seen = (*shown)[static_cast<std::size_t>(i)];
    if (want == seen) continue;
    ADD_FAILURE() << "swatch " << i << " shows " << Describe(seen) << ", expected " << Describe(want);
    ++reported;
  }
}

}  // namespace varnel::e2e
