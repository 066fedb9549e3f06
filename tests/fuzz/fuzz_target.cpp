// libFuzzer target: a broken property aborts, so that the fuzzer keeps the input.
#include <cstdio>
#include <cstdlib>

#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
  const std::string problem = varnel::fuzz::CheckInput({reinterpret_cast<const char*>(data), size});
  if (problem.empty()) return 0;
  std::fprintf(stderr, "broken property: %s\n", problem.c_str());
  std::abort();
}
