# The main window offscreen, and the whole program end to end.
add_unit_test(test_main_window QT
  SOURCES tests/app/test_main_window.cpp tests/app/main_window_test_util.h)
target_include_directories(test_main_window PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)
add_dependencies(test_main_window problem_collection)

# Runs from the program's own folder, so that it finds the shipped files as the program does.
add_unit_test(test_program QT
  SOURCES tests/app/test_program.cpp tests/app/main_window_test_util.h)
target_include_directories(test_program PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)
set_target_properties(test_program PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
add_dependencies(test_program tavrel)
set_property(TEST test_program APPEND PROPERTY ENVIRONMENT "TAVREL_PROGRAM=$<TARGET_FILE:tavrel>")
