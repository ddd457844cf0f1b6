# Finds GoogleTest: the installed package on Linux, or its sources (Debian's googletest package)
# when cross-building, where no prebuilt library for the target exists.
if(CMAKE_CROSSCOMPILING)
  if(NOT TARGET GTest::gtest_main)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    if(NOT TARGET GTest::gtest_main)  # older sources name the targets without the namespace
      add_library(GTest::gtest ALIAS gtest)
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# velbrix_add_test(NAME SOURCES source... LIBS lib...) builds one GoogleTest executable and
# registers its tests with CTest (when cross-building, only where an emulator can run them).
function(velbrix_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  if(NOT CMAKE_CROSSCOMPILING)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
  elseif(CMAKE_CROSSCOMPILING_EMULATOR)
    # One CTest test per executable: discovering the cases would start the emulator (Wine) once
    # per case.
    add_test(NAME ${name} COMMAND ${name})
  endif()
endfunction()
