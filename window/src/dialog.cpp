// The parts of the dialog base that are the same on every backend: message routing,
// data exchange, the base message map and the file error box.
#include "varnel/window/dialog.h"

#include <utility>

#include "varnel/window/message_map.h"

namespace varnel::window {

const MessageEntry* MessageMap::Find(const Message& message) const noexcept {
  for (const MessageMap* map = this; map != nullptr; map = map->base) {
    for (const MessageEntry& entry : map->entries) {
      if (entry.message != message.id) continue;
      if (message.id == kWmCommand && (LoWord(message.wParam) != entry.controlId ||
                                       HiWord(message.wParam) != kBnClicked)) {
        continue;
      }
      return &entry;
    }
  }
  return nullptr;
}

void DDX_Text(DataExchange& dx, int controlId, std::string& value) {
  if (dx.saveAndValidate) {
    value = dx.dialog.GetDlgItemText(controlId);
  } else {
    dx.dialog.SetDlgItemText(controlId, value);
  }
}

Dialog::Dialog(unsigned templateId, Dialog* parent) noexcept
    : templateId_(templateId), parent_(parent) {}

// Built in class scope, where the protected handlers can be named.
const MessageMap Dialog::kMessageMap = [] {
  static constexpr MessageEntry kEntries[] = {
      MapOf<Dialog>::Command<kIdOk, &Dialog::OnOK>(),
      MapOf<Dialog>::Command<kIdCancel, &Dialog::OnCancel>(),
  };
  return MessageMap{nullptr, kEntries};
}();

const MessageMap& Dialog::GetMessageMap() const { return kMessageMap; }

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

bool Dialog::UpdateData(bool saveAndValidate) {
  DataExchange dx{*this, saveAndValidate};
  DoDataExchange(dx);
  return true;
}

void Dialog::Default() noexcept { defaultRequested_ = true; }

void Dialog::OnOK() {
  UpdateData(true);
  EndDialog(kIdOk);
}

void Dialog::OnCancel() { EndDialog(kIdCancel); }

DispatchResult Dialog::Dispatch(const Message& message) {
  const MessageEntry* entry = nullptr;
  if (message.id != kWmInitDialog) {
    entry = GetMessageMap().Find(message);
    if (entry == nullptr) return {false, true, 0};
  }
  // A handler may send messages itself; each keeps its own request for default handling.
  const bool outer = std::exchange(defaultRequested_, false);
  DispatchResult result{true, false, 0};
  try {
    result.value = entry != nullptr ? entry->call(*this, message) : (OnInitDialog() ? 1 : 0);
  } catch (const varnel::FileError& error) {
    ShowFileError(*this, error);
  }
  result.runDefault = std::exchange(defaultRequested_, outer);
  return result;
}

std::string FileErrorText(const varnel::FileError& error) {
  const char* verb = error.operation() == varnel::FileOperation::Read ? "read" : "write";
  return "Cannot " + std::string(verb) + " \"" + varnel::PathText(error.path()) + "\".\n\n" +
         error.reason();
}

void ShowFileError(Dialog& owner, const varnel::FileError& error) {
  owner.MessageBox(FileErrorText(error), nullptr, kMbOk | kMbIconExclamation);
}

}  // namespace varnel::window
