# Start-up time and memory of the real program: bench_startup beside the program, run by
# "./tavrel bench" with the other benchmarks.
configure_file(bench/bench_startup.sh ${CMAKE_BINARY_DIR}/bin/bench_startup COPYONLY)
