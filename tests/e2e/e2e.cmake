# End-to-end scenarios: the built program under its own Xvfb and openbox, driven by xdotool.
file(GLOB TAVREL_E2E_SCENARIOS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/test_*.py)
foreach(scenario ${TAVREL_E2E_SCENARIOS})
  get_filename_component(name ${scenario} NAME_WE)
  string(REGEX REPLACE "^test_" "e2e_" name ${name})
  add_test(NAME ${name} COMMAND /usr/bin/python3 ${scenario}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES LABELS e2e TIMEOUT 240
    ENVIRONMENT "TAVREL_BIN=$<TARGET_FILE:tavrel>;TAVREL_E2E_ARTIFACTS=${CMAKE_BINARY_DIR}/e2e-artifacts;PYTHONDONTWRITEBYTECODE=1")
endforeach()
