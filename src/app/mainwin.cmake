# The main window and the program a person starts.
target_sources(tavrel_gui PRIVATE
  src/app/game_texts.h src/app/game_texts.cpp
  src/app/move_list_box.h src/app/move_list_box.cpp
  src/app/window_parts.h src/app/window_parts.cpp
  src/app/tool_glyphs.h src/app/tool_glyphs.cpp
  src/app/sound.h src/app/sound.cpp
  src/app/tavrel_application.h src/app/tavrel_application.cpp
  src/app/tform45.h src/app/tform45_layout.cpp src/app/tform45_game.cpp
  src/app/tform45_files.cpp src/app/tform45_extras.cpp
  src/app/tform45_suggestion.cpp)

add_executable(tavrel src/app/main.cpp)
target_link_libraries(tavrel PRIVATE tavrel_gui)
# The shipped problem collection lies beside the program.
add_dependencies(tavrel problem_collection)

# The sound "T1" after a computer move, embedded in the program.
set_source_files_properties(resources/sound/t1.wav PROPERTIES QT_RESOURCE_ALIAS T1)
qt_add_resources(tavrel_gui tavrel_sound PREFIX "/sound" BASE resources/sound
  FILES resources/sound/t1.wav)
