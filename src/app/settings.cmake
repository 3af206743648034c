target_sources(tavrel_core PRIVATE src/app/settings_file.h src/app/settings_file.cpp)
