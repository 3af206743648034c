target_sources(tavrel_gui PRIVATE src/app/paths.h src/app/paths.cpp)

# Where an installed program finds its shipped data: relative to its own folder first, then
# the data folder of the configured prefix.
include(GNUInstallDirs)
set(TAVREL_INSTALL_DATA_DIR ${CMAKE_INSTALL_FULL_DATADIR}/tavrel)
file(RELATIVE_PATH TAVREL_RELATIVE_DATA_DIR ${CMAKE_INSTALL_FULL_BINDIR} ${TAVREL_INSTALL_DATA_DIR})
set_property(SOURCE src/app/paths.cpp APPEND PROPERTY COMPILE_DEFINITIONS
  "TAVREL_RELATIVE_DATA_DIR=\"${TAVREL_RELATIVE_DATA_DIR}\""
  "TAVREL_INSTALL_DATA_DIR=\"${TAVREL_INSTALL_DATA_DIR}\"")
