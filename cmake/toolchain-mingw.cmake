# Cross-builds for Windows with Debian's MinGW-w64 (the posix thread-model compilers, whose C++
# library has std::thread). Included by toolchain-mingw-i686.cmake and toolchain-mingw-x86_64.cmake
# after they set VELBRIX_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VELBRIX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELBRIX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELBRIX_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELBRIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Every executable carries its C and C++ runtime: nothing beyond the system's own DLLs is needed.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT "-s")
