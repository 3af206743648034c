# The game-file fuzz target: a libFuzzer binary with clang and TAVREL_FUZZ, and in every build a
# short smoke run of the same entry point under CTest.
if(TAVREL_FUZZ)
  # Coverage feedback and ASan/UBSan must reach the core library, not only the target file.
  target_compile_options(tavrel_core PRIVATE -fsanitize=fuzzer-no-link,address,undefined)
  target_link_options(tavrel_core INTERFACE -fsanitize=address,undefined)
  add_executable(fuzz_game_file tests/fuzz/fuzz_game_file.cpp)
  target_compile_options(fuzz_game_file PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(fuzz_game_file PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(fuzz_game_file PRIVATE tavrel_core)
endif()
add_unit_test(test_fuzz_game_file_smoke SOURCES
  tests/fuzz/fuzz_smoke_test.cpp tests/fuzz/fuzz_game_file.cpp)
