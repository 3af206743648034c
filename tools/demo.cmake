add_executable(tavrel-demo tools/demo_game.cpp)
target_link_libraries(tavrel-demo PRIVATE tavrel_core)
