# XML (LibreOffice's colour tables, Scribus swatch sets, Krita's colour sets) through expat,
# built from Debian 12's source package like zlib and libpng (cmake/third_party.cmake), or
# the system's shared libexpat where VARNEL_SYSTEM_EXPAT is on (the deb preset). Built
# without DTD support: no external or parameter entities, nothing read beyond the bytes
# given; core/src/xml.cpp refuses entity declarations as well. Gives varnel::expat.

option(VARNEL_SYSTEM_EXPAT "Link the system's shared expat instead of building Debian's sources"
  OFF)

if(VARNEL_SYSTEM_EXPAT)
  find_package(EXPAT 2.5 REQUIRED)
  add_library(varnel::expat ALIAS EXPAT::EXPAT)
  return()
endif()

set(expat ${VARNEL_THIRD_PARTY_DIR}/expat/expat)
# expat_config.h: what its own CMake build would find on the two kinds of system we build
# for, with nothing optional switched on. Entropy for its hash salt comes from getrandom
# (glibc) or rand_s (Windows, which xmlparse.c picks by itself).
include(TestBigEndian)
test_big_endian(varnel_big_endian)
if(varnel_big_endian)
  set(varnel_byteorder 4321)
else()
  set(varnel_byteorder 1234)
endif()
set(varnel_entropy "")
if(NOT WIN32)
  set(varnel_entropy "#define HAVE_GETRANDOM 1")
endif()
file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/expat/expat_config.h CONTENT [[
/* Written by cmake/expat.cmake. */
#ifndef EXPAT_CONFIG_H
#define EXPAT_CONFIG_H 1
#define BYTEORDER @varnel_byteorder@
#define HAVE_MEMMOVE 1
#define HAVE_STDINT_H 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1
@varnel_entropy@
#define XML_CONTEXT_BYTES 1024
#define XML_NS 1
#endif
]] @ONLY)
add_library(varnel_expat STATIC ${expat}/lib/xmlparse.c ${expat}/lib/xmlrole.c
  ${expat}/lib/xmltok.c)
target_include_directories(varnel_expat PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/expat)
target_include_directories(varnel_expat SYSTEM PUBLIC ${expat}/lib)
# A static library: no dllimport in the Windows builds.
target_compile_definitions(varnel_expat PUBLIC XML_STATIC)
if(NOT WIN32)
  target_link_libraries(varnel_expat PRIVATE m)
endif()
# Other people's code: built without our warning policy.
set_target_properties(varnel_expat PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
target_compile_options(varnel_expat PRIVATE -w)
add_library(varnel::expat ALIAS varnel_expat)
