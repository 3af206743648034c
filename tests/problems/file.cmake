add_unit_test(test_problem_file SOURCES tests/problems/test_problem_file.cpp)
# The shipped collection is checked too, so build it first.
add_dependencies(test_problem_file problem_collection)

if(TAVREL_FUZZ)
  # libFuzzer target: the loader's decoding path on arbitrary bytes, instrumented end to end.
  add_executable(fuzz_problem_file tests/problems/fuzz_problem_file.cpp
    src/problems/problem_file.cpp)
  target_include_directories(fuzz_problem_file PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(fuzz_problem_file PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(fuzz_problem_file PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_problem_file PRIVATE ZLIB::ZLIB)
endif()

# The generator pads a board line that an editor shortened, and refuses broken sources.
add_test(NAME make_problem_file_pads_short_board_lines
  COMMAND sh -c "\"$1\" \"$2\" \"$3\" && \"$1\" --dump \"$3\" | awk 'NR == 3 { exit length($0) != 64 }'"
    sh $<TARGET_FILE:make-problem-file> ${CMAKE_SOURCE_DIR}/tests/problems/source_trimmed.txt
    ${CMAKE_BINARY_DIR}/source_trimmed.c00)
foreach(bad too_long no_king)
  add_test(NAME make_problem_file_refuses_${bad}
    COMMAND make-problem-file ${CMAKE_SOURCE_DIR}/tests/problems/source_${bad}.txt
      ${CMAKE_BINARY_DIR}/source_${bad}.c00)
  set_tests_properties(make_problem_file_refuses_${bad} PROPERTIES WILL_FAIL TRUE)
endforeach()
