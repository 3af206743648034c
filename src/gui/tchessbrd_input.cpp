// TChessBrd input: dragging pieces with the mouse, resizing by the bottom-right corner and
// the animation of moves that were not dragged.
//
// A drag is handled inside the widget: the press remembers the source square, the implicit
// mouse grab delivers the moves and the release, and an application event filter catches
// Escape.
// Past the system's drag distance the piece image (a PieceSprite over the parent window)
// follows the cursor and the source square is drawn empty. The release drops the piece if
// the square under it accepts it, and cancels the drag otherwise.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>

#include "gui/piece_sprite.h"
#include "gui/tchessbrd.h"

namespace tavrel {

namespace {

constexpr int kCorner = 10;  // edge of the sizing corner in pixels

bool IsSizingCursor(Qt::CursorShape c) {
  return c == Qt::SizeVerCursor || c == Qt::SizeFDiagCursor || c == Qt::SizeHorCursor;
}

}  // namespace

QWidget* TChessBrd::DragHost() const {
  return parentWidget() ? parentWidget() : const_cast<TChessBrd*>(this);
}

QPoint TChessBrd::ToHost(const QPoint& p) const {
  return parentWidget() ? p + pos() : p;
}

void TChessBrd::MoveDragImage(QPoint topLeft) {
  if (!sprite_) return;
  const QRect before = sprite_->geometry();
  sprite_->move(topLeft);
  if (!sprite_->isVisible()) {
    sprite_->show();
    sprite_->raise();
  }
  // On screen before the next step: the animation handles no events in between.
  DragHost()->repaint(before.united(sprite_->geometry()));
}

// Hides the image without painting synchronously: the squares below are redrawn by the
// caller first, so the area is shown once, already right.
void TChessBrd::EndDragImage() {
  if (!sprite_) return;
  sprite_->hide();
  sprite_->deleteLater();
  sprite_ = nullptr;
}

void TChessBrd::ResetDrag() {
  if (drag_ != DragState::Idle) qApp->removeEventFilter(this);
  if (drag_ == DragState::Dragging) setCursor(cursorBeforeDrag_);
  drag_ = DragState::Idle;
}

void TChessBrd::RestoreSourceSquare() {
  DrawSquare(dragSource_);
  const char letter = Squares()[dragSource_];
  if (letter != ' ') DrawPiece(dragSource_, letter);
  DrawMarks();
}

// ---------------------------------------------------------------- drag

void TChessBrd::StartPieceDrag(const QPoint& pos) {
  drag_ = DragState::Dragging;
  if (selected_ != dragSource_) Select(None);  // the held piece is the one that counts now
  cursorBeforeDrag_ = cursor();
  DrawSquare(dragSource_);
  DrawMarks();
  delete sprite_.data();
  sprite_ = new PieceSprite(DragHost(), DrawnPiece(Squares()[dragSource_]));
  const int h = layout_.square / 2;
  MoveDragImage(ToHost(pos) - QPoint(h, h));
}

bool TChessBrd::DragOverAt(const QPoint& pos) {
  bool accept = false;
  if (OnDragOver) {
    accept = true;
    OnDragOver(this, this, pos.x(), pos.y(), accept);
  }
  if (!sprite_) {
    StartPieceDrag(pos);
  } else {
    const int h = layout_.square / 2;
    MoveDragImage(ToHost(pos) - QPoint(h, h));
  }
  const Square target = SquareAtPixel(pos.x(), pos.y());
  if (!Thinking() && (target == dragSource_ || IsLegalMove(dragSource_, target))) accept = true;
  setCursor(accept ? dragCursor_ : QCursor(Qt::ForbiddenCursor));
  return accept;
}

void TChessBrd::FinishDrag(const QPoint& pos) {
  if (drag_ != DragState::Dragging || !DragOverAt(pos)) {
    CancelDrag();
    return;
  }
  if (OnDragDrop) OnDragDrop(this, this, pos.x(), pos.y());
  EndDragImage();
  const Square source = dragSource_;
  const Square target = SquareAtPixel(pos.x(), pos.y());
  dropTarget_ = target;
  ResetDrag();
  if (target == source) {
    DrawPiece(source, Squares()[source]);
  } else if (!PlayMove(source, target)) {
    // Accepted by an OnDragOver handler but refused by the rules: the piece is still there.
    RestoreSourceSquare();
  }
  // Only the move just dropped is exempt from animation, not a later one between the same
  // squares.
  dragSource_ = dropTarget_ = None;
  if (OnEndDrag) OnEndDrag(this, this, pos.x(), pos.y());
}

void TChessBrd::CancelDrag() {
  if (drag_ == DragState::Idle) return;
  const bool drawnEmpty = drag_ == DragState::Dragging;
  EndDragImage();
  ResetDrag();
  const Square source = dragSource_;
  if (drawnEmpty) RestoreSourceSquare();
  dragSource_ = None;
  if (OnIllegalMove) OnIllegalMove(this, source);
  if (OnEndDrag) {
    const QPoint at = mapFromGlobal(QCursor::pos());
    OnEndDrag(this, nullptr, at.x(), at.y());
  }
}

bool TChessBrd::IsDraggedMove(Square from, Square to) const {
  return from == dragSource_ && to == dropTarget_;
}

// ---------------------------------------------------------------- mouse and keys

void TChessBrd::mousePressEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (OnMouseDown) OnMouseDown(this, e->button(), e->modifiers(), pos.x(), pos.y());
  if (drag_ != DragState::Idle) return;
  if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) return;
  if (resizable_ && e->button() == Qt::LeftButton && pos.x() >= width() - kCorner &&
      pos.y() >= height() - kCorner) {
    resizing_ = true;
    return;
  }
  const Square sq = SquareAtPixel(pos.x(), pos.y());
  pressConsumed_ = false;
  cursorShown_ = false;  // the mouse is in use; the keys bring the cursor back
  if (IsBoardSquare(sq)) cursor_ = sq;
  if (selected_ != None && !MayPick(selected_)) Select(None);
  if (clickMoves_ && e->button() == Qt::LeftButton && selected_ != None && sq != selected_ &&
      !MayPick(sq)) {
    // The second click of a click-click move: a target plays, anything else deselects (a
    // press on a piece then goes on as the press of a drag, with its own refusals).
    if (sq != None && !Thinking() && IsLegalMove(selected_, sq)) {
      pressConsumed_ = true;
      PlayPicked(selected_, sq);
      return;
    }
    Select(None);
  }
  if (sq == None || Squares()[sq] == ' ') return;
  dragSource_ = sq;
  dropTarget_ = None;
  pressPos_ = pos;
  drag_ = DragState::Pressed;
  // Escape cancels wherever the keyboard focus is: the board takes no focus of its own.
  qApp->installEventFilter(this);
  if (OnStartDrag) OnStartDrag(this);
}

void TChessBrd::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (OnMouseMove) OnMouseMove(this, e->buttons(), e->modifiers(), pos.x(), pos.y());
  const bool held = e->buttons() & (Qt::LeftButton | Qt::RightButton);
  if (drag_ == DragState::Idle) {
    UpdateResizeCursor(pos, e->buttons());
  } else if (!held) {
    CancelDrag();  // the release went elsewhere: the grab is lost
  } else if (drag_ == DragState::Dragging ||
             (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
    DragOverAt(pos);
  }
}

void TChessBrd::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (OnMouseUp) OnMouseUp(this, e->button(), e->modifiers(), pos.x(), pos.y());
  const bool wasResizing = resizing_;
  if (e->button() == Qt::LeftButton) resizing_ = false;
  if (drag_ != DragState::Idle) {
    if (e->button() == Qt::LeftButton || e->button() == Qt::RightButton) {
      const bool click = drag_ == DragState::Pressed && e->button() == Qt::LeftButton;
      const Square source = dragSource_;
      FinishDrag(pos);
      // A click without a drag selects the piece (or deselects it when it was selected); a
      // real drag, played or not, leaves nothing selected.
      if (clickMoves_) Select(click && source != selected_ && MayPick(source) ? source : None);
    }
    return;
  }
  if (e->button() == Qt::LeftButton && !wasResizing && rect().contains(pos) && OnClick)
    OnClick(this);
}

void TChessBrd::mouseDoubleClickEvent(QMouseEvent* e) {
  if (OnDblClick) OnDblClick(this);
  // The second press of a quick double click: after a press that played a move it must not
  // start another drag of the piece that just arrived.
  if (pressConsumed_) return;
  mousePressEvent(e);
}

bool TChessBrd::eventFilter(QObject* watched, QEvent* e) {
  if (drag_ != DragState::Idle &&
      (e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride) &&
      static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
    // A key that a window shortcut claims (Esc closes the main window) reaches the focus
    // widget only as a shortcut override first: claiming it keeps it from the shortcut, and
    // the key press that follows cancels the drag.
    e->accept();
    if (e->type() == QEvent::KeyPress) CancelDrag();
    return true;
  }
  return QWidget::eventFilter(watched, e);
}

// Losing the active window or being hidden ends the grab, and with it the drag.
void TChessBrd::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && !isActiveWindow()) CancelDrag();
}

void TChessBrd::hideEvent(QHideEvent* e) {
  CancelDrag();
  QWidget::hideEvent(e);
}

// ---------------------------------------------------------------- resizing

void TChessBrd::UpdateResizeCursor(const QPoint& pos, Qt::MouseButtons buttons) {
  if (!IsSizingCursor(cursor().shape())) rememberedCursor_ = cursor();
  const bool inCorner = pos.x() >= width() - kCorner && pos.x() <= width() &&
                        pos.y() >= height() - kCorner && pos.y() <= height();
  if (resizable_ && inCorner) {
    setCursor(Qt::SizeFDiagCursor);
    if (buttons & Qt::LeftButton) resizing_ = true;
  } else if (resizable_ && !resizing_) {
    setCursor(rememberedCursor_);
  }
  if (!resizing_ || !resizable_) return;
  // Inside a parent the board never grows past the parent's edges: beyond them its last
  // files and ranks, and the corner itself, would be out of sight and out of reach.
  int largest = resizeMax_;
  if (const QWidget* p = parentWidget())
    largest = std::max(1, std::min({largest, p->width() - x(), p->height() - y()}));
  const int n = std::clamp(std::max(pos.x(), pos.y()), std::min(resizeMin_, largest), largest);
  // The board squares itself at once; resize only when that gives another square size.
  if (SquareSizeFor(n, n, layout_.border) != layout_.square) resize(n, n);
}

// ---------------------------------------------------------------- animation

void TChessBrd::AnimateMove(Square from, Square to) {
  // Nothing to see on a hidden board, and nothing to wait for.
  if (!isVisible() || !IsBoardSquare(from) || !IsBoardSquare(to)) return;
  if (drag_ != DragState::Idle) {
    // A move arrived while the user holds a piece: the position changes under the drag, so
    // it ends without a move; the held piece goes back unless it is the one that moves.
    EndDragImage();
    ResetDrag();
    if (dragSource_ != from) RestoreSourceSquare();
    dragSource_ = None;
  }
  const char letter = Squares()[from];
  const QImage& image = DrawnPiece(letter);
  if (image.isNull()) return;
  delete sprite_.data();
  sprite_ = new PieceSprite(DragHost(), image);
  // The image travels from its resting place in the from-square to that in the to-square.
  const int t = PieceOffset(layout_.square, LogicalEdge(image));
  const QPoint p0 = ToHost(PixelOfSquare(from)) + QPoint(t, t);
  const QPoint p1 = ToHost(PixelOfSquare(to)) + QPoint(t, t);
  repaint();  // the emptied from-square is on screen before the piece leaves it
  Slide(MoveSlide({p0.x(), p0.y()}, {p1.x(), p1.y()}, letter == 'n' || letter == 'N'));
  EndDragImage();
}

void TChessBrd::Slide(const std::vector<Pixel>& path) {
  const qint64 delayNs = qint64(animationDelay_) * 1000000;
  QElapsedTimer clock;
  for (const Pixel& p : path) {
    clock.start();
    MoveDragImage({p.x, p.y});
    // Waits, handling no events, until more than the delay has passed; sleeping lets the
    // engine thread and others use the processor meanwhile.
    if (delayNs > 0) {
      while (clock.nsecsElapsed() <= delayNs) {
        const qint64 left = delayNs - clock.nsecsElapsed();
        QThread::usleep(left > 1000000 ? 1000 : std::max<qint64>(left / 1000, 50));
      }
    }
  }
}

}  // namespace tavrel
