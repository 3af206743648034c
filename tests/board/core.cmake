add_unit_test(test_board_core SOURCES
  tests/board/perft_test.cpp
  tests/board/execution_test.cpp
  tests/board/rules_test.cpp
  tests/board/record_test.cpp
  tests/board/game_file_test.cpp
  tests/board/engine_driver_test.cpp)
