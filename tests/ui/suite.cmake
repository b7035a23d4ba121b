if(WIN32)
  # The window tests start the program itself and a "startup program".
  add_dependencies(korvane_ui_tests korvane korvane_startup_program korvane_helper_programs)
  # The signature tests make their certificate a trusted root.
  target_link_libraries(korvane_ui_tests PRIVATE comctl32 crypt32)
endif()
if(WIN32)
  # The new entry tests change the prefix's startup configuration.
  target_sources(korvane_ui_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/catalogue/win32/restore_prefix.cpp)
endif()
