# The end of the game record in the real main window, offscreen.
add_unit_test(test_game_end QT
  SOURCES tests/app/test_game_end.cpp tests/app/test_openings_window.h
    tests/app/main_window_test_util.h)
target_include_directories(test_game_end PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)
if(TARGET problem_collection)
  add_dependencies(test_game_end problem_collection)
endif()
