# The main window and the program a person starts.
target_sources(tavrel_gui PRIVATE
  src/app/game_texts.h src/app/game_texts.cpp
  src/app/move_list_box.h src/app/move_list_box.cpp
  src/app/window_parts.h src/app/window_parts.cpp
  src/app/tool_glyphs.h src/app/tool_glyphs.cpp
  src/app/sound.h src/app/sound.cpp
  src/app/tavrel_application.h src/app/tavrel_application.cpp
  src/app/tform45.h src/app/tform45_layout.cpp src/app/tform45_game.cpp
  src/app/tform45_files.cpp src/app/tform45_extras.cpp)

add_executable(tavrel src/app/main.cpp)
target_link_libraries(tavrel PRIVATE tavrel_gui)
# The shipped problem collection lies beside the program.
add_dependencies(tavrel problem_collection)
