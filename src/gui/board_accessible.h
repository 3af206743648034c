// The board for assistive technology (AT-SPI on Linux): a table of 64 cells, one per square,
// named like "e4, weißer Springer" or "e5, leer", with the keyboard cursor as the focused cell
// and a press action on every cell that does what Enter does on that square.
#pragma once

#include <QString>

#include "core/squares.h"

namespace tavrel {

class TChessBrd;

// Registers the board's accessible interface with Qt; idempotent.
void InstallBoardAccessible();

// "e4", "weißer Springer", "e4, weißer Springer" / "e5, leer".
QString SquareName(Square sq);
QString PieceName(char letter);
QString SquareDescription(const char* squares, Square sq);

// Tells assistive technology that the cursor cell has the focus (when the board has it).
void BoardAccessibleCursorMoved(TChessBrd* board);

}  // namespace tavrel
