// The one error a palette file operation raises.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace varnel {

enum class FileOperation { Read, Write };

// A file could not be read or written. Carries the path, what was being done and the
// system's reason; what() reads "PATH: reason" (UTF-8).
class FileError : public std::runtime_error {
 public:
  FileError(std::filesystem::path path, std::string reason, FileOperation operation);

  const std::filesystem::path& path() const noexcept { return path_; }
  // The system's words for what went wrong, UTF-8, e.g. "No such file or directory".
  const std::string& reason() const noexcept { return reason_; }
  FileOperation operation() const noexcept { return operation_; }

 private:
  std::filesystem::path path_;
  std::string reason_;
  FileOperation operation_;
};

// A path as UTF-8 text, for messages.
std::string PathText(const std::filesystem::path& path);

}  // namespace varnel
