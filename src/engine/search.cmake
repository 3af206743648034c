target_sources(tavrel_core PRIVATE
  src/engine/search.h src/engine/search.cpp)
