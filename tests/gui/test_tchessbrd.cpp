// TChessBrd layout and drawing: the pixel <-> square mapping in both orientations, the
// squaring of the control, and the pixels of the backing image the board draws into.
#include <QPainter>
#include <QTest>
#include <string>

#include "gui/tchessbrd.h"

using namespace tavrel;

namespace {

const std::string kEmptyBoard(64, ' ');

Square Sq(const char* name) {
  return SquareAt(name[0] - 'a' + 1, name[1] - '0');
}

QColor At(const TChessBrd& b, int x, int y) {
  return b.BoardImage().pixelColor(x, y);
}

// A piece set of `cell`-pixel cells where every piece is an opaque block of its own colour
// (red component = 10 * index + 5) and every mask is black (fully opaque).
QImage BlockSet(int cell) {
  QImage set(6 * cell, 4 * cell, QImage::Format_RGB32);
  for (int colour = 0; colour < 2; ++colour)
    for (int piece = 0; piece < 6; ++piece) {
      QPainter p(&set);
      p.fillRect(piece * cell, 2 * colour * cell, cell, cell,
                 QColor(10 * (colour * 6 + piece) + 5, 0, 200));
      p.fillRect(piece * cell, (2 * colour + 1) * cell, cell, cell, Qt::black);
    }
  return set;
}

// Text rows of an image region, for comparing coordinate labels.
QImage Region(const TChessBrd& b, const QRect& r) {
  return b.BoardImage().copy(r);
}

}  // namespace

class TestTChessBrd : public QObject {
  Q_OBJECT

 private slots:
  void squaringFollowsTheMeanEdge_data();
  void squaringFollowsTheMeanEdge();
  void pixelAndSquareAreInverse();
  void topLeftSquare_data();
  void topLeftSquare();
  void pixelsOutsideTheSquaresMapToNone_data();
  void pixelsOutsideTheSquaresMapToNone();
  void slidePaths();
  void squareColours_data();
  void squareColours();
  void gridOnlyWithBoardLines();
  void highlightFrames_data();
  void highlightFrames();
  void texturesTileFromTheOrigin();
  void pieceIsCentred_data();
  void pieceIsCentred();
  void pieceSetProportions();
  void builtinPiecesHaveSoftEdges();
  void coordinatesFollowOrientation();
  void setterDefaults();
};

void TestTChessBrd::squaringFollowsTheMeanEdge_data() {
  QTest::addColumn<int>("w");
  QTest::addColumn<int>("h");
  QTest::addColumn<int>("border");
  QTest::addColumn<int>("square");
  QTest::addColumn<int>("edge");
  QTest::newRow("default 368") << 368 << 368 << 24 << 40 << 368;
  QTest::newRow("500x300 gives 44 at 400") << 500 << 300 << 24 << 44 << 400;
  QTest::newRow("rounds down") << 700 << 700 << 24 << 81 << 696;
  QTest::newRow("no border") << 80 << 80 << 0 << 10 << 80;
  QTest::newRow("smaller than the border keeps one pixel") << 20 << 20 << 24 << 1 << 56;
}

void TestTChessBrd::squaringFollowsTheMeanEdge() {
  QFETCH(int, w);
  QFETCH(int, h);
  QFETCH(int, border);
  QFETCH(int, square);
  QFETCH(int, edge);
  TChessBrd b;
  b.SetSizeOfBorder(border);
  b.resize(w, h);
  b.Paint();
  QCOMPARE(b.SizeOfSquare(), square);
  QCOMPARE(b.size(), QSize(edge, edge));
  QCOMPARE(b.BoardImage().size(), QSize(edge, edge));
}

void TestTChessBrd::pixelAndSquareAreInverse() {
  for (const bool whiteOnTop : {false, true}) {
    const BoardLayout l{44, 24, whiteOnTop};
    for (int sq = 1; sq <= 64; ++sq) {
      const Pixel p = l.PixelOf(sq);
      QCOMPARE(int(l.SquareAtPixel(p.x, p.y)), sq);
      QCOMPARE(int(l.SquareAtPixel(p.x + 43, p.y + 43)), sq);
      QVERIFY(l.SquareAtPixel(p.x - 1, p.y) != sq);
      QVERIFY(l.SquareAtPixel(p.x, p.y + 44) != sq);
    }
  }
}

void TestTChessBrd::topLeftSquare_data() {
  QTest::addColumn<bool>("whiteOnTop");
  QTest::addColumn<int>("topLeft");
  QTest::addColumn<int>("bottomRight");
  QTest::newRow("white below") << false << int(A8) << int(H1);
  QTest::newRow("white on top") << true << int(H1) << int(A8);
}

void TestTChessBrd::topLeftSquare() {
  QFETCH(bool, whiteOnTop);
  QFETCH(int, topLeft);
  QFETCH(int, bottomRight);
  TChessBrd b;
  b.SetWhiteOnTop(whiteOnTop);
  QCOMPARE(int(b.SquareAtPixel(24, 24)), topLeft);
  QCOMPARE(int(b.SquareAtPixel(24 + 8 * 40 - 1, 24 + 8 * 40 - 1)), bottomRight);
  QCOMPARE(b.PixelOfSquare(static_cast<Square>(topLeft)), QPoint(24, 24));
  QCOMPARE(b.PixelOfSquare(Sq("e2")),
           whiteOnTop ? QPoint(24 + 3 * 40, 24 + 1 * 40) : QPoint(24 + 4 * 40, 24 + 6 * 40));
}

void TestTChessBrd::pixelsOutsideTheSquaresMapToNone_data() {
  QTest::addColumn<int>("x");
  QTest::addColumn<int>("y");
  QTest::newRow("top-left corner") << 0 << 0;
  QTest::newRow("west border") << 23 << 100;
  QTest::newRow("north border") << 100 << 23;
  QTest::newRow("x = B + 8S") << 24 + 320 << 100;
  QTest::newRow("y = B + 8S") << 100 << 24 + 320;
  QTest::newRow("negative") << -5 << 100;
}

void TestTChessBrd::pixelsOutsideTheSquaresMapToNone() {
  QFETCH(int, x);
  QFETCH(int, y);
  for (const bool whiteOnTop : {false, true})
    QCOMPARE(int(BoardLayout{40, 24, whiteOnTop}.SquareAtPixel(x, y)), int(None));
}

void TestTChessBrd::slidePaths() {
  // Three 72-pixel squares: 216 pixels, both ends included.
  const auto rook = MoveSlide({24, 240}, {24, 24}, false);
  QCOMPARE(int(rook.size()), 217);
  QCOMPARE(rook.front(), (Pixel{24, 240}));
  QCOMPARE(rook.back(), (Pixel{24, 24}));
  QVERIFY(MoveSlide({5, 5}, {5, 5}, false).empty());

  // Shallow diagonal: x steps, y accumulates dy/|dx| and is truncated.
  const auto shallow = StraightSlide({0, 0}, {4, 2});
  const std::vector<Pixel> expected = {{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}};
  QVERIFY(shallow == expected);
  // Steep line going up and left: y steps, x truncates towards zero.
  const auto steep = StraightSlide({2, 4}, {0, 0});
  const std::vector<Pixel> steepExpected = {{2, 4}, {1, 3}, {1, 2}, {0, 1}, {0, 0}};
  QVERIFY(steep == steepExpected);

  // Knight: along the row first, then along the column; the corner is passed once per leg.
  const auto knight = MoveSlide({100, 300}, {60, 220}, true);
  QCOMPARE(int(knight.size()), 41 + 81);
  for (int i = 0; i <= 40; ++i) QCOMPARE(knight[i].y, 300);
  for (size_t i = 41; i < knight.size(); ++i) QCOMPARE(knight[i].x, 60);
  QCOMPARE(knight.back(), (Pixel{60, 220}));
}

void TestTChessBrd::squareColours_data() {
  QTest::addColumn<QString>("square");
  QTest::addColumn<bool>("light");
  QTest::newRow("a8 light") << "a8" << true;
  QTest::newRow("h1 light") << "h1" << true;
  QTest::newRow("b8 dark") << "b8" << false;
  QTest::newRow("a1 dark") << "a1" << false;
  QTest::newRow("e4 light") << "e4" << true;
}

void TestTChessBrd::squareColours() {
  QFETCH(QString, square);
  QFETCH(bool, light);
  for (const bool whiteOnTop : {false, true}) {
    TChessBrd b;
    b.SetWhiteOnTop(whiteOnTop);
    b.Paint();
    const QPoint p = b.PixelOfSquare(Sq(square.toLatin1().constData()));
    // The square's corner pixel: no piece reaches it in a 40-pixel square.
    QCOMPARE(At(b, p.x() + 1, p.y() + 1), light ? QColor(192, 192, 192) : QColor(128, 128, 128));
  }
}

void TestTChessBrd::gridOnlyWithBoardLines() {
  TChessBrd b;
  b.SetPosition(kEmptyBoard);
  b.SetLineStyle(QPen(QColor(1, 2, 3)));
  const int y = 24 + 3 * 40 + 7;  // a row inside rank 5, away from any horizontal line
  auto linesAlongRow = [&] {
    std::vector<int> xs;
    for (int x = 24; x < b.width() - 24 + 1; ++x)
      if (At(b, x, y) == QColor(1, 2, 3)) xs.push_back(x);
    return xs;
  };
  QVERIFY(linesAlongRow().empty());
  b.SetBoardLines(true);
  const std::vector<int> expected = {24, 64, 104, 144, 184, 224, 264, 304, 344};
  QVERIFY(linesAlongRow() == expected);
  // Horizontal lines too, the outer ones on the edges of the square area.
  for (int i = 0; i <= 8; ++i) QCOMPARE(At(b, 30, 24 + 40 * i), QColor(1, 2, 3));
  QCOMPARE(At(b, 30, 24 + 40 * 3 + 1), QColor(128, 128, 128));  // a5 is dark
  // The outer frame is drawn whatever BoardLines says.
  QCOMPARE(At(b, 0, 100), QColor(1, 2, 3));
  QCOMPARE(At(b, 367, 100), QColor(1, 2, 3));
  QCOMPARE(At(b, 100, 367), QColor(1, 2, 3));
}

void TestTChessBrd::highlightFrames_data() {
  QTest::addColumn<bool>("lines");
  QTest::addColumn<bool>("green");
  QTest::addColumn<bool>("yellow");
  QTest::newRow("both on") << true << true << true;
  QTest::newRow("green only") << true << true << false;
  QTest::newRow("switches off") << true << false << false;
  QTest::newRow("no board lines") << false << true << true;
}

void TestTChessBrd::highlightFrames() {
  QFETCH(bool, lines);
  QFETCH(bool, green);
  QFETCH(bool, yellow);
  TChessBrd b;
  b.SetWhiteOnTop(true);  // the frames follow the orientation
  b.SetBoardLines(lines);
  TChessBrd::GreenMark = {5, 2, 5, 4};   // e2-e4
  TChessBrd::YellowMark = {7, 8, 6, 6};  // g8-f6
  const QImage before = b.BoardImage();
  b.GreenHighlight = green;
  b.YellowHighlight = yellow;
  b.DrawMarks();
  b.GreenHighlight = b.YellowHighlight = false;
  if (!lines) {
    QCOMPARE(b.BoardImage(), before);
    return;
  }
  const QColor kGreen(0, 255, 0), kYellow(255, 255, 0);
  for (const char* name : {"e2", "e4"}) {
    const QPoint p = b.PixelOfSquare(Sq(name));
    // All four edges, from the square's pixel to that pixel + S inclusive.
    for (const QPoint q : {p, p + QPoint(40, 0), p + QPoint(0, 40), p + QPoint(40, 40),
                           p + QPoint(20, 0), p + QPoint(0, 20)})
      QCOMPARE(At(b, q.x(), q.y()), green ? kGreen : QColor(Qt::black));
    QVERIFY(At(b, p.x() + 1, p.y() + 1) != kGreen);
    QVERIFY(At(b, p.x() + 41, p.y() + 20) != kGreen);
  }
  const QPoint f6 = b.PixelOfSquare(Sq("f6"));
  QCOMPARE(At(b, f6.x() + 20, f6.y()), yellow ? kYellow : QColor(Qt::black));
  // Grid lines redrawn later remove the frames.
  b.DrawMarks();
  QCOMPARE(At(b, f6.x() + 20, f6.y()), QColor(Qt::black));
}

void TestTChessBrd::texturesTileFromTheOrigin() {
  // Textures whose every pixel is unique within the tile, so any misplaced tile shows.
  auto texture = [](int w, int h, int blue) {
    QImage t(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) t.setPixelColor(x, y, QColor(x * 20, y * 20, blue));
    return t;
  };
  const QImage light = texture(7, 5, 10), dark = texture(11, 3, 20), border = texture(9, 13, 30);
  TChessBrd b;
  b.SetPosition(kEmptyBoard);
  b.SetSizeOfSquare(44);
  b.SetSquareLight(light);
  b.SetSquareDark(dark);
  b.SetBorderBitmap(border);
  b.Paint();
  QCOMPARE(b.width(), 400);
  for (int y = 1; y < b.height() - 1; y += 3) {
    for (int x = 1; x < b.width() - 1; x += 2) {
      const Square sq = b.SquareAtPixel(x, y);
      const QImage& t = sq == None ? border : IsLightSquare(sq) ? light : dark;
      QCOMPARE(At(b, x, y), t.pixelColor(x % t.width(), y % t.height()));
    }
  }
  // An empty texture falls back to the colour.
  b.SetSquareLight(QImage());
  const QPoint a8 = b.PixelOfSquare(A8);
  QCOMPARE(At(b, a8.x() + 3, a8.y() + 3), QColor(192, 192, 192));
}

void TestTChessBrd::pieceIsCentred_data() {
  QTest::addColumn<int>("square");
  QTest::addColumn<int>("cell");
  QTest::addColumn<int>("offset");
  QTest::addColumn<int>("ratio");  // device pixels per pixel the set was made for
  QTest::newRow("50 in 72") << 72 << 50 << 11 << 1;
  QTest::newRow("50 in 51 truncates") << 51 << 50 << 0 << 1;
  QTest::newRow("40 in 40") << 40 << 40 << 0 << 1;
  QTest::newRow("50 in 40 is scaled to fit") << 40 << 50 << 0 << 1;
  QTest::newRow("high-density 40 in 72") << 72 << 40 << 16 << 2;
  QTest::newRow("high-density 50 in 40 is scaled to fit") << 40 << 50 << 0 << 2;
}

void TestTChessBrd::pieceIsCentred() {
  QFETCH(int, square);
  QFETCH(int, cell);
  QFETCH(int, offset);
  QFETCH(int, ratio);
  TChessBrd b;
  QImage set = BlockSet(cell * ratio);
  set.setDevicePixelRatio(ratio);
  b.SetCustomPieceSet(set);
  QCOMPARE(b.PieceImage('K').width(), cell * ratio);  // the set's full detail is kept
  b.SetSizeOfSquare(square);
  b.Paint();
  QCOMPARE(b.PieceCellSize(), cell);
  // White king (index 5) on e1.
  const QPoint p = b.PixelOfSquare(E1);
  const QColor king(55, 0, 200);
  const int drawn = std::min(cell, square);
  QCOMPARE(At(b, p.x() + offset, p.y() + offset), king);
  QCOMPARE(At(b, p.x() + offset + drawn - 1, p.y() + offset + drawn - 1), king);
  if (offset > 0) {
    QVERIFY(At(b, p.x() + offset - 1, p.y() + offset) != king);
    QVERIFY(At(b, p.x() + offset + drawn, p.y() + offset) != king);
  }
  // Nothing of it spills into the neighbouring squares.
  QVERIFY(At(b, p.x() - 1, p.y() + square / 2) != king);
  QVERIFY(At(b, p.x() + square, p.y() + square / 2) != king);
  // Black queen (index 10) on d8.
  const QPoint d8 = b.PixelOfSquare(D8);
  QCOMPARE(At(b, d8.x() + offset + 1, d8.y() + offset + 1), QColor(105, 0, 200));
}

void TestTChessBrd::pieceSetProportions() {
  TChessBrd b;
  QCOMPARE(b.PieceCellSize(), 40);
  b.SetCustomPieceSet(BlockSet(50));  // 300 x 200
  QCOMPARE(b.PieceCellSize(), 50);
  QCOMPARE(b.PieceImage('K').size(), QSize(50, 50));
  QImage square(300, 300, QImage::Format_RGB32);
  square.fill(Qt::red);
  b.SetCustomPieceSet(square);  // refused: the previous set stays
  QCOMPARE(b.PieceCellSize(), 50);
  QCOMPARE(b.CustomPieceSet().size(), QSize(300, 200));
  b.SetCustomPieceSet(QImage());  // none: back to the built-in set
  QCOMPARE(b.PieceCellSize(), 40);
  QVERIFY(b.PieceImage('x').isNull());
  QVERIFY(b.PieceImage(' ').isNull());
}

void TestTChessBrd::builtinPiecesHaveSoftEdges() {
  TChessBrd b;
  // Every piece has opaque pixels, transparent corners and antialiased edges in between.
  for (const char letter : std::string("PNBRQKpnbrqk")) {
    const QImage& img = b.PieceImage(letter);
    QCOMPARE(img.size(), QSize(40, 40));
    int opaque = 0, partial = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x) {
        const int a = qAlpha(img.pixel(x, y));
        opaque += a == 255;
        partial += a > 0 && a < 255;
      }
    const std::string name(1, letter);
    QVERIFY2(opaque > 200, name.c_str());
    QVERIFY2(partial > 20, name.c_str());
    QCOMPARE(qAlpha(img.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(img.pixel(39, 0)), 0);
  }
  // White pieces are largely light (a white body inside a dark outline), black ones dark.
  auto lightShare = [&](char letter) {
    const QImage img = b.PieceImage(letter).convertToFormat(QImage::Format_ARGB32);
    int light = 0, n = 0;
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 40; ++x)
        if (qAlpha(img.pixel(x, y)) == 255) light += img.pixelColor(x, y).lightness() > 200, ++n;
    return 100 * light / n;
  };
  for (const char letter : std::string("PNBRQK")) {
    const std::string name(1, letter);
    QVERIFY2(lightShare(letter) > 30, name.c_str());
    QVERIFY2(lightShare(char(letter + 32)) < 15, name.c_str());
  }
}

void TestTChessBrd::coordinatesFollowOrientation() {
  // With a plain border, the label of a given letter or number looks the same wherever it
  // stands: compare label cells between the two orientations.
  TChessBrd normal, flipped;
  for (TChessBrd* b : {&normal, &flipped}) {
    b->SetDisplayCoords(West | North | East | South);
    b->SetBorderColor(Qt::black);
  }
  flipped.SetWhiteOnTop(true);
  const int s = 40, bo = 24;
  auto northCell = [&](const TChessBrd& b, int i) { return Region(b, {bo + i * s, 0, s, bo}); };
  auto westCell = [&](const TChessBrd& b, int i) { return Region(b, {1, bo + i * s, bo - 1, s}); };
  for (int i = 0; i < 8; ++i) {
    QCOMPARE(northCell(flipped, i), northCell(normal, 7 - i));  // "H".."A"
    QCOMPARE(westCell(flipped, i), westCell(normal, 7 - i));    // 1..8 from the top
  }
  QVERIFY(northCell(normal, 0) != northCell(normal, 7));  // "A" is not "H"
  // Something is written in every label cell; none with no coordinates.
  auto inked = [](const QImage& img) {
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.pixelColor(x, y).lightness() > 128) return true;
    return false;
  };
  for (int i = 0; i < 8; ++i) QVERIFY(inked(northCell(normal, i)) && inked(westCell(normal, i)));
  normal.SetDisplayCoords(0);
  QVERIFY(!inked(northCell(normal, 0)));
  // A border narrower than the font's size shows no coordinates instead of cut-off ones.
  normal.SetDisplayCoords(North);
  normal.SetSizeOfBorder(5);
  normal.Paint();
  QVERIFY(!inked(Region(normal, {5, 0, 8 * normal.SizeOfSquare(), 5})));
}

void TestTChessBrd::setterDefaults() {
  TChessBrd b;
  QCOMPARE(b.size(), QSize(368, 368));
  QCOMPARE(b.SizeOfSquare(), 40);
  QCOMPARE(b.SizeOfBorder(), 24);
  QCOMPARE(b.BorderColor(), QColor(Qt::black));
  QCOMPARE(b.CoordFont().pointSize(), 7);
  QCOMPARE(b.CoordColor(), QColor(Qt::white));
  QCOMPARE(b.LineStyle().color(), QColor(Qt::black));
  QCOMPARE(b.LineStyle().width(), 1);
  QCOMPARE(b.ResizeMinSize(), 100);
  QCOMPARE(b.ResizeMaxSize(), 1000);
  QVERIFY(b.Version().isEmpty());
  b.SetVersion("1.0");
  QVERIFY(b.Version().isEmpty());

  b.SetSizeOfSquare(72);  // both edges follow
  QCOMPARE(b.size(), QSize(624, 624));
  b.SetSizeOfBorder(10);
  QCOMPARE(b.size(), QSize(596, 596));
  b.Paint();
  QCOMPARE(b.SizeOfSquare(), 72);

  b.SetResizeMinSize(2000);  // kept at most the maximum
  QCOMPARE(b.ResizeMinSize(), 1000);
  b.SetResizeMinSize(100);
  b.SetResizeMaxSize(50);  // kept at least the minimum
  QCOMPARE(b.ResizeMaxSize(), 100);

  int paints = 0;
  b.OnPaint = [&](ChessBoard* sender) {
    QCOMPARE(sender, static_cast<ChessBoard*>(&b));
    ++paints;
  };
  b.SetBoardLines(true);
  b.SetWhiteOnTop(true);
  b.SetPosition("init");
  QCOMPARE(paints, 3);
}

QTEST_MAIN(TestTChessBrd)
#include "test_tchessbrd.moc"
