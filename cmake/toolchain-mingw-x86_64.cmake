# Cross-builds for 64-bit Windows (x86_64), the build that the tests run under Wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VELBRIX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
