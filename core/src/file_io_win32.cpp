// File access for Windows, through the wide API so that any file name works.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <random>
#include <string>

#include "varnel/file_error.h"
#include "varnel/file_io.h"
#include "varnel/utf.h"

namespace varnel {
namespace {

constexpr char kFolderReason[] = "Is a folder, not a file";

// The system's words for an error code, in UTF-8, without the trailing period and line end.
std::string SystemReason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD size = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring wide = size != 0 && text != nullptr ? std::wstring(text, size) : std::wstring();
  ::LocalFree(text);
  while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' ' ||
                           wide.back() == L'.'))
    wide.pop_back();
  if (wide.empty()) return "System error " + std::to_string(error);
  return Narrow(wide);
}

[[noreturn]] void Fail(const std::filesystem::path& path, DWORD error, FileOperation operation) {
  throw FileError(path, SystemReason(error), operation);
}

// Closes the handle on every path out.
class Handle {
 public:
  explicit Handle(HANDLE h) noexcept : h_(h) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() {
    if (h_ != INVALID_HANDLE_VALUE) ::CloseHandle(h_);
  }
  HANDLE get() const noexcept { return h_; }
  DWORD Close() noexcept {
    const BOOL ok = ::CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok ? 0 : ::GetLastError();
  }

 private:
  HANDLE h_;
};

bool IsFolder(const std::filesystem::path& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

HANDLE CreateTemporary(const std::filesystem::path& folder, std::filesystem::path& name) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t stem[32];
    std::swprintf(stem, 32, L".varnel-%016llx.tmp", static_cast<unsigned long long>(random()));
    name = folder / stem;
    // Not shared: nobody else opens the file while it is being written.
    const HANDLE h = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return h;
  }
  ::SetLastError(ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

void ReadChunks(HANDLE handle, const std::filesystem::path& name,
                const std::function<bool(std::string_view)>& sink) {
  std::array<char, 64 * 1024> buffer;
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(handle, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) {
      // A pipe whose writer has gone has simply ended.
      if (::GetLastError() == ERROR_BROKEN_PIPE) return;
      Fail(name, ::GetLastError(), FileOperation::Read);
    }
    if (n == 0 || !sink(std::string_view(buffer.data(), n))) return;
  }
}

}  // namespace

void ReadFileChunks(const std::filesystem::path& path,
                    const std::function<bool(std::string_view)>& sink) {
  if (IsFolder(path)) throw FileError(path, kFolderReason, FileOperation::Read);
  // Shared with every other opener, as editors open a file: a palette another program holds
  // open, even for writing, can still be read, and it can still be renamed or deleted.
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  Handle file(::CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) Fail(path, ::GetLastError(), FileOperation::Read);
  ReadChunks(file.get(), path, sink);
}

void ReadStandardInputChunks(const std::function<bool(std::string_view)>& sink) {
  ReadChunks(::GetStdHandle(STD_INPUT_HANDLE), kStandardInput, sink);
}

void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         const std::function<void()>& beforeReplacing) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  const bool replacing = attributes != INVALID_FILE_ATTRIBUTES;
  if (replacing && beforeReplacing) beforeReplacing();
  if (replacing && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
    throw FileError(path, kFolderReason, FileOperation::Write);
  // A read-only file is not replaced behind its owner's back.
  if (replacing && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    Fail(path, ERROR_ACCESS_DENIED, FileOperation::Write);

  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = L".";
  std::filesystem::path temporary;
  Handle file(CreateTemporary(folder, temporary));
  if (file.get() == INVALID_HANDLE_VALUE) Fail(path, ::GetLastError(), FileOperation::Write);

  DWORD error = 0;
  while (error == 0 && !bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr)) error = ::GetLastError();
    bytes.remove_prefix(written);
  }
  // A file that replaces another reaches the disk first, so that a power cut cannot leave
  // an empty file in its place.
  if (error == 0 && replacing && !::FlushFileBuffers(file.get())) error = ::GetLastError();
  if (const DWORD closed = file.Close(); error == 0) error = closed;
  if (error == 0 && !::MoveFileExW(temporary.c_str(), path.c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = ::GetLastError();
  if (error != 0) {
    ::DeleteFileW(temporary.c_str());
    Fail(path, error, FileOperation::Write);
  }
}

}  // namespace varnel
