// Scratch folders and whole files, for every test suite.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace varnel::test {

// A fresh folder under the system's temporary folder (mode 0755, so that a process without
// privileges reaches its files), removed with everything in it, even folders a test took
// permissions away from.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const noexcept { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The whole file; throws std::runtime_error when it cannot be read.
std::string ReadBytes(const std::filesystem::path& path);
// Creates or replaces the file; throws std::runtime_error when it cannot be written.
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);

}  // namespace varnel::test
