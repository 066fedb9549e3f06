#include "varnel/file_error.h"

#include <utility>

namespace varnel {

std::string PathText(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

FileError::FileError(std::filesystem::path path, std::string reason, FileOperation operation)
    : std::runtime_error(PathText(path) + ": " + reason),
      path_(std::move(path)),
      reason_(std::move(reason)),
      operation_(operation) {}

}  // namespace varnel
