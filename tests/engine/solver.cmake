add_unit_test(test_solver SOURCES tests/engine/test_solver.cpp)
add_unit_test(test_solver_differential SOURCES tests/engine/test_solver_differential.cpp
  tests/engine/test_solver_reference.cpp)
add_unit_test(test_solver_collection SOURCES tests/engine/test_solver_collection.cpp)
add_unit_test(test_solver_uci SOURCES tests/engine/test_solver_uci.cpp LIBS tavrel_uci)
