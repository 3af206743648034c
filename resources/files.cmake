# The shipped problem collection, built from its plain-text source into the program's folder.
set(TAVREL_PROBLEM_SOURCE ${CMAKE_SOURCE_DIR}/resources/problems/mtavrel.txt)
add_custom_command(
  OUTPUT ${TAVREL_DATA_DIR}/mtavrel.c00
  COMMAND make-problem-file ${TAVREL_PROBLEM_SOURCE} ${TAVREL_DATA_DIR}/mtavrel.c00
  DEPENDS make-problem-file ${TAVREL_PROBLEM_SOURCE}
  COMMENT "Packing the problem collection mtavrel.c00"
  VERBATIM)
add_custom_target(problem_collection ALL DEPENDS ${TAVREL_DATA_DIR}/mtavrel.c00)

# The committed chime resources/sound/t1.wav ("T1", listed in resources/sound/sound.qrc) is the
# output of make-sound; this test keeps the two from drifting apart.
add_test(NAME sound_t1_matches_generator
  COMMAND sh -c "\"$1\" \"$2\" && cmp \"$2\" \"$3\""
    sh $<TARGET_FILE:make-sound> ${CMAKE_BINARY_DIR}/t1-check.wav ${CMAKE_SOURCE_DIR}/resources/sound/t1.wav)
