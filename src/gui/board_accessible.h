// The board for assistive technology (AT-SPI on Linux): a table of 64 cells, one per square,
// named like "e4, weißer Springer" or "e5, leer", with the keyboard cursor as the focused cell
// and a press action on every cell that does what Enter does on that square. Beside it, the
// line that speaks moves and results wherever the focus is.
#pragma once

#include <QString>
#include <QWidget>

class QLabel;

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

// A line of text that is also said. Screen readers on Qt 6.4 hear nothing of a label whose
// text changes away from the focus, and the bridge has no announcement event; what Orca does
// speak wherever the focus is, is an object of role notification that is shown: it says the
// notification's labels. So the line is such an object around its label, and every new text
// is sent as "shown" again (AT-SPI object:state-changed:showing).
class AnnouncementLine : public QWidget {
  Q_OBJECT
 public:
  explicit AnnouncementLine(QWidget* parent);
  QLabel* Label() const { return label_; }
  void Say(const QString& text);

 private:
  QLabel* label_;
};

}  // namespace tavrel
