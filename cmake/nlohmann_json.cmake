# JSON palettes are parsed by nlohmann-json 3.11.2 (header-only), from Debian 12's source
# package nlohmann-json3, which scripts/third-party.sh unpacks beside the others: its
# single_include header, the same in every preset. The deb preset takes it from there too:
# a header-only library is compiled into palconv, so Debian's nlohmann-json3-dev would only
# add a build dependency on the same release, and no package follows its updates at run time.
# Gives the target varnel::json.
add_library(varnel_json INTERFACE)
add_library(varnel::json ALIAS varnel_json)
target_include_directories(varnel_json SYSTEM INTERFACE
  ${VARNEL_THIRD_PARTY_DIR}/nlohmann_json/single_include)
# No implicit conversions (a value's type is asked for), and no streams: bytes in, values out.
target_compile_definitions(varnel_json INTERFACE JSON_USE_IMPLICIT_CONVERSIONS=0 JSON_NO_IO=1)
