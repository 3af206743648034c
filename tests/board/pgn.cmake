add_unit_test(test_pgn SOURCES tests/board/pgn_test.cpp)
target_include_directories(test_pgn PRIVATE ${CMAKE_SOURCE_DIR}/tests/board)
