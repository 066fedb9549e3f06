// palconv's entry point, the one place that knows the platform: it hands the arguments to
// palconv::Run as UTF-8 and tells it whether standard output is a terminal.
#include <cstdio>
#include <string>
#include <vector>

#include "palconv.h"
#include "varnel/utf.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace {

// Sets the console up for palconv's output while it runs, and back as it was afterwards
// (the console outlives the program): UTF-8 text, and colour escapes on standard output.
class ConsoleSetup {
 public:
  ConsoleSetup() : codePage_(GetConsoleOutputCP()), out_(GetStdHandle(STD_OUTPUT_HANDLE)) {
    if (codePage_ != 0) SetConsoleOutputCP(CP_UTF8);
    if (out_ != INVALID_HANDLE_VALUE && GetConsoleMode(out_, &mode_)) {
      isTerminal_ = true;
      SetConsoleMode(out_, mode_ | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
  }
  ~ConsoleSetup() {
    if (isTerminal_) SetConsoleMode(out_, mode_);
    if (codePage_ != 0) SetConsoleOutputCP(codePage_);
  }
  ConsoleSetup(const ConsoleSetup&) = delete;
  ConsoleSetup& operator=(const ConsoleSetup&) = delete;

  bool outIsTerminal() const { return isTerminal_; }

 private:
  UINT codePage_;  // 0 when there is no console
  HANDLE out_;
  DWORD mode_ = 0;
  bool isTerminal_ = false;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Palettes leave through standard output byte for byte: an ACT table is binary and the
  // JASC-PAL encoder already ends its lines in CR LF.
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> args;
  args.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) args.push_back(varnel::Narrow(argv[i]));
  const ConsoleSetup setup;
  palconv::Console console;
  console.outIsTerminal = setup.outIsTerminal();
  return palconv::Run(args, console);
}

#else
#include <unistd.h>

#include <csignal>

int main(int argc, char** argv) {
  // A file size limit makes a write fail with "File too large" instead of killing palconv.
  std::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> args(argv, argv + argc);
  palconv::Console console;
  console.outIsTerminal = isatty(STDOUT_FILENO) == 1;
  return palconv::Run(args, console);
}
#endif
