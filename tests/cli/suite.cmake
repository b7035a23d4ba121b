if(WIN32)
  # The library tests read both programs and start korvanec beside a planted library.
  add_dependencies(korvane_cli_tests korvane korvanec korvane_helper_programs)
  # The list tests change the prefix's startup configuration; put it back.
  target_sources(korvane_cli_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/catalogue/win32/restore_prefix.cpp)
endif()
