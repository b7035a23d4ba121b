if(WIN32)
  # The Windows tests start the helper programs and read their resources.
  add_dependencies(korvane_platform_tests korvane_helper_programs)
  # A folder with a symbolic link back to itself: Wine shows such links as
  # reparse points, as Windows shows junctions.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-data/linked)
  file(CREATE_LINK .. ${CMAKE_BINARY_DIR}/test-data/linked/up SYMBOLIC)
endif()
