# Board artwork compiled into the GUI library: the piece set "SETTOLVAN40" and the wood
# textures (made by tools/make_pieces.cpp). Registered at run time by Q_INIT_RESOURCE(board).
target_sources(tavrel_gui PRIVATE resources/board/board.qrc)
