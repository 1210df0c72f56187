# Cross-compiling Velquin for Windows x86-64 with mingw-w64 (posix threads).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every executable is linked statically: otherwise the posix thread runtime
# DLL is missing at run time and the program exits before main.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Executables run under Wine when CTest or a build step starts them.
find_program(VELQUIN_WINE NAMES wine64 wine PATHS /usr/lib/wine /usr/lib/wine64 NO_CMAKE_FIND_ROOT_PATH)
if(VELQUIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VELQUIN_WINE})
endif()
