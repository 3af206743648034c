# Problem panel: the Qt-free text conversions go into the core, the panel into the GUI.
target_sources(tavrel_core PRIVATE src/problems/placement.h src/problems/placement.cpp)
target_sources(tavrel_gui PRIVATE
  src/problems/probleme.h src/problems/probleme.cpp
  src/problems/probleme_handlers.cpp
  src/problems/probleme_solver.cpp)
