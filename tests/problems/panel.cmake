add_unit_test(test_placement SOURCES tests/problems/test_placement.cpp)
add_unit_test(test_probleme QT SOURCES tests/problems/test_probleme.cpp)
# The panel in the real main window, with the shipped collection.
add_unit_test(test_probleme_window QT SOURCES tests/problems/test_probleme_window.cpp)
add_dependencies(test_probleme_window problem_collection)

# Stop latency of a running solution, through the panel (run by hand, not under CTest).
add_executable(test_probleme_stop_bench tests/problems/test_probleme_stop_bench.cpp)
target_link_libraries(test_probleme_stop_bench PRIVATE tavrel_gui Qt6::Test)
set_target_properties(test_probleme_stop_bench PROPERTIES AUTOMOC ON
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
