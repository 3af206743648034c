# Help window, about box and the version note.
target_sources(tavrel_gui PRIVATE
  src/help/chm_file.h src/help/chm_file.cpp
  src/help/help_window.h src/help/help_window.cpp
  src/help/help.h src/help/help.cpp
  src/help/tf35.h src/help/tf35.cpp)
target_sources(tavrel_core PRIVATE src/help/file_version.h src/help/file_version.cpp)

# The version note must be linked into the program file itself (an object in a static library
# that nothing refers to is left out). Attached once all fragments have defined their targets.
set(TAVREL_VERSION_NOTE_SOURCE ${CMAKE_SOURCE_DIR}/src/help/version_note.cpp)
function(tavrel_attach_version_note)
  if(TARGET tavrel)
    target_sources(tavrel PRIVATE ${TAVREL_VERSION_NOTE_SOURCE})
    target_include_directories(tavrel PRIVATE ${CMAKE_BINARY_DIR}/generated)
  endif()
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tavrel_attach_version_note)
