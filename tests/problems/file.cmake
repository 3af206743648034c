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
