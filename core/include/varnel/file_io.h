// Whole-file access underneath the palette files, one implementation per platform.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string_view>

namespace varnel {

// What a FileError names when standard input fails.
inline constexpr char kStandardInput[] = "standard input";

// Opens `path` for reading, shared with other readers and writers as editors open a file,
// and hands its bytes to `sink` in pieces, in order, until the end of the file or until
// `sink` returns false.
// Throws FileError when the file cannot be opened or read.
void ReadFileChunks(const std::filesystem::path& path,
                    const std::function<bool(std::string_view)>& sink);

// The same for standard input, as it is (binary on Windows too).
void ReadStandardInputChunks(const std::function<bool(std::string_view)>& sink);

// Replaces the contents of `path` with `bytes` all or nothing. A new file is written unnamed
// and given its name once complete where the system can (Linux); otherwise, and to replace a
// file, a temporary file in the same folder is written, flushed to disk when it will replace
// an existing file, and renamed over `path`. A symbolic link is written through to the file
// it names, except one another user put in a sticky folder anyone may write to (unless they
// own the folder); a pipe or device is written into, as it cannot be replaced.
// `beforeReplacing`, if set, is called once `path` is found to exist, before anything is
// written; what it throws ends the write with nothing changed. Throws FileError naming
// `path`; on failure the old file is untouched and no other file is left.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         const std::function<void()>& beforeReplacing = {});

}  // namespace varnel
