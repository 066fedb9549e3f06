// The drawing calls of the window layer on real GDI, read back from 32-bit DIB sections.
#include "varnel/window/gdi.h"

#include <gtest/gtest.h>

#include <utility>

#include "../native.h"
#include "resource.h"

namespace varnel::window {
namespace {

constexpr ::COLORREF kGrey = RGB(128, 128, 128);

// A memory DC holding a width x height 32-bit top-down DIB whose pixels can be read.
class Canvas {
 public:
  Canvas(int width, int height, ::COLORREF fill) : width_(width) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = ::CreateCompatibleDC(nullptr);
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
    HBRUSH brush = ::CreateSolidBrush(fill);
    const RECT all{0, 0, width, height};
    ::FillRect(dc_, &all, brush);
    ::DeleteObject(brush);
  }
  ~Canvas() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  DcHandle Handle() const { return win32::Opaque(dc_); }
  void Set(int x, int y, ::COLORREF c) { ::SetPixelV(dc_, x, y, c); }
  ::COLORREF At(int x, int y) const {
    ::GdiFlush();
    const auto bgrx = static_cast<const std::uint32_t*>(bits_)[y * width_ + x];
    return RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF);
  }

 private:
  int width_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

TEST(Drawing, FillRectCoversLeftAndTopButNotRightAndBottom) {
  const struct {
    const char* why;
    Rect rect;
    int filled;  // pixels of the 10 x 10 canvas that turn red
  } cases[] = {
      {"3 x 2 inside", {2, 3, 5, 5}, 6},
      {"a swatch hanging off the left edge (swatch 0)", {-11, 1, 4, 3}, 8},
      {"right == left: nothing", {4, 4, 4, 8}, 0},
  };
  for (const auto& c : cases) {
    Canvas canvas(10, 10, kGrey);
    DC dc(canvas.Handle());
    dc.FillRect(c.rect, Brush(RGB(255, 0, 0)));
    int red = 0;
    for (int y = 0; y < 10; ++y) {
      for (int x = 0; x < 10; ++x) red += canvas.At(x, y) == RGB(255, 0, 0) ? 1 : 0;
    }
    EXPECT_EQ(red, c.filled) << c.why;
  }
}

TEST(Drawing, RectangleUsesTheDefaultBlackPenAndWhiteBrush) {
  Canvas canvas(12, 12, kGrey);
  DC dc(canvas.Handle());
  ASSERT_TRUE(dc.Rectangle({2, 3, 9, 10}));
  const struct {
    const char* why;
    int x, y;
    ::COLORREF color;
  } pixels[] = {
      {"top-left corner of the outline", 2, 3, RGB(0, 0, 0)},
      {"outline on the last column inside", 8, 6, RGB(0, 0, 0)},
      {"outline on the last row inside", 5, 9, RGB(0, 0, 0)},
      {"just inside the outline", 3, 4, RGB(255, 255, 255)},
      {"middle", 5, 6, RGB(255, 255, 255)},
      {"right edge excluded", 9, 6, kGrey},
      {"bottom edge excluded", 5, 10, kGrey},
  };
  for (const auto& p : pixels) EXPECT_EQ(canvas.At(p.x, p.y), p.color) << p.why;
}

TEST(Drawing, StretchBltScalesEachAxisOnItsOwn) {
  Canvas source(2, 2, kGrey);
  const ::COLORREF colors[2][2] = {{RGB(255, 0, 0), RGB(0, 255, 0)},
                                   {RGB(0, 0, 255), RGB(255, 255, 0)}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 2; ++x) source.Set(x, y, colors[y][x]);
  }
  Canvas target(8, 9, kGrey);
  DC to(target.Handle());
  const DC from(source.Handle());
  // Twice as wide, three times as tall, one pixel in from the left: no pixels merge.
  ASSERT_TRUE(to.StretchBlt(1, 0, 4, 6, from, 0, 0, 2, 2, kSrcCopy));
  for (int y = 0; y < 6; ++y) {
    for (int x = 1; x < 5; ++x) {
      EXPECT_EQ(target.At(x, y), colors[y / 3][(x - 1) / 2]) << "at " << x << "," << y;
    }
  }
  EXPECT_EQ(target.At(0, 0), kGrey) << "left of the destination";
  EXPECT_EQ(target.At(5, 0), kGrey) << "right of the destination";
  EXPECT_EQ(target.At(1, 6), kGrey) << "below the destination";
}

TEST(Drawing, BitmapFromTheResources) {
  const Bitmap background(IDB_BACKGROUND);
  ASSERT_NE(background.Handle(), nullptr);
  EXPECT_EQ(background.Width(), 513);
  EXPECT_EQ(background.Height(), 345);

  const Bitmap missing(4242);
  EXPECT_EQ(missing.Handle(), nullptr);
  EXPECT_EQ(missing.Width(), 0);
  EXPECT_EQ(missing.Height(), 0);
}

TEST(Drawing, MemoryDcCopiesTheSelectedBitmap) {
  const Bitmap background(IDB_BACKGROUND);
  ASSERT_NE(background.Handle(), nullptr);
  Canvas target(4, 4, RGB(255, 0, 255));
  DC to(target.Handle());
  {
    MemoryDC memory(to);
    memory.SelectBitmap(background);
    ASSERT_TRUE(to.StretchBlt(0, 0, 4, 4, memory, 0, 0, 4, 4, kSrcCopy));
  }
  // The same pixels, read straight from the bitmap (which the memory DC has let go of).
  HDC reader = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(reader, win32::Native(background.Handle()));
  ASSERT_NE(old, nullptr) << "the bitmap is still held by the deleted memory DC";
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(target.At(x, y), ::GetPixel(reader, x, y)) << x << "," << y;
  }
  ::SelectObject(reader, old);
  ::DeleteDC(reader);
}

TEST(Drawing, ABrushIsFreedOnceByItsLastOwner) {
  HGDIOBJ handle = nullptr;
  {
    Brush first(RGB(1, 2, 3));
    handle = win32::Native(first.Handle());
    {
      Brush second(std::move(first));
      EXPECT_EQ(first.Handle(), nullptr) << "moved-from";
    }
    EXPECT_EQ(::GetObjectType(handle), 0u) << "freed with the owner it moved to";
  }
  Brush kept(RGB(4, 5, 6));
  EXPECT_EQ(::GetObjectType(win32::Native(kept.Handle())), static_cast<DWORD>(OBJ_BRUSH));
}

}  // namespace
}  // namespace varnel::window
