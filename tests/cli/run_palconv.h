// Runs the palconv binary as a child process and collects what it did.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace palconv::test {

// Where the child's standard output goes.
enum class Stdout {
  Pipe,      // collected into Outcome::out
  Terminal,  // a pseudo-terminal, collected into Outcome::out (the terminal turns "\n" into "\r\n")
  Full,      // /dev/full: every write fails with "No space left on device"
};

struct Outcome {
  int status = -1;  // exit status, or -1 when the child did not exit normally
  std::string out;
  std::string err;
};

// Runs palconv with `args` in `folder`, feeding `input` to its standard input.
Outcome RunPalconv(const std::filesystem::path& folder, const std::vector<std::string>& args,
                   std::string_view input = {}, Stdout out = Stdout::Pipe);

}  // namespace palconv::test
