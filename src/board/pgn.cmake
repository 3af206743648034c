# SAN, PGN and FEN games: part of the Qt-free core.
target_sources(tavrel_core PRIVATE
  src/board/san.h src/board/san.cpp
  src/board/pgn.h src/board/pgn.cpp)
