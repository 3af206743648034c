add_unit_test(test_board_core SOURCES
  tests/board/perft_test.cpp)
