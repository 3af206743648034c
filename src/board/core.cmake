target_sources(tavrel_core PRIVATE
  src/board/squares.h
  src/board/fen.h src/board/fen.cpp
  src/board/rules.h src/board/rules.cpp
  src/board/game_record.h
  src/board/chessboard.h src/board/chessboard.cpp
  src/board/game_file.cpp
  src/board/engine_driver.cpp)
