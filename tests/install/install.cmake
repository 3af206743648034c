# The installation into a temporary DESTDIR, and the Debian package.
add_executable(data_folder_probe tests/install/data_folder_probe.cpp)
target_link_libraries(data_folder_probe PRIVATE tavrel_gui)
set_target_properties(data_folder_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)

add_test(NAME install_tree
  COMMAND ${CMAKE_SOURCE_DIR}/tests/install/install_test.sh ${CMAKE_BINARY_DIR}
    $<TARGET_FILE:data_folder_probe>)
add_test(NAME debian_package
  COMMAND ${CMAKE_SOURCE_DIR}/tests/install/package_test.sh ${CMAKE_BINARY_DIR}
    ${CMAKE_CPACK_COMMAND} ${PROJECT_VERSION})
set_tests_properties(install_tree debian_package PROPERTIES TIMEOUT 300)
