add_test(NAME core_is_qt_free
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR}
          "-DFILES=$<JOIN:$<TARGET_PROPERTY:tavrel_core,SOURCES>,|>"
          -P ${CMAKE_SOURCE_DIR}/cmake/check_qt_free.cmake)
