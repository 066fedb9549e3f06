// libFuzzer target: the naming rules (extension, format, Convert's target) and their properties.
#include <cstddef>
#include <cstdint>

#include "properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return varnel::fuzz::RunFuzzInput(varnel::fuzz::CheckNaming, data, size);
}
