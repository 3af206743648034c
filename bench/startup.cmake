# Start-up time of the main window with problem collections at the reader's limits (not a test).
add_executable(bench_startup bench/bench_startup.cpp)
target_link_libraries(bench_startup PRIVATE tavrel_gui)
add_dependencies(bench_startup problem_collection)
