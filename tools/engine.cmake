# The UCI front end as a library, so that its tests drive it without a process.
add_library(tavrel_uci STATIC tools/uci/uci_engine.h tools/uci/uci_engine.cpp)
target_include_directories(tavrel_uci PUBLIC ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(tavrel_uci PUBLIC tavrel_core)

add_executable(tavrel-engine tools/tavrel_engine.cpp)
target_link_libraries(tavrel-engine PRIVATE tavrel_uci)
