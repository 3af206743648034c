# A program with the version note, and the reader's test on it and on files without it.
add_executable(version_note_probe tests/help/version_note_probe.cpp ${TAVREL_VERSION_NOTE_SOURCE})
target_link_libraries(version_note_probe PRIVATE tavrel_core)
set_target_properties(version_note_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
add_unit_test(file_version_test SOURCES tests/help/file_version_test.cpp)
target_compile_definitions(file_version_test PRIVATE
  VERSION_PROBE="$<TARGET_FILE:version_note_probe>")
add_dependencies(file_version_test version_note_probe)

add_unit_test(help_test SOURCES tests/help/help_test.cpp QT)
target_compile_definitions(help_test PRIVATE
  VERSION_PROBE="$<TARGET_FILE:version_note_probe>")
add_dependencies(help_test kovrin_chm version_note_probe)
