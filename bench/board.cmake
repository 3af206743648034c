add_executable(bench_board bench/bench_board.cpp)
target_link_libraries(bench_board PRIVATE tavrel_core benchmark::benchmark)
