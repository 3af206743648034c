# Size limit, board placement and screen placement of the main window.
target_sources(tavrel_gui PRIVATE src/app/window_geometry.h src/app/window_geometry.cpp)
