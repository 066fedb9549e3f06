// The in-memory window system behind the window layer, for tests.
//
// A test creates one Desktop, fills in the resources and the scripted answers of the
// system dialogs, opens its dialog and sends it messages. Each window keeps a COLORREF
// frame buffer of its client area that is painted the way the system paints: an
// invalidated rectangle joins the update region; erasing, if any invalidation asked for
// it, covers the whole update region and comes first; painting is clipped to the
// update region, which is empty afterwards. Message boxes, invalidations, dialog runs
// and messages left to default handling are recorded.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "varnel/palette.h"
#include "varnel/palette_file.h"
#include "varnel/window/dialog.h"
#include "varnel/window/geometry.h"

namespace varnel::window {

// The memory backend's objects behind the opaque handles.

struct NativeIcon {
  int width = 32;
  int height = 32;
  COLORREF color = 0;  // an icon here is a solid square
};

struct NativeBitmap {
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;  // row by row, top row first
  int selections = 0;            // memory DCs it is selected into

  COLORREF At(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

struct NativeBrush {
  COLORREF color = 0;
};

struct NativeMenu {
  struct Item {
    unsigned flags = 0;
    unsigned id = 0;
    std::string text;
  };
  std::vector<Item> items;
};

// Drawing target: a window's frame buffer (clipped to `clip` when set), or a memory DC
// holding `bitmap`.
struct NativeDc {
  NativeWindow* window = nullptr;
  const std::vector<std::uint8_t>* clip = nullptr;  // one flag per client pixel
  NativeBitmap* bitmap = nullptr;
};

namespace memory {

struct Invalidation {
  std::optional<Rect> rect;  // empty: the whole client area
  bool erase = false;
};

}  // namespace memory

struct NativeWindow {
  Dialog* dialog = nullptr;
  int width = 0;
  int height = 0;
  std::vector<COLORREF> pixels;       // the client area, row by row
  std::vector<std::uint8_t> update;   // update region, one flag per pixel
  bool erasePending = false;
  bool iconic = false;
  std::map<int, std::string> controls;  // control id -> text
  NativeMenu systemMenu;
  IconHandle bigIcon = nullptr;
  IconHandle smallIcon = nullptr;
  std::optional<int> endResult;  // set by EndDialog
  std::vector<memory::Invalidation> invalidations;
  std::vector<Message> defaults;  // messages that got the system's default handling
  std::vector<Message> received;  // every message delivered, in order

  COLORREF Pixel(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
  bool UpdateRegionEmpty() const;
  // The texts of the system menu's items, separators as "".
  std::vector<std::string> MenuTexts() const;
};

namespace memory {

// The colour a window's frame buffer holds where nothing was ever painted.
inline constexpr COLORREF kUnpainted = 0x00FF00FF;
// The colour the system's default erase uses.
inline constexpr COLORREF kFaceColor = 0x00F0F0F0;

struct Size {
  int width = 0;
  int height = 0;
};

struct FileDialogCall {
  bool open = false;
  NativeString defaultExt;
  std::filesystem::path fileName;
  unsigned flags = 0;
  std::string filter;
  const Dialog* parent = nullptr;
};

struct FileDialogAnswer {
  int result = kIdCancel;
  std::filesystem::path path;  // the full path the dialog returns with kIdOk
};

struct ColorDialogCall {
  COLORREF initial = 0;
  unsigned flags = 0;
  const Dialog* parent = nullptr;
};

struct ColorDialogAnswer {
  int result = kIdCancel;
  COLORREF color = 0;
};

struct MessageBoxCall {
  const Dialog* owner = nullptr;
  std::string text;
  std::optional<std::string> caption;  // as passed; empty for a null caption
  std::string shownCaption;            // what the title bar says
  unsigned type = 0;
};

struct ModalRun {
  unsigned templateId = 0;
  const Dialog* parent = nullptr;
  int result = 0;
};

class Desktop {
 public:
  // Becomes the current desktop; only one may exist at a time.
  Desktop();
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // The desktop the window layer works on. Throws std::logic_error when there is none.
  static Desktop& Current();

  // ---- Resources and system values ----
  std::string appName = "Varnel";
  std::map<unsigned, Size> templateSizes;  // client size per dialog template
  std::map<unsigned, std::map<int, std::string>> templateTexts;  // controls' first texts
  std::map<unsigned, NativeBitmap> bitmaps;
  std::map<unsigned, NativeIcon> icons;
  std::map<unsigned, std::string> strings;
  int iconWidth = 32;  // kSmCxIcon
  int iconHeight = 32;  // kSmCyIcon

  // ---- Scripted system dialogs (answers are taken front first) ----
  std::deque<FileDialogAnswer> fileAnswers;
  std::vector<FileDialogCall> fileDialogs;
  std::deque<ColorDialogAnswer> colorAnswers;
  std::vector<ColorDialogCall> colorDialogs;
  std::deque<int> messageBoxAnswers;  // kIdOk when empty
  std::vector<MessageBoxCall> messageBoxes;

  // What a modal dialog does while it runs (DoModal); it may send messages and end the
  // dialog. A dialog still running afterwards ends with kIdCancel, as on Escape.
  std::function<void(Dialog&)> onModal;
  std::vector<ModalRun> modalRuns;

  // Misuse of the system that a real window system would not report but that is a fault
  // all the same (a bitmap deleted while selected, a paint that left its region).
  std::vector<std::string> faults;
  int liveGdiObjects = 0;  // brushes, bitmaps and memory DCs not yet released

  // ---- Driving windows ----

  // Creates the dialog's window, sends WM_INITDIALOG, and paints it as it is shown.
  NativeWindow& Open(Dialog& dialog);
  // Destroys the dialog's window.
  void Close(Dialog& dialog);
  NativeWindow& WindowOf(const Dialog& dialog) const;

  // Sends a message: the dialog's message map first, default handling when the map
  // does not take it or the handler asks for it. Does not paint.
  LResult Send(Dialog& dialog, unsigned message, WParam wParam = 0, LParam lParam = 0);
  // Paints what is invalid, as the system does when the message queue runs empty.
  void UpdateWindow(Dialog& dialog);

  // For the backend.
  LResult Deliver(NativeWindow& window, const Message& message);
  void Invalidate(NativeWindow& window, const Rect* rect, bool erase);
  void BeginPaint(NativeWindow& window, std::vector<std::uint8_t>& clip);

 private:
  LResult RunDefault(NativeWindow& window, const Message& message);
  std::vector<std::unique_ptr<NativeWindow>> windows_;
};

}  // namespace memory
}  // namespace varnel::window
