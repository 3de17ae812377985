# Cross-compiles for 64-bit Windows with MinGW-w64 (Debian's
# g++-mingw-w64-x86-64):
#   cmake -S <source> -B <build> -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# When Wine is installed, the built test programs run under it, so ctest
# works as on a native build.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORVEX_MINGW_PREFIX x86_64-w64-mingw32)

# The posix thread model gives the full C++ thread library; the win32 one
# lacks std::thread in this compiler generation.
find_program(CMAKE_C_COMPILER NAMES ${ORVEX_MINGW_PREFIX}-gcc-posix ${ORVEX_MINGW_PREFIX}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ORVEX_MINGW_PREFIX}-g++-posix ${ORVEX_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ORVEX_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVEX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own run-time libraries are linked in, so a built program
# runs without libstdc++-6.dll and friends beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(ORVEX_WINE NAMES wine wine64)
if(ORVEX_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ORVEX_WINE})
endif()
