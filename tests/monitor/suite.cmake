if(WIN32)
  # The Windows tests arrange the prefix through the shared test world.
  target_sources(korvane_monitor_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests/catalogue/win32/restore_prefix.cpp)
endif()
if(WIN32)
  # The service tests install the helper service.
  add_dependencies(korvane_monitor_tests korvane_helper_programs)
endif()
