// palconv: converts palette files between the formats of the table of formats, or lists
// their colours or what they are. The entry point (main.cpp) hands the arguments over as
// UTF-8.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace palconv {

// Exit statuses.
inline constexpr int kExitOk = 0;          // every file was converted or shown
inline constexpr int kExitFileFailed = 1;  // at least one file failed; the others were done
inline constexpr int kExitUsage = 2;       // the command line made no sense; nothing was done

// The standard streams as the entry point set them up (binary mode on Windows).
struct Console {
  std::FILE* out = stdout;
  std::FILE* err = stderr;
  bool outIsTerminal = false;  // --show draws its colour grid only on a terminal
};

// Runs palconv on `args` (UTF-8, args[0] the program's name) and returns the exit status.
// Results and "Pallete saved as " lines go to console.out, every failure to console.err
// as "palconv: PATH: reason".
int Run(const std::vector<std::string>& args, const Console& console);

// A path from a UTF-8 argument. POSIX keeps the bytes as they are, so a name that is not
// valid UTF-8 still names its file; Windows decodes it to UTF-16.
std::filesystem::path PathFromUtf8(std::string_view text);

// A format's title after its article: "a GIMP palette", "an ACT colour table".
std::string WithArticle(std::string_view title);

}  // namespace palconv
