# The command line: parsing, and a saved game loaded at start in the real main window.
add_unit_test(test_command_line SOURCES tests/app/test_command_line.cpp)
add_unit_test(test_start_file QT
  SOURCES tests/app/test_start_file.cpp tests/app/main_window_test_util.h)
target_include_directories(test_start_file PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)
add_dependencies(test_start_file problem_collection)
