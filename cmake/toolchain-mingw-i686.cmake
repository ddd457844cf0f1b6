# Cross-builds for 32-bit Windows (i686), the release target.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(VELBRIX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
