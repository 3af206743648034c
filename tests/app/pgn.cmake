# The menu "Extras" (PGN and FEN) in the real main window, offscreen.
add_unit_test(test_pgn_menu QT SOURCES tests/app/test_pgn_menu.cpp tests/app/test_openings_window.h)
target_include_directories(test_pgn_menu PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)
if(TARGET problem_collection)
  add_dependencies(test_pgn_menu problem_collection)
endif()
