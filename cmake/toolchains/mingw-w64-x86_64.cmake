# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix,
# binutils-mingw-w64-x86-64). The programs link libgcc, libstdc++ and winpthread statically, so
# they run without the compiler's DLLs beside them. Tests run under Wine (wine64) on a prefix of
# the build's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# The desktop program needs the static Qt for Windows that scripts/build-qt-windows.sh builds;
# PROLAMO_QT_WINDOWS names its folder. Its host tools (moc, rcc, uic) are the host Qt's.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PROLAMO_QT_WINDOWS)
if(PROLAMO_QT_WINDOWS)
  list(APPEND CMAKE_FIND_ROOT_PATH ${PROLAMO_QT_WINDOWS})
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
  set(PROLAMO_GUI ON CACHE BOOL "Build the Qt desktop program")
else()
  set(PROLAMO_GUI OFF CACHE BOOL "Build the Qt desktop program")
endif()

set(PROLAMO_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix the tests run on")
find_program(PROLAMO_WINE wine)
if(PROLAMO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env WINEPREFIX=${PROLAMO_WINEPREFIX} WINEDEBUG=-all ${PROLAMO_WINE})
endif()
