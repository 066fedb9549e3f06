#include "capture.h"

#include <fstream>
#include <memory>
#include <thread>

#include "remote.h"

namespace varnel::e2e {
namespace {

struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct ObjectDeleter {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};

// A window's device context, released on scope exit.
class WindowDc {
 public:
  WindowDc(HWND window, bool whole) : window_(window), dc_(whole ? GetWindowDC(window) : GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_ != nullptr) ReleaseDC(window_, dc_);
  }
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

Pixels Capture(HWND window, bool whole) {
  RECT area{};
  if (whole) {
    GetWindowRect(window, &area);
    OffsetRect(&area, -area.left, -area.top);
  } else {
    GetClientRect(window, &area);
  }
  const int width = area.right;
  const int height = area.bottom;
  if (width <= 0 || height <= 0) return {};
  WindowDc source(window, whole);
  if (source.Get() == nullptr) return {};

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  std::unique_ptr<void, ObjectDeleter> dib(
      CreateDIBSection(source.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  std::unique_ptr<HDC__, DcDeleter> memory(CreateCompatibleDC(source.Get()));
  if (!dib || !memory) return {};
  const HGDIOBJ old = SelectObject(memory.get(), dib.get());
  BitBlt(memory.get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY);
  GdiFlush();
  const auto* first = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> copy(first, first + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  SelectObject(memory.get(), old);
  for (std::uint32_t& p : copy) p &= 0x00FFFFFFu;
  return Pixels(width, height, std::move(copy));
}

void PutLe(std::ofstream& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

}  // namespace

Rgb Pixels::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
  const std::uint32_t p = bgrx_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                static_cast<std::size_t>(x)];
  return {static_cast<int>((p >> 16) & 0xFFu), static_cast<int>((p >> 8) & 0xFFu),
          static_cast<int>(p & 0xFFu)};
}

void Pixels::Save(const std::filesystem::path& file) const {
  const auto stride = static_cast<std::uint32_t>((width_ * 3 + 3) / 4 * 4);
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(height_);
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.put('B');
  out.put('M');
  PutLe(out, 54 + imageSize, 4);
  PutLe(out, 0, 4);
  PutLe(out, 54, 4);
  PutLe(out, 40, 4);
  PutLe(out, static_cast<std::uint32_t>(width_), 4);
  PutLe(out, static_cast<std::uint32_t>(height_), 4);  // bottom row first
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  PutLe(out, 0, 4);
  PutLe(out, imageSize, 4);
  for (int i = 0; i < 4; ++i) PutLe(out, 0, 4);
  for (int y = height_ - 1; y >= 0; --y) {
    std::uint32_t written = 0;
    for (int x = 0; x < width_; ++x) {
      const Rgb c = At(x, y);
      out.put(static_cast<char>(c.b));
      out.put(static_cast<char>(c.g));
      out.put(static_cast<char>(c.r));
      written += 3;
    }
    for (; written < stride; ++written) out.put('\0');
  }
}

Pixels CaptureClient(HWND window) { return Capture(window, false); }
Pixels CaptureWindow(HWND window) { return Capture(window, true); }

Pixels SettledClient(HWND window) {
  // A message round trip first: whatever was asked of the program before is now under way.
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
  // The window's pixels reach the screen a little after they are painted; three equal
  // captures in a row, a poll apart, mean painting and flushing are over.
  constexpr int kAgreeing = 3;
  Pixels last = CaptureClient(window);
  int agreeing = 1;
  const bool settled = WaitUntil([&] {
    std::this_thread::sleep_for(20ms);
    Pixels current = CaptureClient(window);
    agreeing = (!current.Empty() && current == last) ? agreeing + 1 : 1;
    last = std::move(current);
    return agreeing >= kAgreeing;
  });
  return settled ? last : Pixels();
}

}  // namespace varnel::e2e
