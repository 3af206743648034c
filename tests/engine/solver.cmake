add_unit_test(test_solver SOURCES tests/engine/test_solver.cpp)
