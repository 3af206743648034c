# Solver timing against Stockfish's "go mate N" on a fixed suite (not a test).
add_executable(bench_solver bench/bench_solver.cpp)
target_link_libraries(bench_solver PRIVATE tavrel_core)
target_compile_definitions(bench_solver PRIVATE TAVREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
