add_unit_test(test_search SOURCES tests/engine/test_search.cpp)
