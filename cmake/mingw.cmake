# Cross-compiles for Windows with mingw-w64: 32-bit (i686, the default) or 64-bit
# (VARNEL_MINGW_TRIPLET=x86_64-w64-mingw32).
#   cmake --preset win32 | win64   (or -DCMAKE_TOOLCHAIN_FILE=cmake/mingw.cmake)
# Debian: scripts/install-deps.sh win32 (or win64)

set(VARNEL_MINGW_TRIPLET i686-w64-mingw32 CACHE STRING "Target triplet of the mingw-w64 tools")
# CMake's compiler checks read this file again in projects of their own: the triplet goes too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VARNEL_MINGW_TRIPLET)
set(_triplet ${VARNEL_MINGW_TRIPLET})
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX MATCH "^[^-]+" CMAKE_SYSTEM_PROCESSOR ${_triplet})

# Prefer the posix thread model: its libstdc++ has std::thread and std::mutex. Both models are
# linked statically below, so the choice never adds a DLL.
find_program(VARNEL_MINGW_CC NAMES ${_triplet}-gcc-posix ${_triplet}-gcc)
find_program(VARNEL_MINGW_CXX NAMES ${_triplet}-g++-posix ${_triplet}-g++)
find_program(VARNEL_MINGW_WINDRES NAMES ${_triplet}-windres)

set(_missing "")
if(NOT VARNEL_MINGW_CC)
  list(APPEND _missing "${_triplet}-gcc")
endif()
if(NOT VARNEL_MINGW_CXX)
  list(APPEND _missing "${_triplet}-g++")
endif()
if(NOT VARNEL_MINGW_WINDRES)
  list(APPEND _missing "${_triplet}-windres")
endif()
if(_missing)
  list(JOIN _missing ", " _missing)
  message(FATAL_ERROR
    "mingw-w64 toolchain: cannot find ${_missing} on the PATH.\n"
    "Install the cross compiler with: scripts/install-deps.sh win32 (or win64).")
endif()

set(CMAKE_C_COMPILER ${VARNEL_MINGW_CC})
set(CMAKE_CXX_COMPILER ${VARNEL_MINGW_CXX})
set(CMAKE_RC_COMPILER ${VARNEL_MINGW_WINDRES})

# Libraries and headers come from the target's sysroot only; programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread go into the .exe: it needs no DLL beyond the system's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
