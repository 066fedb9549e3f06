// The memory backend of the dialog base, the menu, the resources and the system dialogs.
#include <algorithm>
#include <stdexcept>
#include <utility>

#include "varnel/window/common_dialogs.h"
#include "varnel/window/memory.h"

namespace varnel::window {
namespace {

using memory::Desktop;

NativeWindow& WindowOf(const Dialog& dialog) { return Desktop::Current().WindowOf(dialog); }

}  // namespace

Dialog::~Dialog() {
  if (window_ != nullptr) Desktop::Current().Close(*this);
}

int Dialog::DoModal() {
  Desktop& desktop = Desktop::Current();
  NativeWindow& window = desktop.Open(*this);
  if (desktop.onModal) desktop.onModal(*this);
  const int result = window.endResult.value_or(kIdCancel);
  desktop.modalRuns.push_back({templateId_, parent_, result});
  desktop.Close(*this);
  return result;
}

void Dialog::EndDialog(int result) { WindowOf(*this).endResult = result; }

void Dialog::InvalidateRect(const Rect* rect, bool erase) {
  Desktop::Current().Invalidate(WindowOf(*this), rect, erase);
}

Rect Dialog::GetClientRect() const {
  const NativeWindow& window = WindowOf(*this);
  return {0, 0, window.width, window.height};
}

bool Dialog::IsIconic() const { return WindowOf(*this).iconic; }

int Dialog::MessageBox(std::string_view text, const char* caption, unsigned type) {
  Desktop& desktop = Desktop::Current();
  memory::MessageBoxCall call{this, std::string(text), std::nullopt,
                              caption != nullptr ? caption : AppName(), type};
  if (caption != nullptr) call.caption = caption;
  desktop.messageBoxes.push_back(std::move(call));
  if (desktop.messageBoxAnswers.empty()) return kIdOk;
  const int answer = desktop.messageBoxAnswers.front();
  desktop.messageBoxAnswers.pop_front();
  return answer;
}

Menu Dialog::GetSystemMenu(bool revert) {
  NativeWindow& window = WindowOf(*this);
  if (revert) {
    // Reverting drops what the program added: back to the first five standard items.
    window.systemMenu.items.resize(std::min<std::size_t>(window.systemMenu.items.size(), 5));
  }
  return Menu(&window.systemMenu);
}

IconHandle Dialog::SetIcon(IconHandle icon, bool bigIcon) {
  NativeWindow& window = WindowOf(*this);
  IconHandle& slot = bigIcon ? window.bigIcon : window.smallIcon;
  return std::exchange(slot, icon);
}

LResult Dialog::SendMessage(unsigned message, WParam wParam, LParam lParam) {
  return Desktop::Current().Deliver(WindowOf(*this), {message, wParam, lParam});
}

std::string Dialog::GetDlgItemText(int controlId) const {
  const NativeWindow& window = WindowOf(*this);
  const auto text = window.controls.find(controlId);
  return text == window.controls.end() ? std::string() : text->second;
}

void Dialog::SetDlgItemText(int controlId, std::string_view text) {
  WindowOf(*this).controls[controlId] = std::string(text);
}

bool Menu::AppendMenu(unsigned flags, unsigned id, std::string_view text) {
  if (handle_ == nullptr) return false;
  const bool separator = (flags & kMfSeparator) != 0;
  handle_->items.push_back({flags, separator ? 0 : id, separator ? "" : std::string(text)});
  return true;
}

std::string AppName() { return Desktop::Current().appName; }

std::string LoadString(unsigned id) {
  const auto& strings = Desktop::Current().strings;
  const auto text = strings.find(id);
  return text == strings.end() ? std::string() : text->second;
}

IconHandle LoadIcon(unsigned id) {
  auto& icons = Desktop::Current().icons;
  const auto icon = icons.find(id);
  return icon == icons.end() ? nullptr : &icon->second;
}

int GetSystemMetrics(int index) {
  const Desktop& desktop = Desktop::Current();
  if (index == kSmCxIcon) return desktop.iconWidth;
  if (index == kSmCyIcon) return desktop.iconHeight;
  return 0;
}

int FileDialog::DoModal() {
  Desktop& desktop = Desktop::Current();
  desktop.fileDialogs.push_back({open_, defaultExt_, fileName_, flags_, filter_, parent_});
  if (desktop.fileAnswers.empty()) throw std::logic_error("file dialog without a scripted answer");
  const memory::FileDialogAnswer answer = desktop.fileAnswers.front();
  desktop.fileAnswers.pop_front();
  if (answer.result == kIdOk) path_ = answer.path;
  return answer.result;
}

int ColorDialog::DoModal() {
  Desktop& desktop = Desktop::Current();
  desktop.colorDialogs.push_back({initial_, flags_, parent_});
  if (desktop.colorAnswers.empty()) throw std::logic_error("colour dialog without a scripted answer");
  const memory::ColorDialogAnswer answer = desktop.colorAnswers.front();
  desktop.colorAnswers.pop_front();
  if (answer.result == kIdOk) color_ = answer.color;
  return answer.result;
}

}  // namespace varnel::window
