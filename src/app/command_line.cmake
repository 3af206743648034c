# The program's command line: one saved game to open at start.
target_sources(tavrel_core PRIVATE src/app/command_line.h src/app/command_line.cpp)
