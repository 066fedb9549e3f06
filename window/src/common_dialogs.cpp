#include "varnel/window/common_dialogs.h"

#include <utility>

namespace varnel::window {

FileDialog::FileDialog(bool openFileDialog, NativeString defaultExt,
                       std::filesystem::path fileName, unsigned flags, std::string_view filter,
                       Dialog* parent)
    : open_(openFileDialog),
      defaultExt_(std::move(defaultExt)),
      fileName_(std::move(fileName)),
      flags_(flags),
      filter_(filter),
      parent_(parent) {}

NativeString FileDialog::GetFileExt() const { return varnel::ExtensionOf(path_); }

}  // namespace varnel::window
