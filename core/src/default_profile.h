// The CMYK print profile built into the program (cmake/third_party.cmake writes its bytes
// from Debian's package at configure time).
#pragma once

#include <string_view>

namespace varnel {

// The profile's bytes: FOGRA39L Coated.
std::string_view DefaultCmykProfileBytes() noexcept;

}  // namespace varnel
