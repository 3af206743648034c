# Start-up time and memory of the real program under a private X server: bench_window beside the
# program, run by "./tavrel bench" with the other benchmarks.
configure_file(bench/bench_window.sh ${CMAKE_BINARY_DIR}/bin/bench_window COPYONLY)

# Start-up time of the main window with problem collections at the reader's limits (not a test).
add_executable(bench_startup bench/bench_startup.cpp)
target_link_libraries(bench_startup PRIVATE tavrel_gui)
add_dependencies(bench_startup problem_collection)
