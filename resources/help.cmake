# The help file kovrin.chm, compiled from the HTML sources in resources/help with Free Pascal's
# chmcmd (Debian package fp-utils) and placed beside the program.
find_program(CHMCMD chmcmd REQUIRED)
set(TAVREL_HELP_SOURCES
  kovrin.hhp inhalt.hhc index.hhk hilfe.css bilder/brett.png
  hauptfenster.htm spielen.htm bedienung.htm spielstufen.htm probleme.htm drucken.htm
  dateien.htm)
set(_help_work ${CMAKE_BINARY_DIR}/help-src)
set(_help_inputs)
foreach(f ${TAVREL_HELP_SOURCES})
  list(APPEND _help_inputs ${CMAKE_SOURCE_DIR}/resources/help/${f})
endforeach()
# chmcmd writes beside the project file, so it compiles a copy in the build tree.
add_custom_command(
  OUTPUT ${TAVREL_DATA_DIR}/kovrin.chm
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${_help_work}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/resources/help ${_help_work}
  COMMAND ${CMAKE_COMMAND} -E chdir ${_help_work} ${CHMCMD} --no-html-scan --verbosity 0 kovrin.hhp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${TAVREL_DATA_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${_help_work}/kovrin.chm ${TAVREL_DATA_DIR}/kovrin.chm
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${_help_inputs}
  COMMENT "Compiling the help file kovrin.chm"
  VERBATIM)
add_custom_target(kovrin_chm ALL DEPENDS ${TAVREL_DATA_DIR}/kovrin.chm)
