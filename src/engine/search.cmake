target_sources(tavrel_core PRIVATE
  src/engine/search.h src/engine/search.cpp src/engine/search_fast.cpp src/engine/search_keys.h
  src/engine/chess_thread.h src/engine/chess_thread.cpp)
