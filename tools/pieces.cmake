# Artwork generator for the board: piece set and wood textures under resources/board.
# Run once by hand (build/bin/make-pieces resources/board); its output is committed.
add_executable(make-pieces tools/make_pieces.cpp)
target_link_libraries(make-pieces PRIVATE Qt6::Gui)

# Pictures of the board in typical states, for looking at the drawing: build/screenshots.
add_executable(board-screenshots tools/board_screenshots.cpp)
target_link_libraries(board-screenshots PRIVATE tavrel_gui)
