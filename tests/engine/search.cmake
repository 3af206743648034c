add_unit_test(test_search SOURCES tests/engine/test_search.cpp)
add_unit_test(test_chess_thread SOURCES tests/engine/test_chess_thread.cpp)
add_unit_test(test_search_uci SOURCES tests/engine/test_search_uci.cpp LIBS tavrel_uci)
add_unit_test(test_search_fast SOURCES tests/engine/test_search_fast.cpp)
