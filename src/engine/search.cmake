target_sources(tavrel_core PRIVATE
  src/engine/search.h src/engine/search.cpp
  src/engine/chess_thread.h src/engine/chess_thread.cpp)
