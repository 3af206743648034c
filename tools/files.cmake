# Generators for the data files shipped beside the program.
add_executable(make-problem-file tools/make_problem_file.cpp)
target_link_libraries(make-problem-file PRIVATE tavrel_core)

add_executable(make-sound tools/make_sound.cpp)
