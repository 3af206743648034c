// The main window's SVG piece set: how it fills the squares, keeps white pieces outlined,
// follows the board's size and carries the screen's pixel density.
#include <QTest>

#include "gui/board_pieces.h"
#include "gui/tchessbrd.h"

using namespace tavrel;

namespace {

// Columns of a piece image that hold a clearly visible pixel.
QPair<int, int> OpaqueColumns(const QImage& piece) {
  int left = piece.width(), right = -1;
  for (int y = 0; y < piece.height(); ++y)
    for (int x = 0; x < piece.width(); ++x)
      if (qAlpha(piece.pixel(x, y)) > 128) left = std::min(left, x), right = std::max(right, x);
  return {left, right};
}

}  // namespace

class BoardPiecesTest : public QObject {
  Q_OBJECT

 private slots:
  void piecesFillTheSquares_data() {
    QTest::addColumn<int>("edge");  // the board's edge in pixels
    QTest::newRow("368") << 368;
    QTest::newRow("624") << 624;
    QTest::newRow("1000") << 1000;
  }
  void piecesFillTheSquares() {
    QFETCH(int, edge);
    TChessBrd board;
    board.resize(edge, edge);
    new BoardPieces(&board);
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    const int square = board.SizeOfSquare();
    QCOMPARE(board.PieceCellSize(), square);
    // The widest piece, the queen, spans about 85% of the square.
    const auto [left, right] = OpaqueColumns(board.PieceImage('Q'));
    const double span = double(right - left + 1) / square;
    QVERIFY2(span > 0.8 && span < 0.9, qPrintable(QString::number(span)));
    // A white piece is edged in black: coming from outside at three quarters of its height,
    // the first opaque pixels include a dark one before the white inside.
    const QImage pawn = board.PieceImage('P');
    const int y = pawn.height() * 3 / 4;
    int x = 0;
    while (x < pawn.width() && qAlpha(pawn.pixel(x, y)) < 200) ++x;
    QVERIFY(x + 2 < pawn.width());
    int darkest = 255;
    for (int k = x; k < x + 3; ++k) darkest = std::min(darkest, qGray(pawn.pixel(k, y)));
    QVERIFY2(darkest < 60, qPrintable(QString::number(darkest)));
    QVERIFY(qGray(pawn.pixel(pawn.width() / 2, y)) > 200);
  }

  void followsTheCornerResize() {
    TChessBrd board;
    board.SetResizable(true);
    new BoardPieces(&board);
    board.show();
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    QCOMPARE(board.PieceCellSize(), 40);
    board.resize(500, 500);
    QCOMPARE(board.SizeOfSquare(), 56);
    QCOMPARE(board.PieceCellSize(), 56);
    QCOMPARE(board.PieceImage('k').size(), QSize(56, 56));
  }

  void densityIsCarried_data() {
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("cell");  // device pixels of one cell
    QTest::newRow("1") << 1.0 << 40;
    QTest::newRow("1.5") << 1.5 << 60;
    QTest::newRow("2") << 2.0 << 80;
  }
  void densityIsCarried() {
    QFETCH(double, ratio);
    QFETCH(int, cell);
    const QImage set = SvgPieceSet().Render(40, ratio);
    QCOMPARE(set.size(), QSize(6 * cell, 4 * cell));
    QCOMPARE(set.devicePixelRatio(), ratio);
    TChessBrd board;
    board.SetCustomPieceSet(set);
    QCOMPARE(board.PieceCellSize(), 40);
    QCOMPARE(board.PieceImage('N').width(), cell);
  }
};

QTEST_MAIN(BoardPiecesTest)
#include "test_board_pieces.moc"
