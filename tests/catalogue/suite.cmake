if(WIN32)
  # The Windows tests run korvanec.exe and a helper program as real processes.
  add_dependencies(korvane_catalogue_tests korvanec korvane_helper_programs korvane_kill_driver)
  # A Startup folder whose subfolder holds a symbolic link back up to it:
  # Wine shows the link as a reparse point, as Windows shows a junction.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-data/startup-loop/Sub)
  file(TOUCH ${CMAKE_BINARY_DIR}/test-data/startup-loop/Sub/a.txt)
  file(REMOVE ${CMAKE_BINARY_DIR}/test-data/startup-loop/Sub/Loop)
  file(CREATE_LINK .. ${CMAKE_BINARY_DIR}/test-data/startup-loop/Sub/Loop SYMBOLIC)
endif()
if(WIN32 AND KORVANE_WINEARCH STREQUAL "win32")
  # The 32-bit build on 64-bit Windows, where it must list what the 64-bit one
  # lists: the same suite in a 64-bit prefix of its own.
  add_test(NAME catalogue-wow64 COMMAND korvane_catalogue_tests)
  set_tests_properties(catalogue-wow64 PROPERTIES RUN_SERIAL TRUE TIMEOUT 900
                       ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/prefix64;WINEARCH=win64")
endif()
