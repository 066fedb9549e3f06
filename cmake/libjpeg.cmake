# JPEG pictures are read by libjpeg-turbo from Debian 12's source package (libjpeg-turbo 2.1.5,
# which scripts/third-party.sh unpacks into build/third-party/libjpeg), compiled here as a
# static library of its portable C sources (no SIMD, so no NASM), decoding only, with the
# jconfig.h and jconfigint.h its own CMake would write. VARNEL_SYSTEM_JPEG (the deb preset)
# links Debian's shared libjpeg62-turbo instead. Gives the target varnel::jpeg.

option(VARNEL_SYSTEM_JPEG "Link the system's shared libjpeg instead of building Debian's sources"
  OFF)

if(VARNEL_SYSTEM_JPEG)
  find_package(JPEG REQUIRED)
  add_library(varnel::jpeg ALIAS JPEG::JPEG)
  return()
endif()

set(jpeg ${VARNEL_THIRD_PARTY_DIR}/libjpeg)
set(jpeg_config ${CMAKE_CURRENT_BINARY_DIR}/jpeg)
# The libjpeg 6.2 interface, as Debian's libjpeg62-turbo has it.
set(JPEG_LIB_VERSION 62)
set(VERSION 2.1.5)
set(LIBJPEG_TURBO_VERSION_NUMBER 2001005)
set(BITS_IN_JSAMPLE 8)
set(C_ARITH_CODING_SUPPORTED OFF)
set(D_ARITH_CODING_SUPPORTED ON)
set(MEM_SRCDST_SUPPORTED ON)
set(WITH_SIMD OFF)
set(RIGHT_SHIFT_IS_UNSIGNED OFF)
set(BUILD "Debian")
set(INLINE "__inline__ __attribute__((always_inline))")
set(THREAD_LOCAL "__thread")
set(CMAKE_PROJECT_NAME "libjpeg-turbo")
set(SIZE_T ${CMAKE_SIZEOF_VOID_P})
# __builtin_ctzl counts in an unsigned long, which is narrower than size_t on 64-bit Windows.
if(NOT (WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 8))
  set(HAVE_BUILTIN_CTZL ON)
endif()
set(HAVE_INTRIN_H OFF)
set(COPYRIGHT_YEAR "1991-2023")
configure_file(${jpeg}/jconfig.h.in ${jpeg_config}/jconfig.h)
configure_file(${jpeg}/jconfigint.h.in ${jpeg_config}/jconfigint.h)
configure_file(${jpeg}/jversion.h.in ${jpeg_config}/jversion.h)

set(jpeg_sources jaricom.c jcomapi.c jdapimin.c jdapistd.c jdarith.c jdatasrc.c jdcoefct.c
  jdcolor.c jddctmgr.c jdhuff.c jdicc.c jdinput.c jdmainct.c jdmarker.c jdmaster.c jdmerge.c
  jdphuff.c jdpostct.c jdsample.c jdtrans.c jerror.c jidctflt.c jidctfst.c jidctint.c
  jidctred.c jquant1.c jquant2.c jutils.c jmemmgr.c jmemnobs.c jsimd_none.c)
list(TRANSFORM jpeg_sources PREPEND ${jpeg}/)
add_library(varnel_jpeg STATIC ${jpeg_sources})
target_include_directories(varnel_jpeg SYSTEM PUBLIC ${jpeg_config} ${jpeg})
# Other people's code: built without our warning policy.
set_target_properties(varnel_jpeg PROPERTIES COMPILE_WARNING_AS_ERROR OFF)
target_compile_options(varnel_jpeg PRIVATE -w)
add_library(varnel::jpeg ALIAS varnel_jpeg)
