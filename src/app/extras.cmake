# Openings, variants, move suggestion and move marks.
target_sources(tavrel_core PRIVATE
  src/app/openings.h src/app/openings.cpp
  src/app/variants.h src/app/variants.cpp)
