# GoogleTest: an installed copy where CMake finds one for this toolchain
# (MSYS2's mingw-w64-*-gtest on Windows), else Debian's sources built with the
# same toolchain as the tests. testing.cmake is only included when one exists.
if(TARGET GTest::gtest AND TARGET GTest::gmock)
  add_library(gtest ALIAS GTest::gtest)
  add_library(gmock ALIAS GTest::gmock)
else()
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(${KORVANE_GTEST_SOURCES} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()

# Each suite is one executable per build:
#   tests/<suite>/*.cpp          run on both backends (memory natively, win32 under Wine)
#   tests/<suite>/memory/*.cpp   native only (fault injection)
#   tests/<suite>/win32/*.cpp    Windows only (real processes, shell links, windows)
# A tests/<suite>/suite.cmake, when present, is included after the target exists
# so a suite can add its own links, helpers or properties.
function(korvane_test_suite suite)
  file(GLOB both CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${suite}/*.cpp)
  if(WIN32)
    file(GLOB only CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${suite}/win32/*.cpp)
  else()
    file(GLOB only CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${suite}/memory/*.cpp)
  endif()
  set(sources ${both} ${only})
  if(NOT sources)
    return()
  endif()
  set(target korvane_${suite}_tests)
  add_executable(${target} ${sources})
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  if(WIN32)
    target_link_libraries(${target} PRIVATE korvane_gui gtest gmock)
  else()
    target_link_libraries(${target} PRIVATE korvane_core gtest gmock)
  endif()
  target_link_libraries(${target} PRIVATE korvane_test_main)
  add_test(NAME ${suite} COMMAND ${target})
  # A window test waiting on a box nobody answers must fail, not stall the run.
  set_tests_properties(${suite} PROPERTIES TIMEOUT 900)
  if(WIN32)
    # Every Windows suite shares the build's one Wine prefix: run them one at a time.
    set_tests_properties(${suite} PROPERTIES RUN_SERIAL TRUE
                         ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/prefix;WINEARCH=${KORVANE_WINEARCH}")
  endif()
  if(EXISTS ${CMAKE_SOURCE_DIR}/tests/${suite}/suite.cmake)
    include(${CMAKE_SOURCE_DIR}/tests/${suite}/suite.cmake)
  endif()
endfunction()
