if(WIN32)
  # The library test reads both programs.
  add_dependencies(korvane_cli_tests korvane korvanec)
  # The list tests change the prefix's startup configuration; put it back.
  target_sources(korvane_cli_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/catalogue/win32/restore_prefix.cpp)
endif()
