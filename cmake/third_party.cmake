# PNG pictures are read and written by libpng over zlib, and colours converted by LittleCMS,
# all three from Debian 12's source packages (scripts/third-party.sh fetches and unpacks them
# once into build/third-party), compiled here as static libraries by this build's own
# compiler with its own flags: mingw-w64 for the Windows programs (one .exe, no DLL), and
# the sanitizers and libFuzzer's instrumentation in the asan and fuzz builds. Only
# VARNEL_SYSTEM_PNG and VARNEL_SYSTEM_LCMS2 (the deb preset) link Debian's shared libpng16-16,
# zlib1g and liblcms2-2 instead, so the package follows their security updates.
# The default CMYK print profile, which every build carries, comes from the same folder.
# Gives the targets varnel::png, varnel::lcms2 and varnel::default_profile; cmake/expat.cmake
# and cmake/minizip.cmake give varnel::expat and varnel::minizip the same way.

option(VARNEL_SYSTEM_PNG "Link the system's shared libpng instead of building Debian's sources" OFF)
option(VARNEL_SYSTEM_LCMS2 "Link the system's shared LittleCMS instead of building Debian's sources"
  OFF)

set(VARNEL_THIRD_PARTY_DIR ${PROJECT_SOURCE_DIR}/build/third-party CACHE PATH
  "Where scripts/third-party.sh unpacks Debian's sources and the default print profile")
# Quick when everything is there already.
execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/third-party.sh ${VARNEL_THIRD_PARTY_DIR}
  RESULT_VARIABLE fetched)
if(NOT fetched EQUAL 0)
  message(FATAL_ERROR "Debian's zlib, libpng and LittleCMS sources or the default print profile "
    "could not be fetched (scripts/third-party.sh)")
endif()
file(STRINGS ${VARNEL_THIRD_PARTY_DIR}/versions versions)
list(JOIN versions ", " versions)
message(STATUS "Third-party: Debian's ${versions}")

# The profile's bytes as a C++ array (rewritten only when they change).
set(profile ${VARNEL_THIRD_PARTY_DIR}/profiles/FOGRA39L_coated.icc)
file(READ ${profile} profile_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," profile_bytes "${profile_hex}")
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/default_profile.cpp @ONLY CONTENT [[
// Written by cmake/third_party.cmake from @profile@.
#include <string_view>

namespace varnel {
namespace {
constexpr unsigned char kBytes[] = {@profile_bytes@};
}  // namespace
std::string_view DefaultCmykProfileBytes() noexcept {
  return {reinterpret_cast<const char*>(kBytes), sizeof kBytes};
}
}  // namespace varnel
]])
add_library(varnel_default_profile STATIC ${CMAKE_CURRENT_BINARY_DIR}/default_profile.cpp)
add_library(varnel::default_profile ALIAS varnel_default_profile)

if(VARNEL_SYSTEM_LCMS2)
  find_path(LCMS2_INCLUDE_DIR lcms2.h REQUIRED)
  find_library(LCMS2_LIBRARY lcms2 REQUIRED)
  add_library(varnel_lcms2 INTERFACE)
  target_include_directories(varnel_lcms2 SYSTEM INTERFACE ${LCMS2_INCLUDE_DIR})
  target_link_libraries(varnel_lcms2 INTERFACE ${LCMS2_LIBRARY})
else()
  set(lcms2 ${VARNEL_THIRD_PARTY_DIR}/lcms2)
  add_library(varnel_lcms2 STATIC
    ${lcms2}/src/cmsalpha.c ${lcms2}/src/cmscam02.c ${lcms2}/src/cmscgats.c
    ${lcms2}/src/cmscnvrt.c ${lcms2}/src/cmserr.c ${lcms2}/src/cmsgamma.c
    ${lcms2}/src/cmsgmt.c ${lcms2}/src/cmshalf.c ${lcms2}/src/cmsintrp.c
    ${lcms2}/src/cmsio0.c ${lcms2}/src/cmsio1.c ${lcms2}/src/cmslut.c ${lcms2}/src/cmsmd5.c
    ${lcms2}/src/cmsmtrx.c ${lcms2}/src/cmsnamed.c ${lcms2}/src/cmsopt.c
    ${lcms2}/src/cmspack.c ${lcms2}/src/cmspcs.c ${lcms2}/src/cmsplugin.c
    ${lcms2}/src/cmsps2.c ${lcms2}/src/cmssamp.c ${lcms2}/src/cmssm.c
    ${lcms2}/src/cmstypes.c ${lcms2}/src/cmsvirt.c ${lcms2}/src/cmswtpnt.c
    ${lcms2}/src/cmsxform.c)
  target_include_directories(varnel_lcms2 SYSTEM PUBLIC ${lcms2}/include)
  if(NOT WIN32)  # Windows builds lock with the system's critical sections
    find_package(Threads REQUIRED)
    target_link_libraries(varnel_lcms2 PUBLIC m Threads::Threads)
  endif()
  # Other people's code: built without our warning policy.
  set_target_properties(varnel_lcms2 PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
  target_compile_options(varnel_lcms2 PRIVATE -w)
endif()
add_library(varnel::lcms2 ALIAS varnel_lcms2)

# (Before libpng's part, which returns early where the system's libpng is linked.)
include(${CMAKE_CURRENT_LIST_DIR}/libjpeg.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/expat.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/minizip.cmake)  # over varnel_zlib, defined below
include(${CMAKE_CURRENT_LIST_DIR}/nlohmann_json.cmake)

if(VARNEL_SYSTEM_PNG)
  find_package(PNG 1.6 REQUIRED)
  add_library(varnel::png ALIAS PNG::PNG)
  return()
endif()

set(zlib ${VARNEL_THIRD_PARTY_DIR}/zlib)
add_library(varnel_zlib STATIC
  ${zlib}/adler32.c ${zlib}/compress.c ${zlib}/crc32.c ${zlib}/deflate.c ${zlib}/infback.c
  ${zlib}/inffast.c ${zlib}/inflate.c ${zlib}/inftrees.c ${zlib}/trees.c ${zlib}/uncompr.c
  ${zlib}/zutil.c)
target_include_directories(varnel_zlib SYSTEM PUBLIC ${zlib})

set(png ${VARNEL_THIRD_PARTY_DIR}/libpng)
# The configuration libpng's own builds start from: every feature, nothing platform-specific.
configure_file(${png}/scripts/pnglibconf.h.prebuilt ${CMAKE_CURRENT_BINARY_DIR}/png/pnglibconf.h
  COPYONLY)
add_library(varnel_png STATIC
  ${png}/png.c ${png}/pngerror.c ${png}/pngget.c ${png}/pngmem.c ${png}/pngpread.c
  ${png}/pngread.c ${png}/pngrio.c ${png}/pngrtran.c ${png}/pngrutil.c ${png}/pngset.c
  ${png}/pngtrans.c ${png}/pngwio.c ${png}/pngwrite.c ${png}/pngwtran.c ${png}/pngwutil.c)
target_include_directories(varnel_png SYSTEM PUBLIC ${png} ${CMAKE_CURRENT_BINARY_DIR}/png)
# The portable C filters on every processor, as Debian builds it: no SIMD sources to add.
target_compile_definitions(varnel_png PRIVATE PNG_ARM_NEON_OPT=0 PNG_INTEL_SSE_OPT=0
  PNG_MIPS_MSA_OPT=0 PNG_POWERPC_VSX_OPT=0)
target_link_libraries(varnel_png PUBLIC varnel_zlib)
if(NOT WIN32)
  target_link_libraries(varnel_png PUBLIC m)
endif()

# Other people's code: built without our warning policy.
foreach(library varnel_zlib varnel_png)
  set_target_properties(${library} PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
  target_compile_options(${library} PRIVATE -w)
endforeach()
add_library(varnel::png ALIAS varnel_png)
