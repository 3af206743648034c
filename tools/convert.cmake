# tavrel-convert: .spa <-> .pgn and the FEN of a game's final position.
add_executable(tavrel-convert tools/tavrel_convert.cpp)
target_link_libraries(tavrel-convert PRIVATE tavrel_core)
