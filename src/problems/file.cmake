target_sources(tavrel_core PRIVATE src/problems/problem_file.h src/problems/problem_file.cpp)
