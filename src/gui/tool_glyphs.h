// The small glyphs of the three flat buttons on the title bar, drawn at start-up.
#pragma once

#include <QIcon>

namespace tavrel {

QIcon ExitGlyph();   // S7: leave the program
QIcon HelpGlyph();   // S99: help
QIcon PrintGlyph();  // S15: print the move list

}  // namespace tavrel
