// TChessBrd: the chess board a person plays on. A Qt widget around the Qt-free ChessBoard
// core: it draws the board into a backing image it owns (every drawing routine paints there
// at once, paintEvent only shows it), takes moves by dragging pieces with the mouse, can be
// resized by its bottom-right corner, animates moves it did not receive by drag, and carries
// the core's engine hand-over onto the Qt event loop. It decides nothing about chess: legality,
// moves and the record are the core's.
//
// All members run on the thread that created the board (the UI thread), except
// RunOnUiThread, which the engine thread calls.
#pragma once

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

#include "gui/board_geometry.h"
#include "core/chessboard.h"

namespace tavrel {

class PieceSprite;

// Mouse and drag events of the widget, fired before the board's own handling.
using TMouseEvent = std::function<void(ChessBoard* Sender, Qt::MouseButton Button,
                                       Qt::KeyboardModifiers Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(ChessBoard* Sender, Qt::MouseButtons Buttons,
                                           Qt::KeyboardModifiers Shift, int X, int Y)>;
// Accept starts true when a handler is assigned; the handler may refuse by clearing it.
using TDragOverEvent =
    std::function<void(ChessBoard* Sender, ChessBoard* Source, int X, int Y, bool& Accept)>;
using TDragDropEvent = std::function<void(ChessBoard* Sender, ChessBoard* Source, int X, int Y)>;
// Target is the board when the piece was dropped, nullptr when the drag was cancelled.
using TEndDragEvent = std::function<void(ChessBoard* Sender, ChessBoard* Target, int X, int Y)>;

// A highlight pair: from- and to-square as file and rank (1..8; 0 = not set).
struct MarkPair {
  int FromFile = 0, FromRank = 0, ToFile = 0, ToRank = 0;
};

// Edge of a (square) piece image in the control's pixels: its device pixel ratio taken out.
inline int LogicalEdge(const QImage& image) {
  return qRound(image.width() / image.devicePixelRatio());
}

class TChessBrd : public QWidget, public ChessBoard {
  Q_OBJECT

 public:
  explicit TChessBrd(QWidget* parent = nullptr);
  ~TChessBrd() override;

  // ---- Highlights ----
  // The pairs' squares are shared by every board of the program; each board has its own
  // switches. Set the squares and a switch, call DrawMarks, clear the switch: the frames stay
  // until the grid or those squares are drawn again. Drawn only while BoardLines is on.
  static inline MarkPair YellowMark;  // move suggestion, red 255 green 255 blue 0
  static inline MarkPair GreenMark;   // last move, red 0 green 255 blue 0
  bool YellowHighlight = false;
  bool GreenHighlight = false;
  // Grid lines, then each highlight pair whose switch is on; nothing while BoardLines is off.
  void DrawMarks() override;

  // ---- Drawing properties (each setter repaints at once) ----
  bool BoardLines() const { return boardLines_; }
  void SetBoardLines(bool value);
  // Textures are copied; a null or empty image means "use the colour".
  const QImage& BorderBitmap() const { return borderBitmap_; }
  void SetBorderBitmap(const QImage& value);
  QColor BorderColor() const { return borderColor_; }
  void SetBorderColor(const QColor& value);
  // Coordinates font ("Arial", 7 points) and its colour (white).
  const QFont& CoordFont() const { return coordFont_; }
  void SetCoordFont(const QFont& value);
  QColor CoordColor() const { return coordColor_; }
  void SetCoordColor(const QColor& value);
  // A piece set of six columns (pawn .. king) and four rows (white pieces, their masks, black
  // pieces, their masks); its proportions must be 3:2. A set of other proportions is refused
  // and nothing changes; a null image selects the built-in set "SETTOLVAN40". A set whose
  // device pixel ratio is above 1 (made for a high-density screen) has its cells measured in
  // the control's pixels: a 480 x 320 set at ratio 2 gives 40-pixel pieces of full detail.
  const QImage& CustomPieceSet() const { return customPieceSet_; }
  void SetCustomPieceSet(const QImage& value);
  CoordSet DisplayCoords() const { return displayCoords_; }
  void SetDisplayCoords(CoordSet value);
  // Outer frame of the control; its colour is also the colour of the grid lines.
  const QPen& LineStyle() const { return lineStyle_; }
  void SetLineStyle(const QPen& value);
  int SizeOfBorder() const { return layout_.border; }
  void SetSizeOfBorder(int value);
  // Also resizes the control to 8 * value + 2 * SizeOfBorder on both edges.
  int SizeOfSquare() const { return layout_.square; }
  void SetSizeOfSquare(int value);
  QColor SquareColorDark() const { return squareColorDark_; }
  void SetSquareColorDark(const QColor& value);
  QColor SquareColorLight() const { return squareColorLight_; }
  void SetSquareColorLight(const QColor& value);
  const QImage& SquareDark() const { return squareDark_; }
  void SetSquareDark(const QImage& value);
  const QImage& SquareLight() const { return squareLight_; }
  void SetSquareLight(const QImage& value);
  // Board shown from Black's side: rank 1 at the top, the h-file at the left.
  bool WhiteOnTop() const { return layout_.whiteOnTop; }
  void SetWhiteOnTop(bool value);
  QString Version() const { return {}; }
  void SetVersion(const QString&) {}  // read-only in effect

  // ---- Input properties ----
  bool Resizable() const { return resizable_; }
  void SetResizable(bool value);
  int ResizeMinSize() const { return resizeMin_; }
  void SetResizeMinSize(int value);  // kept at most ResizeMaxSize
  int ResizeMaxSize() const { return resizeMax_; }
  void SetResizeMaxSize(int value);  // kept at least ResizeMinSize
  // Least milliseconds per one-pixel animation step; 0 runs without waiting.
  int AnimationDelay() const { return animationDelay_; }
  void SetAnimationDelay(int value) { animationDelay_ = value; }
  // Shown while a dragged piece is over a square that accepts it.
  const QCursor& DragCursor() const { return dragCursor_; }
  void SetDragCursor(const QCursor& value) { dragCursor_ = value; }

  // ---- Moves beside the drag, and marks over the board (all off by default) ----
  // A click on a piece of the side to move selects it (a frame); a click on one of its
  // targets plays the move as a drop would (PlayMove, promotion, events), but animated; a
  // click anywhere else or Esc deselects. Dragging works as before, also from a selected piece.
  bool ClickMoves() const { return clickMoves_; }
  void SetClickMoves(bool value);
  // Dots on the squares the held or selected piece may go to, rings where it would capture.
  bool ShowTargets() const { return showTargets_; }
  void SetShowTargets(bool value);
  // A red frame inside the square of a king in check.
  bool ShowCheck() const { return showCheck_; }
  void SetShowCheck(bool value);
  // The board takes the keyboard focus: arrow keys move a square cursor, Enter or Space picks
  // a piece up and puts it down, and other printable keys go to OnTypedText.
  bool KeyboardMoves() const { return keyboardMoves_; }
  void SetKeyboardMoves(bool value);
  // Frames drawn over the board at every paint, until cleared: unlike the highlight pairs
  // above they survive repaints, resizes and cancelled drags. Not part of BoardImage().
  MarkPair KeptGreen, KeptYellow;
  bool KeepGreen = false, KeepYellow = false;
  void SetKeptMarks(bool green, const MarkPair& greenPair, bool yellow, const MarkPair& yellowPair);

  Square Selected() const { return selected_; }
  void Select(Square sq);  // None deselects
  Square CursorSquare() const { return cursor_; }
  void SetCursorSquare(Square sq);
  bool CursorShown() const { return cursorShown_ && hasFocus(); }
  // What a click, a key or an accessibility action does on a square: select, move or deselect.
  void ActivateSquare(Square sq);
  // Text typed on the focused board that is no cursor key (the window opens its move field).
  std::function<void(const QString&)> OnTypedText;
  // The cursor or the selection changed.
  TNotifyEvent OnCursorChanged;

  // ---- Inherited events ----
  TNotifyEvent OnClick, OnDblClick, OnStartDrag;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;

  // ---- Geometry and drawing ----
  const BoardLayout& Layout() const { return layout_; }
  Square SquareAtPixel(int x, int y) const { return layout_.SquareAtPixel(x, y); }
  // Top-left pixel of a board square (1..64) in the control's coordinates.
  QPoint PixelOfSquare(Square sq) const;
  // Edge of the piece images (the piece set's height / 4, in the control's pixels). A piece is
  // drawn at that size, centred in its square; only where the squares are smaller is it scaled
  // down to fit.
  int PieceCellSize() const { return cell_; }
  // The image of a piece letter ("PNBRQKpnbrqk") at the set's cell size, its alpha taken from
  // the mask row, with the set's device pixel ratio; a null image for any other character.
  const QImage& PieceImage(char letter) const;
  // The board as last drawn (what paintEvent shows): for printing, copying and tests.
  const QImage& BoardImage() const { return backing_; }
  // Full repaint: squares the control, then border, coordinates, squares, marks and pieces.
  void Paint();
  void RebuildPieceImages();

  QSize sizeHint() const override { return size(); }

 protected:
  // ---- Core hooks ----
  void DrawSquare(Square sq) override;
  void DrawPiece(Square sq, char letter) override;
  void AnimateMove(Square from, Square to) override;
  bool IsDraggedMove(Square from, Square to) const override;
  void Repaint() override { Paint(); }
  void RunOnUiThread(const std::function<void()>& fn) override;
  void ServeUiCalls() override;

  // Places the moving piece image (drag or animation) with its top-left at `topLeft`, in the
  // coordinates of the window it is drawn over, and shows it on screen before returning.
  virtual void MoveDragImage(QPoint topLeft);

  // ---- Qt ----
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void changeEvent(QEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  enum class DragState { Idle, Pressed, Dragging };

  // Drawing (tchessbrd_paint.cpp).
  bool EnsureBacking();
  // The backing image matches the control's size and the screen's device pixel ratio.
  bool BackingCurrent() const;
  void DrawBorder(QPainter& p);
  void DrawCoordinates(QPainter& p);
  void FillSquare(QPainter& p, Square sq);
  void DrawPieceAt(QPainter& p, Square sq, char letter);
  // The image a piece is drawn with: the set's own, or scaled down to the square when the
  // set's cells are larger than the squares.
  const QImage& DrawnPiece(char letter);
  void DrawFrame(QPainter& p, const MarkPair& pair, const QColor& colour);
  QRect SquareRect(Square sq) const;
  void ShowBacking(const QRect& r);

  // Input (tchessbrd_input.cpp).
  void StartPieceDrag(const QPoint& pos);
  bool DragOverAt(const QPoint& pos);
  void FinishDrag(const QPoint& pos);
  void CancelDrag();
  void EndDragImage();
  void RestoreSourceSquare();
  void ResetDrag();
  QWidget* DragHost() const;
  QPoint ToHost(const QPoint& p) const;
  void UpdateResizeCursor(const QPoint& pos, Qt::MouseButtons buttons);
  void Slide(const std::vector<Pixel>& path);

  // Marks over the board (tchessbrd_marks.cpp), drawn by paintEvent over the backing image.
  void PaintOverlay(QPainter& p);
  void OverlayChanged();
  // The piece whose targets are shown: the one held or selected, if it may move now.
  Square TargetSource() const;
  bool MayPick(Square sq) const;
  void PlayPicked(Square from, Square to);

  BoardLayout layout_;
  int cell_ = 40;
  QColor borderColor_ = Qt::black;
  QColor squareColorLight_{192, 192, 192};
  QColor squareColorDark_{128, 128, 128};
  QImage squareLight_, squareDark_, borderBitmap_;
  QImage customPieceSet_, builtinPieceSet_;
  std::array<QImage, 12> pieces_;
  std::array<QImage, 12> scaledPieces_;
  int scaledFor_ = 0;  // square size scaledPieces_ were made for, 0 = none
  QFont coordFont_;
  QColor coordColor_ = Qt::white;
  QPen lineStyle_;
  bool boardLines_ = false;
  CoordSet displayCoords_ = 0;
  QImage backing_;
  bool inLayout_ = false;
  bool firstPaintDone_ = false;
  QTimer customEngineTimer_;
  bool customCheckPending_ = false;

  bool resizable_ = false;
  int resizeMin_ = 100, resizeMax_ = 1000;
  bool resizing_ = false;
  QCursor rememberedCursor_;
  int animationDelay_ = 0;
  QCursor dragCursor_{Qt::DragMoveCursor};
  QCursor cursorBeforeDrag_;

  DragState drag_ = DragState::Idle;
  Square dragSource_ = None;
  Square dropTarget_ = None;
  QPoint pressPos_;
  QPointer<PieceSprite> sprite_;

  bool clickMoves_ = false;
  bool showTargets_ = false;
  bool showCheck_ = false;
  bool keyboardMoves_ = false;
  Square selected_ = None;
  Square cursor_ = E2;
  bool cursorShown_ = false;
  // A press that selected or moved: its release is no drag.
  bool pressConsumed_ = false;
};

}  // namespace tavrel
