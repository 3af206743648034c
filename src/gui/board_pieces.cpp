#include "gui/board_pieces.h"

#include <algorithm>

#include <QEvent>
#include <QPainter>
#include <QTimer>

#include "gui/tchessbrd.h"

namespace tavrel {

namespace {

// The set's files in the bitmap's order: colour letter, then pawn .. king.
constexpr const char* kNames[12] = {"wp", "wn", "wb", "wr", "wq", "wk",
                                    "bp", "bn", "bb", "br", "bq", "bk"};

// Where the pieces lie in their 45 x 45 drawings: the box around all twelve, in drawing
// units. Scaling this box rather than each piece keeps pawns smaller than kings and every
// piece standing on the same base line.
constexpr double kUnionLeft = 3.25, kUnionRight = 41.75;
constexpr double kUnionTop = 4.75, kUnionBottom = 40.35;

// The drawings' outline width, and the least width it should have on screen, in pixels.
constexpr double kStroke = 1.5;
constexpr double kMinOutline = 2.0;

// A piece drawn in plain black, on a transparent image of the given size.
QImage Silhouette(QSvgRenderer& piece, const QRectF& target, QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  piece.render(&p, target);
  p.setCompositionMode(QPainter::CompositionMode_SourceIn);
  p.fillRect(image.rect(), Qt::black);
  return image;
}

}  // namespace

SvgPieceSet::SvgPieceSet() {
  for (int k = 0; k < 12; ++k)
    pieces_[k] = std::make_unique<QSvgRenderer>(QStringLiteral(":/pieces/%1.svg").arg(kNames[k]));
}

SvgPieceSet::~SvgPieceSet() = default;

QImage SvgPieceSet::Render(int square, qreal ratio) const {
  const int cell = std::max(1, qRound(square * ratio));
  // The drawn pieces, transparent around them.
  QImage drawn(6 * cell, 2 * cell, QImage::Format_ARGB32_Premultiplied);
  drawn.fill(Qt::transparent);
  {
    QPainter p(&drawn);
    p.setRenderHint(QPainter::Antialiasing);
    const double unionWidth = kUnionRight - kUnionLeft, unionHeight = kUnionBottom - kUnionTop;
    const double unionSize = std::max(unionWidth, unionHeight);
    double scale = kFill * cell / unionSize;  // pixels per unit
    // Small white pieces get their outline widened to kMinOutline pixels by a black
    // silhouette drawn a little around them: the drawings' own stroke would blur to grey.
    const double halo = std::clamp(kMinOutline - kStroke * scale, 0.0, 1.0);
    scale = (kFill * cell - 2 * halo) / unionSize;  // the widened pieces still span kFill
    for (int k = 0; k < 12; ++k) {
      const QRectF view = pieces_[k]->viewBoxF();
      // The box's centre goes to the cell's centre.
      const double cx = (k % 6 + 0.5) * cell - ((kUnionLeft + kUnionRight) / 2 - view.x()) * scale;
      const double cy = (k / 6 + 0.5) * cell - ((kUnionTop + kUnionBottom) / 2 - view.y()) * scale;
      const QRectF target(cx, cy, view.width() * scale, view.height() * scale);
      if (k < 6 && halo > 0) {
        const QImage shadow = Silhouette(*pieces_[k], target, drawn.size());
        for (const QPointF d :
             {QPointF(-halo, 0), QPointF(halo, 0), QPointF(0, -halo), QPointF(0, halo)})
          p.drawImage(d, shadow);
      }
      pieces_[k]->render(&p, target);
    }
  }
  // Into the bitmap's layout: colours in the piece rows, 255 - alpha in the mask rows.
  QImage set(6 * cell, 4 * cell, QImage::Format_RGB32);
  const QImage plain = drawn.convertToFormat(QImage::Format_ARGB32);
  for (int colour = 0; colour < 2; ++colour) {
    for (int y = 0; y < cell; ++y) {
      const QRgb* src = reinterpret_cast<const QRgb*>(plain.constScanLine(colour * cell + y));
      QRgb* image = reinterpret_cast<QRgb*>(set.scanLine(2 * colour * cell + y));
      QRgb* mask = reinterpret_cast<QRgb*>(set.scanLine((2 * colour + 1) * cell + y));
      for (int x = 0; x < 6 * cell; ++x) {
        const int alpha = qAlpha(src[x]);
        image[x] =
            alpha == 0 ? qRgb(255, 255, 255) : qRgb(qRed(src[x]), qGreen(src[x]), qBlue(src[x]));
        mask[x] = qRgb(255 - alpha, 255 - alpha, 255 - alpha);
      }
    }
  }
  // Cells of exactly `square` pixels, even where the ratio does not give whole device pixels.
  set.setDevicePixelRatio(double(cell) / square);
  return set;
}

// The first set is rendered when the board is shown, at the size the window gives it.
BoardPieces::BoardPieces(TChessBrd* board) : QObject(board), board_(board) {
  board->installEventFilter(this);
  if (board->isVisible()) Follow();
}

bool BoardPieces::eventFilter(QObject* watched, QEvent* event) {
  if (watched == board_) {
    switch (event->type()) {
      case QEvent::Resize:
      case QEvent::Show:
        // Before the board draws itself at the new size; a hidden board draws nothing.
        if (board_->isVisible()) Follow();
        break;
      case QEvent::Paint:
        // Moved to a screen of another density: not from inside the paint.
        if (board_->devicePixelRatioF() != ratio_)
          QTimer::singleShot(0, this, [this] { Follow(); });
        break;
      default:
        break;
    }
  }
  return QObject::eventFilter(watched, event);
}

void BoardPieces::Follow() {
  const int square = SquareSizeFor(board_->width(), board_->height(), board_->SizeOfBorder());
  const qreal ratio = board_->devicePixelRatioF();
  if (square == square_ && ratio == ratio_) return;
  square_ = square;
  ratio_ = ratio;
  board_->SetCustomPieceSet(set_.Render(square, ratio));
}

}  // namespace tavrel
