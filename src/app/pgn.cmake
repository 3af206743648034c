# The menu "Extras" of the main window: PGN and FEN.
target_sources(tavrel_gui PRIVATE src/app/tform45_pgn.cpp)
