# CPack pre-build script for the Debian package: Debian keeps the programs of the section
# "games" in /usr/games. The program finds its data from there as from /usr/bin (both are
# one level below /usr). The engine stays in /usr/bin, on every user's path.
file(GLOB _stage_dirs LIST_DIRECTORIES true "${CPACK_TEMPORARY_INSTALL_DIRECTORY}"
  "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(root ${_stage_dirs})
  if(EXISTS "${root}/usr/bin/tavrel")
    file(MAKE_DIRECTORY "${root}/usr/games")
    file(RENAME "${root}/usr/bin/tavrel" "${root}/usr/games/tavrel")
  endif()
endforeach()

# The engine in /usr/bin is meant: other chess programs start it by name, from any path.
foreach(root ${_stage_dirs})
  if(EXISTS "${root}/usr/games/tavrel")
    file(WRITE "${root}/usr/share/lintian/overrides/tavrel"
      "tavrel: package-section-games-but-has-usr-bin\n")
  endif()
endforeach()
