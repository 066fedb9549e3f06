#include <algorithm>
#include <stdexcept>

#include "varnel/window/memory.h"

namespace varnel::window {

bool NativeWindow::UpdateRegionEmpty() const {
  return std::none_of(update.begin(), update.end(), [](std::uint8_t f) { return f != 0; });
}

std::vector<std::string> NativeWindow::MenuTexts() const {
  std::vector<std::string> texts;
  for (const NativeMenu::Item& item : systemMenu.items) texts.push_back(item.text);
  return texts;
}

namespace memory {
namespace {

Desktop* current = nullptr;

NativeMenu StandardSystemMenu() {
  return {{{kMfString, kScRestore, "&Restore"},
           {kMfString, kScMove, "&Move"},
           {kMfString, kScMinimize, "Mi&nimize"},
           {kMfSeparator, 0, ""},
           {kMfString, kScClose, "&Close\tAlt+F4"}}};
}

// A stand-in for the background picture: grey rows, lighter at the top.
NativeBitmap SyntheticBackground() {
  NativeBitmap bitmap{513, 345, {}, 0};
  bitmap.pixels.reserve(513 * 345);
  for (int y = 0; y < bitmap.height; ++y) {
    const int grey = 220 - y * 120 / bitmap.height;
    for (int x = 0; x < bitmap.width; ++x) bitmap.pixels.push_back(MakeColor(grey, grey, grey));
  }
  return bitmap;
}

}  // namespace

Desktop::Desktop() {
  if (current != nullptr) throw std::logic_error("only one memory desktop at a time");
  current = this;
  templateSizes = {{100, {378, 72}}, {102, {279, 372}}};
  templateTexts[102] = {{1000, "Red 255, Green 255, Blue 255"},
                        {1001, "&Load Pallete..."},
                        {1002, "&Convert"},
                        {1003, "&Save as..."}};
  templateTexts[100] = {{1, "OK"}};
  bitmaps.emplace(129, SyntheticBackground());
  icons.emplace(128, NativeIcon{32, 32, MakeColor(0, 0, 128)});
  strings.emplace(101, "&About Varnel...");
}

Desktop::~Desktop() {
  for (auto& window : windows_) window->dialog->AttachWindow(nullptr);
  current = nullptr;
}

Desktop& Desktop::Current() {
  if (current == nullptr) throw std::logic_error("no memory desktop: create one first");
  return *current;
}

NativeWindow& Desktop::Open(Dialog& dialog) {
  if (dialog.GetSafeHwnd() != nullptr) throw std::logic_error("dialog is already open");
  const auto size = templateSizes.find(dialog.TemplateId());
  if (size == templateSizes.end()) throw std::logic_error("no such dialog template");
  auto window = std::make_unique<NativeWindow>();
  window->dialog = &dialog;
  window->width = size->second.width;
  window->height = size->second.height;
  const auto area = static_cast<std::size_t>(window->width) * static_cast<std::size_t>(window->height);
  window->pixels.assign(area, kUnpainted);
  window->update.assign(area, 0);
  window->systemMenu = StandardSystemMenu();
  if (const auto texts = templateTexts.find(dialog.TemplateId()); texts != templateTexts.end()) {
    window->controls = texts->second;
  }
  NativeWindow& result = *window;
  windows_.push_back(std::move(window));
  dialog.AttachWindow(&result);
  Deliver(result, {kWmInitDialog, 0, 0});
  // Showing the window makes all of it invalid.
  Invalidate(result, nullptr, true);
  result.invalidations.clear();
  UpdateWindow(dialog);
  return result;
}

void Desktop::Close(Dialog& dialog) {
  NativeWindow* window = dialog.GetSafeHwnd();
  dialog.AttachWindow(nullptr);
  std::erase_if(windows_, [window](const auto& w) { return w.get() == window; });
}

NativeWindow& Desktop::WindowOf(const Dialog& dialog) const {
  if (dialog.GetSafeHwnd() == nullptr) throw std::logic_error("dialog has no window");
  return *dialog.GetSafeHwnd();
}

LResult Desktop::Send(Dialog& dialog, unsigned message, WParam wParam, LParam lParam) {
  return Deliver(WindowOf(dialog), {message, wParam, lParam});
}

LResult Desktop::Deliver(NativeWindow& window, const Message& message) {
  window.received.push_back(message);
  const DispatchResult result = window.dialog->Dispatch(message);
  if (!result.runDefault) return result.value;
  const LResult byDefault = RunDefault(window, message);
  return result.handled ? result.value : byDefault;
}

void Desktop::UpdateWindow(Dialog& dialog) {
  NativeWindow& window = WindowOf(dialog);
  if (window.UpdateRegionEmpty()) return;
  Deliver(window, {kWmPaint, 0, 0});
  if (!window.UpdateRegionEmpty()) {
    faults.push_back("WM_PAINT left the update region unpainted");
    std::fill(window.update.begin(), window.update.end(), std::uint8_t{0});
  }
}

void Desktop::Invalidate(NativeWindow& window, const Rect* rect, bool erase) {
  window.invalidations.push_back({rect ? std::optional<Rect>(*rect) : std::nullopt, erase});
  const Rect whole{0, 0, window.width, window.height};
  const Rect r = rect ? *rect : whole;
  const int left = std::max(r.left, 0), right = std::min(r.right, window.width);
  const int top = std::max(r.top, 0), bottom = std::min(r.bottom, window.height);
  bool any = false;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      window.update[static_cast<std::size_t>(y * window.width + x)] = 1;
      any = true;
    }
  }
  if (any && erase) window.erasePending = true;
}

void Desktop::BeginPaint(NativeWindow& window, std::vector<std::uint8_t>& clip) {
  clip = window.update;
  std::fill(window.update.begin(), window.update.end(), std::uint8_t{0});
  if (!window.erasePending) return;
  window.erasePending = false;
  NativeDc dc{&window, &clip, nullptr};
  Deliver(window, {kWmEraseBkgnd, reinterpret_cast<WParam>(&dc), 0});
}

LResult Desktop::RunDefault(NativeWindow& window, const Message& message) {
  window.defaults.push_back(message);
  switch (message.id) {
    case kWmPaint: {
      std::vector<std::uint8_t> clip;
      BeginPaint(window, clip);
      return 0;
    }
    case kWmEraseBkgnd: {
      auto* dc = reinterpret_cast<NativeDc*>(message.wParam);
      for (std::size_t i = 0; i < window.pixels.size(); ++i) {
        if (dc->clip == nullptr || (*dc->clip)[i] != 0) window.pixels[i] = kFaceColor;
      }
      return 1;
    }
    case kWmSysCommand:
      switch (static_cast<unsigned>(message.wParam) & 0xFFF0u) {
        case kScClose:
          return Deliver(window, {kWmClose, 0, 0});
        case kScMinimize:
        case kScRestore:
          window.iconic = (static_cast<unsigned>(message.wParam) & 0xFFF0u) == kScMinimize;
          Invalidate(window, nullptr, true);
          return 0;
        default:
          return 0;
      }
    case kWmClose:
      return Deliver(window, {kWmCommand, MakeWParam(kIdCancel, kBnClicked), 0});
    default:
      return 0;
  }
}

}  // namespace memory
}  // namespace varnel::window
