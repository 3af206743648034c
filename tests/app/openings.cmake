add_unit_test(test_openings SOURCES tests/app/test_openings.cpp)
add_unit_test(test_variants SOURCES tests/app/test_variants.cpp)
add_test(NAME openings_up_to_date
  COMMAND make_openings --check ${CMAKE_SOURCE_DIR}/resources/openings)

# The menus and the suggestion in the real main window, offscreen.
foreach(t test_openings_menu test_variants_menu test_suggestion)
  add_unit_test(${t} QT SOURCES tests/app/${t}.cpp tests/app/test_openings_window.h)
  target_include_directories(${t} PRIVATE ${CMAKE_SOURCE_DIR}/tests/app)
  if(TARGET problem_collection)
    add_dependencies(${t} problem_collection)
  endif()
endforeach()
