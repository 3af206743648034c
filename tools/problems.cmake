# Writes resources/problems/mtavrel.txt and PROVENANCE.md from Debian's pychess package (fetched
# by the tool itself into a temporary folder); run by hand, the results are committed.
add_executable(make-problem-collection tools/make_problem_collection.cpp)
target_link_libraries(make-problem-collection PRIVATE tavrel_core)
target_compile_definitions(make-problem-collection PRIVATE TAVREL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
