add_executable(bench_board bench/bench_board.cpp)
target_link_libraries(bench_board PRIVATE tavrel_core benchmark::benchmark)
add_executable(bench_pgn bench/bench_pgn.cpp)
target_link_libraries(bench_pgn PRIVATE tavrel_core benchmark::benchmark)
