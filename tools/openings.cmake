# The stored openings are produced once by this tool and committed under resources/openings;
# `cmake --build build --target regenerate_openings` rewrites them, and the test
# openings_up_to_date fails when the committed bytes no longer match what the board writes.
add_executable(make_openings tools/make_openings.cpp)
target_link_libraries(make_openings PRIVATE tavrel_core)
add_custom_target(regenerate_openings
  COMMAND make_openings ${CMAKE_SOURCE_DIR}/resources/openings
  DEPENDS make_openings
  COMMENT "Writing resources/openings/E001.spa .. E026.spa")
