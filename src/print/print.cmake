# Printing, window copy and the print settings dialog.
target_sources(tavrel_gui PRIVATE
  src/print/print_settings.h src/print/print_settings.cpp
  src/print/print_layout.h src/print/print_layout.cpp
  src/print/printing.h src/print/printing.cpp
  src/print/tdruckein.h src/print/tdruckein.cpp)
