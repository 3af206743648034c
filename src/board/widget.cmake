target_sources(tavrel_gui PRIVATE
  src/board/board_geometry.h src/board/board_geometry.cpp
  src/board/piece_sprite.h
  src/board/tchessbrd.h src/board/tchessbrd.cpp
  src/board/tchessbrd_paint.cpp
  src/board/tchessbrd_input.cpp)
