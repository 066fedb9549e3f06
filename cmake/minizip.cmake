# ZIP archives (Krita's colour sets, Procreate's swatches) through minizip, the reader and
# writer in zlib's own contrib/minizip, from the zlib source cmake/third_party.cmake builds.
# core/src/zip.cpp gives it its own memory callbacks (ioapi), so minizip never opens a file;
# its crypt and file-system helpers are left out. Where VARNEL_SYSTEM_MINIZIP is on (the deb
# preset), Debian's shared libminizip is linked instead, so the package follows its security
# updates as it does zlib's. Gives varnel::minizip.

option(VARNEL_SYSTEM_MINIZIP "Link the system's shared minizip instead of building zlib's contrib"
  OFF)

if(VARNEL_SYSTEM_MINIZIP)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(VARNEL_MINIZIP REQUIRED IMPORTED_TARGET minizip)
  add_library(varnel::minizip ALIAS PkgConfig::VARNEL_MINIZIP)
  return()
endif()

set(minizip ${VARNEL_THIRD_PARTY_DIR}/zlib/contrib/minizip)
add_library(varnel_minizip STATIC ${minizip}/ioapi.c ${minizip}/unzip.c ${minizip}/zip.c)
# Headers as the system's package installs them: <unzip.h>, <zip.h>.
target_include_directories(varnel_minizip SYSTEM PUBLIC ${minizip})
# No encryption (encrypted entries are refused anyway), and ioapi's stdio functions, which our
# callbacks replace, on plain fopen and fseeko everywhere.
target_compile_definitions(varnel_minizip PRIVATE NOCRYPT NOUNCRYPT IOAPI_NO_64 USE_FILE32API)
if(VARNEL_SYSTEM_PNG)  # the system's zlib
  find_package(ZLIB REQUIRED)
  target_link_libraries(varnel_minizip PUBLIC ZLIB::ZLIB)
else()  # built by cmake/third_party.cmake
  target_link_libraries(varnel_minizip PUBLIC varnel_zlib)
endif()
set_target_properties(varnel_minizip PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
target_compile_options(varnel_minizip PRIVATE -w)
add_library(varnel::minizip ALIAS varnel_minizip)
