# German reasons for failed file operations, shared by every file the program reads or writes.
target_sources(tavrel_core PRIVATE src/board/system_reason.h src/board/system_reason.cpp)
