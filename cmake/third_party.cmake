# PNG pictures are read and written by libpng over zlib, both from Debian 12's source packages
# (scripts/third-party.sh fetches and unpacks them once into build/third-party), compiled
# here as static libraries by this build's own compiler with its own flags: mingw-w64 for
# the Windows programs (one .exe, no DLL), and the sanitizers and libFuzzer's instrumentation
# in the asan and fuzz builds. Only VARNEL_SYSTEM_PNG (the deb preset) links Debian's shared
# libpng16-16 and zlib1g instead, so the package follows their security updates.
# Gives the target varnel::png.

option(VARNEL_SYSTEM_PNG "Link the system's shared libpng instead of building Debian's sources" OFF)

if(VARNEL_SYSTEM_PNG)
  find_package(PNG 1.6 REQUIRED)
  add_library(varnel::png ALIAS PNG::PNG)
  return()
endif()

set(VARNEL_THIRD_PARTY_DIR ${PROJECT_SOURCE_DIR}/build/third-party CACHE PATH
  "Where scripts/third-party.sh unpacks Debian's zlib and libpng sources")
if(NOT EXISTS ${VARNEL_THIRD_PARTY_DIR}/versions)
  execute_process(COMMAND ${PROJECT_SOURCE_DIR}/scripts/third-party.sh ${VARNEL_THIRD_PARTY_DIR}
    RESULT_VARIABLE fetched)
  if(NOT fetched EQUAL 0)
    message(FATAL_ERROR "Debian's zlib and libpng sources could not be fetched (scripts/third-party.sh)")
  endif()
endif()
file(STRINGS ${VARNEL_THIRD_PARTY_DIR}/versions versions)
list(JOIN versions ", " versions)
message(STATUS "PNG: Debian's sources, ${versions}, built static")

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
