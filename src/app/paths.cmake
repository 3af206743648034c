target_sources(tavrel_gui PRIVATE src/app/paths.h src/app/paths.cpp)
