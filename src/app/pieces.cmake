# The main window's piece set: the "cburnett" SVG pieces (resources/pieces/cburnett, fetched by
# tools/fetch_cburnett.sh), rendered for the visible board's square size.
find_package(Qt6 REQUIRED COMPONENTS Svg)
target_sources(tavrel_gui PRIVATE src/app/board_pieces.h src/app/board_pieces.cpp)
target_link_libraries(tavrel_gui PUBLIC Qt6::Svg)
set(TAVREL_PIECE_FILES)
foreach(colour w b)
  foreach(piece p n b r q k)
    list(APPEND TAVREL_PIECE_FILES resources/pieces/cburnett/${colour}${piece}.svg)
  endforeach()
endforeach()
qt_add_resources(tavrel_gui tavrel_pieces PREFIX "/pieces" BASE resources/pieces/cburnett
  FILES ${TAVREL_PIECE_FILES})
