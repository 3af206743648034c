add_unit_test(test_openings SOURCES tests/app/test_openings.cpp)
add_unit_test(test_variants SOURCES tests/app/test_variants.cpp)
add_test(NAME openings_up_to_date
  COMMAND make_openings --check ${CMAKE_SOURCE_DIR}/resources/openings)
