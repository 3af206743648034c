// The main window's pieces: the "cburnett" SVG set, rendered as a piece-set bitmap for the
// board's current square size and the screen's pixel density, and kept that way while the
// board is resized. The board widget itself knows nothing of it: it only gets a
// CustomPieceSet.
#pragma once

#include <QImage>
#include <QObject>
#include <QSvgRenderer>
#include <array>
#include <memory>

namespace tavrel {

class TChessBrd;

// The twelve SVG pieces, parsed once.
class SvgPieceSet {
 public:
  SvgPieceSet();
  ~SvgPieceSet();

  // Share of the square that the widest piece spans.
  static constexpr double kFill = 0.85;

  // A piece-set bitmap for squares of `square` pixels on a screen with `ratio` device pixels
  // per pixel: six columns (pawn .. king), rows white pieces, their masks, black pieces, their
  // masks. Each cell fills a whole square, the pieces centred in it; the image carries the
  // ratio, so the board takes its cells as `square` pixels of full device resolution.
  QImage Render(int square, qreal ratio) const;

 private:
  std::array<std::unique_ptr<QSvgRenderer>, 12> pieces_;  // white pawn .. king, black pawn ..
};

// Renders the set again whenever the board's square size or pixel density changes (window
// resize, corner drag, another screen). Lives as a child of the board.
class BoardPieces : public QObject {
 public:
  explicit BoardPieces(TChessBrd* board);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Renders and hands over the set if the size the board is about to draw at is new.
  void Follow();

  TChessBrd* board_;
  SvgPieceSet set_;
  int square_ = 0;
  qreal ratio_ = 0;
};

}  // namespace tavrel
