// palconv's entry point, the one place that knows the platform: it hands the arguments to
// palconv::Run as UTF-8 and tells it whether standard output is a terminal.
#include <cstdio>
#include <string>
#include <vector>

#include "palconv.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace {

std::string Utf8(const wchar_t* text) {
  const int length = lstrlenW(text);
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr, nullptr);
  return utf8;
}

// Sets the console up for palconv's output while it runs, and back as it was afterwards
// (the console outlives the program): UTF-8 text, and colour escapes on standard output.
class ConsoleSetup {
 public:
  ConsoleSetup() : code_page_(GetConsoleOutputCP()), out_(GetStdHandle(STD_OUTPUT_HANDLE)) {
    if (code_page_ != 0) SetConsoleOutputCP(CP_UTF8);
    if (out_ != INVALID_HANDLE_VALUE && GetConsoleMode(out_, &mode_)) {
      is_terminal_ = true;
      SetConsoleMode(out_, mode_ | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
  }
  ~ConsoleSetup() {
    if (is_terminal_) SetConsoleMode(out_, mode_);
    if (code_page_ != 0) SetConsoleOutputCP(code_page_);
  }
  ConsoleSetup(const ConsoleSetup&) = delete;
  ConsoleSetup& operator=(const ConsoleSetup&) = delete;

  bool out_is_terminal() const { return is_terminal_; }

 private:
  UINT code_page_;  // 0 when there is no console
  HANDLE out_;
  DWORD mode_ = 0;
  bool is_terminal_ = false;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // Palettes pass through the standard streams byte for byte: an ACT table is binary and
  // the JASC-PAL encoder already ends its lines in CR LF.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> args;
  args.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) args.push_back(Utf8(argv[i]));
  const ConsoleSetup setup;
  palconv::Console console;
  console.out_is_terminal = setup.out_is_terminal();
  const int status = palconv::Run(args, console);
  std::fflush(stdout);  // before the console goes back to its old code page
  return status;
}

#else
#include <unistd.h>

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv, argv + argc);
  palconv::Console console;
  console.out_is_terminal = isatty(STDOUT_FILENO) == 1;
  return palconv::Run(args, console);
}
#endif
