// TChessBrd drawing: every routine paints into the backing image at once (each with its own
// painter, so clipping never leaks from one to the next) and asks Qt to show the changed
// area; paintEvent only copies the image to the screen.
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>

#include "gui/tchessbrd.h"

namespace tavrel {

namespace {

const QColor kYellow(255, 255, 0);
const QColor kGreen(0, 255, 0);

// A texture brush tiles from the painter's origin, which is the control's origin.
QBrush Fill(const QImage& texture, const QColor& colour) {
  return texture.isNull() || texture.width() == 0 || texture.height() == 0 ? QBrush(colour)
                                                                           : QBrush(texture);
}

// The font size in points that places the coordinates; pixel-sized fonts are converted.
int PointSize(const QFont& font) {
  if (font.pointSize() > 0) return font.pointSize();
  return font.pixelSize() > 0 ? (font.pixelSize() * 72 + 48) / 96 : 0;
}

}  // namespace

// The image has the screen's pixels, not the control's: at a device pixel ratio of 2 the
// board is drawn at twice the resolution instead of being scaled up when shown.
bool TChessBrd::EnsureBacking() {
  if (width() <= 0 || height() <= 0) return false;
  if (!BackingCurrent()) {
    const qreal ratio = devicePixelRatioF();
    backing_ = QImage((QSizeF(size()) * ratio).toSize(), QImage::Format_RGB32);
    backing_.setDevicePixelRatio(ratio);
  }
  return true;
}

bool TChessBrd::BackingCurrent() const {
  const qreal ratio = devicePixelRatioF();
  return backing_.devicePixelRatio() == ratio &&
         backing_.size() == (QSizeF(size()) * ratio).toSize();
}

QRect TChessBrd::SquareRect(Square sq) const {
  const Pixel p = layout_.PixelOf(sq);
  return {p.x, p.y, layout_.square, layout_.square};
}

void TChessBrd::ShowBacking(const QRect& r) {
  update(r);
}

void TChessBrd::Paint() {
  if (OnPaint) OnPaint(this);
  // The board is always square: its squares follow the mean of the edges it was given.
  layout_.square = SquareSizeFor(width(), height(), layout_.border);
  const int edge = layout_.Edge();
  if (width() != edge || height() != edge) {
    inLayout_ = true;
    resize(edge, edge);
    inLayout_ = false;
  }
  if (!EnsureBacking()) return;
  {
    QPainter p(&backing_);
    DrawBorder(p);
  }
  DrawMarks();
  {
    QPainter p(&backing_);
    for (int sq = 1; sq <= 64; ++sq) FillSquare(p, static_cast<Square>(sq));
  }
  DrawMarks();
  {
    QPainter p(&backing_);
    const char* squares = Squares();
    for (int sq = 1; sq <= 64; ++sq)
      if (squares[sq] != ' ') DrawPieceAt(p, static_cast<Square>(sq), squares[sq]);
  }
  ShowBacking(rect());
}

void TChessBrd::DrawBorder(QPainter& p) {
  const int b = layout_.border, w = width(), h = height();
  p.setClipRegion(QRegion(rect()).subtracted(QRegion(b, b, w - 2 * b, h - 2 * b)));
  p.fillRect(rect(), Fill(borderBitmap_, borderColor_));
  DrawCoordinates(p);
  p.setPen(lineStyle_);
  p.setBrush(Qt::NoBrush);
  const QPoint frame[] = {{0, 0}, {w - 1, 0}, {w - 1, w - 1}, {0, w - 1}, {0, 0}};
  p.drawPolyline(frame, 5);
}

void TChessBrd::DrawCoordinates(QPainter& p) {
  if (displayCoords_ == 0) return;
  const int b = layout_.border, s = layout_.square, w = width(), h = height();
  const int pt = PointSize(coordFont_);
  const QFontMetrics metrics(coordFont_, &backing_);
  // A border narrower than the text would push the coordinates into the squares (where they
  // are clipped away), squares lower than a line of text would run them into each other:
  // then none are drawn rather than illegible ones.
  if (pt <= 0 || b < pt || metrics.height() > s) return;
  p.setFont(coordFont_);
  p.setPen(coordColor_);
  const int a = (b - pt) / 2 + 1;
  const int c = (s - pt) / 2;
  const int quarter = metrics.height() / 4;
  const char* letters = layout_.whiteOnTop ? "HGFEDCBA" : "ABCDEFGH";
  // Text is placed by the top-left of its line, as the layout formula expects.
  auto text = [&](int x, int y, const QString& t) {
    p.drawText(QRect(x, y, 4 * b + s, 4 * b + s), Qt::AlignLeft | Qt::AlignTop, t);
  };
  for (int i = 0; i < 8; ++i) {
    const QString number = QString::number(layout_.whiteOnTop ? i + 1 : 8 - i);
    const QString letter = QString(QLatin1Char(letters[i]));
    const int along = i * s + b + c;
    if (displayCoords_ & West) text(a, along, number);
    if (displayCoords_ & East) text(w + a - b, along, number);
    if (displayCoords_ & North) text(along, a - quarter, letter);
    if (displayCoords_ & South) text(along, h + a - b - quarter, letter);
  }
}

void TChessBrd::FillSquare(QPainter& p, Square sq) {
  const bool light = IsLightSquare(sq);
  p.fillRect(SquareRect(sq),
             light ? Fill(squareLight_, squareColorLight_) : Fill(squareDark_, squareColorDark_));
}

void TChessBrd::DrawPieceAt(QPainter& p, Square sq, char letter) {
  const QImage& image = DrawnPiece(letter);
  if (image.isNull()) return;
  // Never larger than the square, so redrawing a neighbour leaves nothing of it behind.
  const int t = PieceOffset(layout_.square, LogicalEdge(image));
  const Pixel at = layout_.PixelOf(sq);
  p.drawImage(at.x + t, at.y + t, image);
}

void TChessBrd::DrawSquare(Square sq) {
  if (!IsBoardSquare(sq) || !BackingCurrent()) return;
  QPainter p(&backing_);
  FillSquare(p, sq);
  ShowBacking(SquareRect(sq));
}

void TChessBrd::DrawPiece(Square sq, char letter) {
  if (!IsBoardSquare(sq) || !BackingCurrent()) return;
  QPainter p(&backing_);
  DrawPieceAt(p, sq, letter);
  ShowBacking(SquareRect(sq));
}

void TChessBrd::DrawMarks() {
  if (!boardLines_ || !BackingCurrent()) return;
  const int b = layout_.border, s = layout_.square;
  const int w = width(), h = height();
  QPainter p(&backing_);
  const QColor line = lineStyle_.color();
  // Lines as one-pixel rectangles: exact pixels whatever the pen. The vertical ones run one
  // pixel further down, so the grid's bottom-right corner is closed.
  for (int i = 0; i <= 8; ++i) {
    p.fillRect(b + i * s, b, 1, h - 2 * b + 1, line);
    p.fillRect(b, b + i * s, w - 2 * b, 1, line);
  }
  if (YellowHighlight) DrawFrame(p, YellowMark, kYellow);
  if (GreenHighlight) DrawFrame(p, GreenMark, kGreen);
  ShowBacking(QRect(b, b, 8 * s + 1, 8 * s + 1));
}

// Outlines of both squares of a pair on their edge lines: from the square's pixel to that
// pixel plus the square edge, inclusive, i.e. over the grid lines around it.
void TChessBrd::DrawFrame(QPainter& p, const MarkPair& pair, const QColor& colour) {
  const int s = layout_.square;
  for (const Square sq :
       {SquareAt(pair.FromFile, pair.FromRank), SquareAt(pair.ToFile, pair.ToRank)}) {
    if (sq == None) continue;
    const Pixel at = layout_.PixelOf(sq);
    p.fillRect(at.x, at.y, s + 1, 1, colour);
    p.fillRect(at.x, at.y + s, s + 1, 1, colour);
    p.fillRect(at.x, at.y, 1, s + 1, colour);
    p.fillRect(at.x + s, at.y, 1, s + 1, colour);
  }
}

void TChessBrd::paintEvent(QPaintEvent* e) {
  // First show, or a resize while hidden: the image does not match the control yet.
  if (!BackingCurrent()) Paint();
  {
    QPainter p(this);
    const QRectF shown(e->rect());
    const qreal ratio = backing_.devicePixelRatio();
    p.drawImage(shown, backing_, QRectF(shown.topLeft() * ratio, shown.size() * ratio));
    PaintOverlay(p);
  }
  if (!firstPaintDone_) {
    // The computer player starts with the first paint; not from inside it, as its move
    // would draw and animate within this paint.
    firstPaintDone_ = true;
    QTimer::singleShot(0, this, [this] {
      StartThinking();
      customEngineTimer_.start();
    });
  }
}

void TChessBrd::resizeEvent(QResizeEvent*) {
  if (!inLayout_) Paint();
}

}  // namespace tavrel
