// libFuzzer target: the ACT reader against its properties.
#include <cstddef>
#include <cstdint>

#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return varnel::fuzz::RunFuzzInput(varnel::fuzz::CheckAct, data, size);
}
