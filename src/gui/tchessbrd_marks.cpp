// TChessBrd beside the drag: click-click moves, the keyboard's square cursor and the marks
// drawn over the board (targets, check, selection, cursor, kept frames).
//
// The marks are painted by paintEvent over the backing image, never into it: they follow the
// board's state at every paint, so no redraw of a square can leave a stale dot behind, and the
// board image that is printed or copied stays the plain board.
#include <QKeyEvent>
#include <QPainter>

#include "core/rules.h"
#include "gui/board_accessible.h"
#include "gui/tchessbrd.h"

namespace tavrel {

namespace {

const QColor kKeptYellow(255, 255, 0);
const QColor kKeptGreen(0, 255, 0);
const QColor kSelection(0, 90, 255);
const QColor kCursor(255, 140, 0);
const QColor kCheck(230, 0, 0);
// Light enough not to read as a piece's dark outline on either square colour.
const QColor kTarget(30, 150, 30, 170);

}  // namespace

// ---------------------------------------------------------------- switches

void TChessBrd::SetClickMoves(bool value) {
  clickMoves_ = value;
  if (!value) Select(None);
}

void TChessBrd::SetShowTargets(bool value) {
  showTargets_ = value;
  OverlayChanged();
}

void TChessBrd::SetShowCheck(bool value) {
  showCheck_ = value;
  OverlayChanged();
}

void TChessBrd::SetKeyboardMoves(bool value) {
  keyboardMoves_ = value;
  setFocusPolicy(value ? Qt::StrongFocus : Qt::NoFocus);
  if (!value) cursorShown_ = false;
  OverlayChanged();
}

void TChessBrd::SetKeptMarks(bool green, const MarkPair& greenPair, bool yellow,
                             const MarkPair& yellowPair) {
  KeepGreen = green;
  KeptGreen = greenPair;
  KeepYellow = yellow;
  KeptYellow = yellowPair;
  OverlayChanged();
}

void TChessBrd::Select(Square sq) {
  if (!IsBoardSquare(sq)) sq = None;
  if (sq == selected_) return;
  selected_ = sq;
  OverlayChanged();
  if (OnCursorChanged) OnCursorChanged(this);
}

void TChessBrd::SetCursorSquare(Square sq) {
  if (!IsBoardSquare(sq) || sq == cursor_) return;
  cursor_ = sq;
  OverlayChanged();
  BoardAccessibleCursorMoved(this);
  if (OnCursorChanged) OnCursorChanged(this);
}

void TChessBrd::OverlayChanged() {
  update();
}

// ---------------------------------------------------------------- picking and playing

bool TChessBrd::MayPick(Square sq) const {
  return IsBoardSquare(sq) && !Thinking() && PieceColor(sq) == (WhiteToMove() ? 1 : 0);
}

Square TChessBrd::TargetSource() const {
  if (Thinking()) return None;
  if (drag_ == DragState::Dragging) return dragSource_;
  return MayPick(selected_) ? selected_ : None;
}

void TChessBrd::PlayPicked(Square from, Square to) {
  // Nothing stays selected into the move: its events may start the engine or end the game.
  Select(None);
  PlayMove(from, to);
}

void TChessBrd::ActivateSquare(Square sq) {
  if (selected_ != None && !MayPick(selected_)) Select(None);  // the position moved on
  if (!IsBoardSquare(sq)) {
    Select(None);
    return;
  }
  if (selected_ != None && sq != selected_ && !MayPick(sq)) {
    if (!Thinking() && IsLegalMove(selected_, sq))
      PlayPicked(selected_, sq);
    else
      Select(None);
    return;
  }
  Select(sq == selected_ || !MayPick(sq) ? None : sq);
}

// ---------------------------------------------------------------- keyboard

void TChessBrd::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && selected_ != None) {
    Select(None);
    return;
  }
  if (!keyboardMoves_) {
    QWidget::keyPressEvent(e);
    return;
  }
  const int mods = e->modifiers() & ~Qt::KeypadModifier;
  int dx = 0, dy = 0;
  switch (e->key()) {
    case Qt::Key_Left: dx = -1; break;
    case Qt::Key_Right: dx = 1; break;
    case Qt::Key_Up: dy = -1; break;
    case Qt::Key_Down: dy = 1; break;
    default: break;
  }
  if ((dx || dy) && mods == Qt::NoModifier) {
    // The cursor moves on the screen: with White on top "up" goes towards rank 1.
    const int column = std::clamp(layout_.Column(cursor_) + dx, 0, 7);
    const int line = std::clamp(layout_.Line(cursor_) + dy, 0, 7);
    const int file = layout_.whiteOnTop ? 8 - column : column + 1;
    const int rank = layout_.whiteOnTop ? line + 1 : 8 - line;
    cursorShown_ = true;
    OverlayChanged();
    SetCursorSquare(SquareAt(file, rank));
    return;
  }
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Space) &&
      mods == Qt::NoModifier) {
    cursorShown_ = true;
    ActivateSquare(cursor_);
    OverlayChanged();
    return;
  }
  const QString text = e->text();
  if (OnTypedText && !text.isEmpty() && text.at(0).isPrint() && !text.at(0).isSpace() &&
      !(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    OnTypedText(text);
    return;
  }
  QWidget::keyPressEvent(e);
}

void TChessBrd::focusInEvent(QFocusEvent* e) {
  QWidget::focusInEvent(e);
  OverlayChanged();
  BoardAccessibleCursorMoved(this);
}

void TChessBrd::focusOutEvent(QFocusEvent* e) {
  QWidget::focusOutEvent(e);
  OverlayChanged();
}

// ---------------------------------------------------------------- painting the marks

void TChessBrd::PaintOverlay(QPainter& p) {
  const int s = layout_.square;
  // A frame `width` pixels wide, `inset` pixels inside the square's grid lines.
  auto inner = [&](Square sq, const QColor& colour, int inset, int width) {
    const Pixel at = layout_.PixelOf(sq);
    const int x = at.x + 1 + inset, y = at.y + 1 + inset, e = s - 1 - 2 * inset;
    if (e <= 2 * width) return;
    p.fillRect(x, y, e, width, colour);
    p.fillRect(x, y + e - width, e, width, colour);
    p.fillRect(x, y, width, e, colour);
    p.fillRect(x + e - width, y, width, e, colour);
  };
  const int thick = std::max(2, s / 24);
  if (KeepYellow) DrawFrame(p, KeptYellow, kKeptYellow);
  if (KeepGreen) DrawFrame(p, KeptGreen, kKeptGreen);
  if (showCheck_) {
    for (const bool white : {true, false}) {
      if (!rules::KingAttacked(Squares(), white)) continue;
      for (int sq = 1; sq <= 64; ++sq)
        if (Squares()[sq] == (white ? 'K' : 'k')) inner(static_cast<Square>(sq), kCheck, 0, thick + 1);
    }
  }
  if (selected_ != None) inner(selected_, kSelection, 0, thick + 1);
  const Square source = showTargets_ ? TargetSource() : None;
  if (source != None) {
    p.setRenderHint(QPainter::Antialiasing);
    for (int sq = 1; sq <= 64; ++sq) {
      if (!IsLegalMove(source, sq)) continue;
      const Pixel at = layout_.PixelOf(sq);
      const QPointF centre(at.x + s / 2.0 + 0.5, at.y + s / 2.0 + 0.5);
      if (Squares()[sq] == ' ') {
        p.setPen(Qt::NoPen);
        p.setBrush(kTarget);
        p.drawEllipse(centre, s / 7.0, s / 7.0);
      } else {
        p.setPen(QPen(kTarget, std::max(2.0, s / 14.0)));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(centre, s * 0.44, s * 0.44);
      }
    }
    p.setRenderHint(QPainter::Antialiasing, false);
  }
  if (CursorShown()) inner(cursor_, kCursor, thick + 1, thick);
}

}  // namespace tavrel
