# Cross-compiles for 64-bit Windows with Debian's MinGW-w64, POSIX threading variant.
# Used by the `windows` preset; the Wine tests run the results through CMake's
# cross-compiling emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VELMORA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELMORA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELMORA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELMORA_MINGW_TRIPLE}-windres)
# Makes the import library of ScriptHookV.dll that Velmora.asi links against (windows/plugin).
find_program(CMAKE_DLLTOOL NAMES ${VELMORA_MINGW_TRIPLE}-dlltool)

# Libraries and headers come from the MinGW sysroot only, so nothing of the build
# machine's own C library can leak into the Windows binaries.
set(CMAKE_FIND_ROOT_PATH /usr/${VELMORA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The header-only dependencies are taken from the build machine, each from a folder that
# holds nothing else (Eigen), or copied into the build tree (SimpleIni, nlohmann/json:
# see cmake/cross/), never by adding /usr/include itself.
set(Eigen3_DIR /usr/share/eigen3/cmake CACHE PATH "Eigen's CMake package (header-only)")
set(SIMPLEINI_INCLUDE_DIR /usr/include CACHE PATH "Folder of SimpleIni.h; the build copies the one header")
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/../cross)

# Debian's wine64 keeps its launcher in the Wine library folder, off PATH.
find_program(VELMORA_WINE NAMES wine64 wine PATHS /usr/lib/wine /usr/lib64/wine NO_CMAKE_FIND_ROOT_PATH)
if(VELMORA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELMORA_WINE})
endif()
