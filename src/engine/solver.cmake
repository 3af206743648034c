target_sources(tavrel_core PRIVATE src/engine/solver.h src/engine/solver.cpp)
