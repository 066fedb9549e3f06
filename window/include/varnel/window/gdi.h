// Drawing: device contexts, brushes and bitmaps. Every object that owns a system handle
// releases it when it goes out of scope; none can be copied or moved.
#pragma once

#include <cstdint>
#include <memory>

#include "varnel/window/constants.h"
#include "varnel/window/geometry.h"

namespace varnel::window {

class Dialog;

// A solid brush of one colour (0x00BBGGRR).
class Brush {
 public:
  explicit Brush(Color color);
  ~Brush();
  Brush(const Brush&) = delete;
  Brush& operator=(const Brush&) = delete;

  BrushHandle Handle() const noexcept { return handle_; }

 private:
  BrushHandle handle_;
};

// A bitmap loaded from the executable's resources.
class Bitmap {
 public:
  // Loads bitmap resource `resourceId`; the handle is null when there is none.
  explicit Bitmap(unsigned resourceId);
  ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  BitmapHandle Handle() const noexcept { return handle_; }

  // Size in pixels (0 when nothing was loaded).
  int Width() const;
  int Height() const;

 private:
  BitmapHandle handle_;
};

// A device context this object does not own (the one WM_ERASEBKGND brings, or the base
// of the owning kinds below). Starts with the system's default objects: a 1-pixel black
// pen and a white brush.
class DC {
 public:
  explicit DC(DcHandle hdc) noexcept : hdc_(hdc) {}
  DC(const DC&) = delete;
  DC& operator=(const DC&) = delete;

  DcHandle GetSafeHdc() const noexcept { return hdc_; }

  // Fills `rect` (right and bottom exclusive) with `brush`.
  void FillRect(const Rect& rect, const Brush& brush);

  // Draws `rect` with the current pen (outline, inside the rectangle) and fills the
  // inside with the current brush. Returns false on failure.
  bool Rectangle(const Rect& rect);

  // Draws `icon` at its large size with its top-left corner at (x, y).
  bool DrawIcon(int x, int y, IconHandle icon);

  // Copies the source rectangle (sx, sy, sw, sh) of `source` onto (x, y, width, height)
  // here, scaling each axis on its own, in the default stretch mode, with raster
  // operation `rop` (kSrcCopy).
  bool StretchBlt(int x, int y, int width, int height, const DC& source, int sx, int sy, int sw,
                  int sh, std::uint32_t rop);

 protected:
  DcHandle hdc_;
};

// Painting in WM_PAINT: begins painting the window's update region (which erases the
// background first when the region asks for it) and ends painting when destroyed.
// Drawing is clipped to the update region.
class PaintDC : public DC {
 public:
  explicit PaintDC(Dialog& window);
  ~PaintDC();
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;

  struct State;  // the system's record of the paint in progress

 private:
  std::unique_ptr<State> state_;
};

// A memory device context compatible with another one; deleted when destroyed, after
// putting back the bitmap it started with.
class MemoryDC : public DC {
 public:
  explicit MemoryDC(const DC& compatible);
  ~MemoryDC();
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;

  // Selects `bitmap` into this context as the source of a later StretchBlt. The bitmap
  // must outlive this context.
  void SelectBitmap(const Bitmap& bitmap);

 private:
  BitmapHandle original_ = nullptr;  // the bitmap selected before SelectBitmap
};

}  // namespace varnel::window
