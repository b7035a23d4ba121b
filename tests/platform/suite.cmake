if(WIN32)
  # The Windows tests start the helper programs and read their resources.
  add_dependencies(korvane_platform_tests korvane korvanec korvane_helper_programs)
  # A folder with a symbolic link back to itself: Wine shows such links as
  # reparse points, as Windows shows junctions.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-data/linked)
  file(CREATE_LINK .. ${CMAKE_BINARY_DIR}/test-data/linked/up SYMBOLIC)
endif()
if(WIN32 AND KORVANE_WINEARCH STREQUAL "win32")
  # The registry's views as the 32-bit build sees them on 64-bit Windows.
  add_test(NAME platform-wow64 COMMAND korvane_platform_tests
           --gtest_filter=RegistryViews.*:Win32ShellOpen.*:Win32Signature.*)
  set_tests_properties(platform-wow64 PROPERTIES RUN_SERIAL TRUE TIMEOUT 900
                       ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/prefix64;WINEARCH=win64")
endif()
