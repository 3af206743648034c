add_unit_test(test_placement SOURCES tests/problems/test_placement.cpp)
add_unit_test(test_probleme QT SOURCES tests/problems/test_probleme.cpp)
