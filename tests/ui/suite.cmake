if(WIN32)
  # The window tests start the program itself and a "startup program".
  add_dependencies(korvane_ui_tests korvane korvane_startup_program)
  target_link_libraries(korvane_ui_tests PRIVATE comctl32)
endif()
