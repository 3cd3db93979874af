# Cross-compiling for 32-bit Windows with Debian's mingw-w64 (the -posix thread model, which
# std::thread and friends need). Debian's Wine runs 64-bit programs only, so this build is
# compiled and linked but not run.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
# /usr/local/<triple> holds the libraries Debian ships no MinGW build of (scripts/build-mingw-zstd.sh).
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE} /usr/local/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/wine)
endif()
