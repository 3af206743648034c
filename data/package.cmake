# The Debian package: cpack -G DEB in the build folder (or ./tavrel package) writes
# tavrel_<version>_amd64.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tavrel-Entwickler")
set(CPACK_PACKAGE_CONTACT "${TAVREL_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Schachprogramm mit deutscher Oberfläche")
set(CPACK_PACKAGE_DESCRIPTION
  "Tavrel ist ein Schachprogramm mit deutscher Oberfläche: Spiel gegen den
Computer oder einen Menschen, Zugvorschlag, Eröffnungen, Varianten der
Anfangsstellung, Mattprobleme mit Löser, Speichern, Laden und Drucken von
Partien. Das Paket enthält auch die UCI-Engine tavrel-engine.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAVREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${TAVREL_HOMEPAGE}")
# Libraries the programs link are found by dpkg-shlibdeps. The help reads its file through
# libchm, loaded only when the help is opened; without it the help does nothing.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libchm1")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/deb_games_dir.cmake)
include(CPack)
