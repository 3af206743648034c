# Search, perft and engine-thread idle cost (not tests: the machine is shared and noisy).
add_executable(bench_search bench/bench_search.cpp)
target_link_libraries(bench_search PRIVATE tavrel_core benchmark::benchmark)
