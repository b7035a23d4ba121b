if(WIN32)
  # The Windows tests run korvanec.exe and a helper program as real processes.
  add_dependencies(korvane_catalogue_tests korvanec korvane_helper_programs)
  # A Startup folder whose subfolder holds a symbolic link back up to it:
  # Wine shows the link as a reparse point, as Windows shows a junction.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-data/startup-loop/Sub)
  file(TOUCH ${CMAKE_BINARY_DIR}/test-data/startup-loop/Sub/a.txt)
  file(REMOVE ${CMAKE_BINARY_DIR}/test-data/startup-loop/Sub/Loop)
  file(CREATE_LINK .. ${CMAKE_BINARY_DIR}/test-data/startup-loop/Sub/Loop SYMBOLIC)
endif()
