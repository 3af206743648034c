# The main window's SVG piece set.
add_unit_test(test_board_pieces QT SOURCES tests/app/test_board_pieces.cpp)
