add_test(NAME tavrel_convert
  COMMAND sh ${CMAKE_SOURCE_DIR}/tests/tools/convert_test.sh $<TARGET_FILE:tavrel-convert>
          ${CMAKE_SOURCE_DIR}/resources/openings)
