# The shipped problem collection, built from its plain-text source into the program's folder.
set(TAVREL_PROBLEM_SOURCE ${CMAKE_SOURCE_DIR}/resources/problems/mtavrel.txt)
add_custom_command(
  OUTPUT ${TAVREL_DATA_DIR}/mtavrel.c00
  COMMAND make-problem-file ${TAVREL_PROBLEM_SOURCE} ${TAVREL_DATA_DIR}/mtavrel.c00
  DEPENDS make-problem-file ${TAVREL_PROBLEM_SOURCE}
  COMMENT "Packing the problem collection mtavrel.c00"
  VERBATIM)
add_custom_target(problem_collection ALL DEPENDS ${TAVREL_DATA_DIR}/mtavrel.c00)
