# Installation (GNUInstallDirs, any prefix, DESTDIR) and the desktop integration: menu entry,
# icon, file type of saved games, AppStream metainfo.
include(GNUInstallDirs)

set(TAVREL_HOMEPAGE "https://tavrel.example.org/" CACHE STRING
  "Project home page (AppStream, Debian copyright); ends in /")
set(TAVREL_APP_ID "org.example.tavrel" CACHE STRING
  "AppStream component id (reverse DNS of the home page)")
set(TAVREL_MAINTAINER "Tavrel maintainers <maintainers@users.noreply.c-seed-36b57e23.example>"
  CACHE STRING "Maintainer of the Debian package and its changelog")

set(_data ${CMAKE_SOURCE_DIR}/data)
set(_gen ${CMAKE_BINARY_DIR}/data)
set(TAVREL_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/tavrel)

# The PNG icons are rendered from the SVG at build time.
find_package(Qt6 REQUIRED COMPONENTS Svg)
add_executable(make-icon tools/make_icon.cpp)
target_link_libraries(make-icon PRIVATE Qt6::Gui Qt6::Svg)
set(TAVREL_ICON_SIZES 48 128 256)
set(_icons)
foreach(size ${TAVREL_ICON_SIZES})
  set(_png ${_gen}/icons/${size}x${size}/tavrel.png)
  add_custom_command(OUTPUT ${_png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_gen}/icons/${size}x${size}
    COMMAND make-icon ${_data}/icons/tavrel.svg ${size} ${_png}
    DEPENDS make-icon ${_data}/icons/tavrel.svg
    COMMENT "Rendering the ${size} pixel icon"
    VERBATIM)
  list(APPEND _icons ${_png})
endforeach()

configure_file(${_data}/tavrel.metainfo.xml.in ${_gen}/${TAVREL_APP_ID}.metainfo.xml @ONLY)
configure_file(${_data}/copyright.in ${_gen}/copyright @ONLY)
configure_file(${_data}/changelog.in ${_gen}/changelog @ONLY)
# Debian keeps the changelog and the manual pages compressed.
set(_compressed ${_gen}/changelog.gz ${_gen}/tavrel.6.gz ${_gen}/tavrel-engine.6.gz
  ${_gen}/tavrel-convert.6.gz)
foreach(plain ${_gen}/changelog ${_data}/tavrel.6 ${_data}/tavrel-engine.6 ${_data}/tavrel-convert.6)
  get_filename_component(name ${plain} NAME)
  add_custom_command(OUTPUT ${_gen}/${name}.gz
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" sh ${plain} ${_gen}/${name}.gz
    DEPENDS ${plain}
    VERBATIM)
endforeach()
add_custom_target(install_data ALL DEPENDS ${_icons} ${_compressed})

# Targets are defined by later fragments: their install rules are added once all exist.
# The program also carries the PNG icons, for its windows where no icon theme provides one.
function(tavrel_install_programs)
  install(TARGETS tavrel tavrel-engine tavrel-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  qt_add_resources(tavrel tavrel_icons PREFIX /icons BASE ${_gen}/icons FILES ${_icons})
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL tavrel_install_programs)

# Read-only data the program finds relative to itself (src/app/paths.cpp).
install(FILES ${TAVREL_DATA_DIR}/mtavrel.c00 ${TAVREL_DATA_DIR}/kovrin.chm
  DESTINATION ${TAVREL_SHARE_DIR})
install(FILES ${_data}/tavrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_data}/tavrel-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
  RENAME tavrel.xml)
install(FILES ${_gen}/${TAVREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_data}/icons/tavrel.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${TAVREL_ICON_SIZES})
  install(FILES ${_gen}/icons/${size}x${size}/tavrel.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${_gen}/tavrel.6.gz ${_gen}/tavrel-engine.6.gz ${_gen}/tavrel-convert.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${_gen}/copyright ${_gen}/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/tavrel)
