// TChessBrd input: dragging pieces, the drag's refusals and cancellations, corner resizing
// and the animation of moves that were not dragged. The board is shown offscreen; mouse
// events are sent to it directly, as the implicit grab would deliver them.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QShortcut>
#include <QTest>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gui/tchessbrd.h"

using namespace tavrel;

namespace {

Square Sq(const char* name) {
  return SquareAt(name[0] - 'a' + 1, name[1] - '0');
}

// Records where the moving piece image was placed.
class RecordingBoard : public TChessBrd {
 public:
  std::vector<QPoint> imageAt;

 protected:
  void MoveDragImage(QPoint topLeft) override {
    imageAt.push_back(topLeft);
    TChessBrd::MoveDragImage(topLeft);
  }
};

// Opens the engine hand-over hooks to the test.
class HandOverBoard : public TChessBrd {
 public:
  using TChessBrd::RunOnUiThread;
  using TChessBrd::ServeUiCalls;
};

void Send(QWidget& w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
  QMouseEvent e(type, pos, w.mapToGlobal(pos), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(&w, &e);
}
void Press(QWidget& w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
  Send(w, QEvent::MouseButtonPress, p, b, b);
}
void MoveHeld(QWidget& w, QPoint p, Qt::MouseButtons b = Qt::LeftButton) {
  Send(w, QEvent::MouseMove, p, Qt::NoButton, b);
}
void Release(QWidget& w, QPoint p, Qt::MouseButton b = Qt::LeftButton) {
  Send(w, QEvent::MouseButtonRelease, p, b, Qt::NoButton);
}

struct Events {
  std::vector<std::pair<Square, Square>> legal;
  std::vector<Square> illegal;
  void Attach(TChessBrd& b) {
    b.OnLegalMove = [this](ChessBoard*, Square f, Square t) { legal.push_back({f, t}); };
    b.OnIllegalMove = [this](ChessBoard*, Square s) { illegal.push_back(s); };
  }
};

const std::string kStart = std::string(kInitialPosition);

}  // namespace

class TestTChessBrdInput : public QObject {
  Q_OBJECT

  QPoint Centre(const TChessBrd& b, const char* sq) const {
    const int h = b.SizeOfSquare() / 2;
    return b.PixelOfSquare(Sq(sq)) + QPoint(h, h);
  }
  void Show(TChessBrd& b) {
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
  }
  // Press on `from`, move past the threshold and on to `to`, release there.
  void Drag(TChessBrd& b, const char* from, const char* to) {
    Press(b, Centre(b, from));
    MoveHeld(b, Centre(b, from) + QPoint(QApplication::startDragDistance() + 1, 0));
    MoveHeld(b, Centre(b, to));
    Release(b, Centre(b, to));
  }
  // A press and release on the same square: a click.
  void Click(TChessBrd& b, const char* sq) {
    Press(b, Centre(b, sq));
    Release(b, Centre(b, sq));
  }

 private slots:
  void dragPlaysTheMove();
  void refusedDrops_data();
  void refusedDrops();
  void releaseBeforeThresholdCancels();
  void escapeCancels();
  void dropOnOwnSquare();
  void lostGrabCancels_data();
  void lostGrabCancels();
  void pressOnEmptySquareStartsNoDrag();
  void dragImageFollowsTheCursor();
  void engineMoveIsAnimatedDraggedIsNot();
  void knightSlidesAlongRowThenColumn();
  void animationDelayIsRespected();
  void resizeByCorner_data();
  void resizeByCorner();
  void cornerStaysInsideTheParent();
  void cornerNeedsResizable();
  void clickAndMouseEventsComeFirst();
  void handOverRunsOnTheUiThread();
  void customEngineIsAskedAgainWithoutInput();
  void engineAnswerArrivesAnimated();
  void dropWhileTheEngineThinksIsRefused();
  void parentDestroyedWhileTheEngineSearches();
  void clickClickPlaysThroughTheDropPath();
  void clickRefusalsChangeNothing();
  void keyboardCursorPicksAndPutsDown();
};

void TestTChessBrdInput::dragPlaysTheMove() {
  TChessBrd b;
  Show(b);
  Events ev;
  ev.Attach(b);
  Drag(b, "e2", "e4");
  QCOMPARE(ev.legal.size(), size_t(1));
  QCOMPARE(ev.legal[0], std::make_pair(E2, E4));
  QVERIFY(ev.illegal.empty());
  QCOMPARE(b.Squares()[E4], 'P');
  QCOMPARE(b.Squares()[E2], ' ');
  QVERIFY(!b.WhiteToMove());
  QCOMPARE(b.cursor().shape(), Qt::ArrowCursor);  // the drag cursor is gone
  // The board image shows the move: e2 empty (its corner and centre both square colour).
  const QPoint e2 = b.PixelOfSquare(E2);
  QCOMPARE(b.BoardImage().pixelColor(e2 + QPoint(20, 20)),
           b.BoardImage().pixelColor(e2 + QPoint(1, 1)));
}

void TestTChessBrdInput::refusedDrops_data() {
  QTest::addColumn<QString>("from");
  QTest::addColumn<QString>("to");
  QTest::addColumn<bool>("blackToMove");
  QTest::newRow("pawn three squares") << "e2"
                                      << "e5" << false;
  QTest::newRow("onto own piece") << "g1"
                                  << "e2" << false;
  QTest::newRow("white piece while black is to move") << "e2"
                                                      << "e4" << true;
  QTest::newRow("into the border") << "e2"
                                   << "border" << false;
}

void TestTChessBrdInput::refusedDrops() {
  QFETCH(QString, from);
  QFETCH(QString, to);
  QFETCH(bool, blackToMove);
  TChessBrd b;
  Show(b);
  if (blackToMove) b.SetWhiteToMove(false);
  Events ev;
  ev.Attach(b);
  const QImage before = b.BoardImage();
  const QByteArray f = from.toLatin1();
  Press(b, Centre(b, f));
  MoveHeld(b, Centre(b, f) + QPoint(20, 0));
  const QPoint target = to == "border" ? QPoint(5, 100) : Centre(b, to.toLatin1());
  MoveHeld(b, target);
  Release(b, target);
  QVERIFY(ev.legal.empty());
  QCOMPARE(ev.illegal, std::vector<Square>{Sq(f)});
  QCOMPARE(b.Position(), kStart);
  QCOMPARE(b.BoardImage(), before);  // the piece is drawn back exactly
}

void TestTChessBrdInput::releaseBeforeThresholdCancels() {
  RecordingBoard b;
  Show(b);
  Events ev;
  ev.Attach(b);
  const QImage before = b.BoardImage();
  Press(b, Centre(b, "e2"));
  MoveHeld(b, Centre(b, "e2") + QPoint(QApplication::startDragDistance() - 1, 0));
  Release(b, Centre(b, "e2") + QPoint(QApplication::startDragDistance() - 1, 0));
  QVERIFY(b.imageAt.empty());  // no drag image was shown
  QVERIFY(ev.legal.empty());
  QCOMPARE(ev.illegal, std::vector<Square>{E2});
  QCOMPARE(b.BoardImage(), before);
}

void TestTChessBrdInput::escapeCancels() {
  TChessBrd b;
  // The window's own Esc (the main window's "Beenden") must not see the key during a drag.
  int closes = 0;
  QShortcut close(QKeySequence(Qt::Key_Escape), &b, [&closes] { ++closes; });
  Show(b);
  b.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&b));
  Events ev;
  ev.Attach(b);
  const QImage before = b.BoardImage();
  Press(b, Centre(b, "e2"));
  MoveHeld(b, Centre(b, "e4"));
  QTest::keyClick(&b, Qt::Key_Escape);
  QCOMPARE(ev.illegal, std::vector<Square>{E2});
  QCOMPARE(closes, 0);
  Release(b, Centre(b, "e4"));  // the drag is over: the release does nothing
  QVERIFY(ev.legal.empty());
  QCOMPARE(ev.illegal.size(), size_t(1));
  QCOMPARE(b.Position(), kStart);
  QCOMPARE(b.BoardImage(), before);
  QTest::keyClick(&b, Qt::Key_Escape);  // without a drag the key is the window's again
  QCOMPARE(closes, 1);
}

void TestTChessBrdInput::dropOnOwnSquare() {
  TChessBrd b;
  Show(b);
  Events ev;
  ev.Attach(b);
  const QImage before = b.BoardImage();
  Press(b, Centre(b, "g1"));
  MoveHeld(b, Centre(b, "f3"));
  MoveHeld(b, Centre(b, "g1") + QPoint(3, 3));
  Release(b, Centre(b, "g1") + QPoint(3, 3));
  QVERIFY(ev.legal.empty());
  QVERIFY(ev.illegal.empty());
  QCOMPARE(b.Position(), kStart);
  QVERIFY(b.WhiteToMove());
  QCOMPARE(b.BoardImage(), before);
}

void TestTChessBrdInput::lostGrabCancels_data() {
  QTest::addColumn<int>("how");
  QTest::newRow("release went elsewhere") << 0;
  QTest::newRow("board hidden") << 1;
}

void TestTChessBrdInput::lostGrabCancels() {
  QFETCH(int, how);
  TChessBrd b;
  Show(b);
  Events ev;
  ev.Attach(b);
  const QImage before = b.BoardImage();
  Press(b, Centre(b, "b1"));
  MoveHeld(b, Centre(b, "c3"));
  if (how == 0)
    MoveHeld(b, Centre(b, "c3"), Qt::NoButton);  // moves arrive without the button held
  else
    b.hide();
  QCOMPARE(ev.illegal, std::vector<Square>{B1});
  Release(b, Centre(b, "c3"));
  QVERIFY(ev.legal.empty());
  QCOMPARE(b.Position(), kStart);
  QCOMPARE(b.BoardImage(), before);
}

void TestTChessBrdInput::pressOnEmptySquareStartsNoDrag() {
  RecordingBoard b;
  Show(b);
  Events ev;
  ev.Attach(b);
  for (const QPoint p : {Centre(b, "e4"), QPoint(5, 5)}) {
    Press(b, p);
    MoveHeld(b, p + QPoint(40, 40));
    Release(b, p + QPoint(40, 40));
  }
  QVERIFY(b.imageAt.empty());
  QVERIFY(ev.legal.empty() && ev.illegal.empty());
}

void TestTChessBrdInput::dragImageFollowsTheCursor() {
  QWidget window;
  window.resize(600, 500);
  RecordingBoard b;
  b.setParent(&window);
  b.move(30, 20);
  b.SetSizeOfSquare(50);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  Press(b, Centre(b, "d2"));
  MoveHeld(b, QPoint(400, 300));  // also beyond the board: over the parent window
  // Top-left at the cursor less half a square, in the parent's coordinates.
  QCOMPARE(b.imageAt.back(), QPoint(400 + 30 - 25, 300 + 20 - 25));
  // The source square is drawn empty while the piece is held.
  const QPoint d2 = b.PixelOfSquare(D2);
  QCOMPARE(b.BoardImage().pixelColor(d2 + QPoint(25, 25)),
           b.BoardImage().pixelColor(d2 + QPoint(1, 1)));
  Release(b, QPoint(400, 300));
}

void TestTChessBrdInput::engineMoveIsAnimatedDraggedIsNot() {
  RecordingBoard b;
  b.SetSizeOfSquare(72);
  Show(b);
  Drag(b, "e2", "e4");
  const size_t dragSteps = b.imageAt.size();
  QCOMPARE(dragSteps, size_t(3));  // two moves and the release; no slide after the drop
  // The engine's answer arrives through ExecuteMove and slides from e7 to e5.
  QVERIFY(b.ExecuteMove(E7, E5));
  const std::vector<QPoint> slide(b.imageAt.begin() + dragSteps, b.imageAt.end());
  const int t = (72 - 40) / 2;
  QCOMPARE(int(slide.size()), 2 * 72 + 1);
  QCOMPARE(slide.front(), b.PixelOfSquare(E7) + QPoint(t, t));
  QCOMPARE(slide.back(), b.PixelOfSquare(E5) + QPoint(t, t));
  // Without AnimateMoves nothing slides.
  b.imageAt.clear();
  b.SetAnimateMoves(false);
  QVERIFY(b.ExecuteMove(G1, F3));
  QVERIFY(b.imageAt.empty());
  // Going back in the record redraws without animation.
  b.SetAnimateMoves(true);
  QVERIFY(b.MoveBack());
  QVERIFY(b.imageAt.empty());
}

void TestTChessBrdInput::knightSlidesAlongRowThenColumn() {
  RecordingBoard b;
  b.SetSizeOfSquare(72);
  Show(b);
  QVERIFY(b.ExecuteMove(G1, F3));
  const auto& path = b.imageAt;
  QCOMPARE(int(path.size()), (72 + 1) + (144 + 1));
  const QPoint g1 = path.front(), f3 = path.back();
  QCOMPARE(f3 - g1, QPoint(-72, -144));
  for (int i = 0; i <= 72; ++i) QCOMPARE(path[i], g1 + QPoint(-i, 0));
  for (int i = 0; i <= 144; ++i) QCOMPARE(path[73 + i], g1 + QPoint(-72, -i));
}

void TestTChessBrdInput::animationDelayIsRespected() {
  RecordingBoard b;
  b.SetSizeOfSquare(72);
  b.SetPosition(std::string(60, ' ') + "R   ");  // a white rook on e1
  b.SetAnimationDelay(2);
  Show(b);
  QElapsedTimer clock;
  clock.start();
  QVERIFY(b.ExecuteMove(E1, E4));
  const qint64 ms = clock.elapsed();
  QCOMPARE(int(b.imageAt.size()), 217);  // 216 pixels, both ends
  QVERIFY2(ms > 217 * 2, qPrintable(QString::number(ms)));
}

void TestTChessBrdInput::resizeByCorner_data() {
  QTest::addColumn<QPoint>("to");
  QTest::addColumn<int>("square");
  QTest::newRow("to (700, 650): edge 700") << QPoint(700, 650) << (700 - 48) / 8;
  QTest::newRow("to (50, 40): ResizeMinSize") << QPoint(50, 40) << (100 - 48) / 8;
  QTest::newRow("beyond ResizeMaxSize") << QPoint(1500, 1400) << (1000 - 48) / 8;
}

void TestTChessBrdInput::resizeByCorner() {
  QFETCH(QPoint, to);
  QFETCH(int, square);
  TChessBrd b;
  b.SetResizable(true);
  Show(b);
  const QPoint corner(b.width() - 4, b.height() - 4);
  MoveHeld(b, corner, Qt::NoButton);
  QCOMPARE(b.cursor().shape(), Qt::SizeFDiagCursor);
  Press(b, corner);
  MoveHeld(b, to);
  Release(b, to);
  // The edge reached is squared at once: 8 squares plus the borders, never beyond the edge.
  QCOMPARE(b.SizeOfSquare(), square);
  QCOMPARE(b.size(), QSize(8 * square + 48, 8 * square + 48));
  QCOMPARE(b.BoardImage().size(), b.size());
  // Away from the corner the previous cursor comes back.
  MoveHeld(b, QPoint(50, 50), Qt::NoButton);
  QCOMPARE(b.cursor().shape(), Qt::ArrowCursor);
}

void TestTChessBrdInput::cornerStaysInsideTheParent() {
  QWidget parent;
  parent.resize(400, 300);
  auto* b = new TChessBrd(&parent);
  b->SetResizable(true);
  b->move(20, 10);
  parent.show();
  QVERIFY(QTest::qWaitForWindowExposed(&parent));
  const QPoint corner(b->width() - 4, b->height() - 4);
  MoveHeld(*b, corner, Qt::NoButton);
  Press(*b, corner);
  MoveHeld(*b, QPoint(700, 650));
  Release(*b, QPoint(700, 650));
  // Room: 300 - 10 high; the largest board that fits has 30-pixel squares.
  QCOMPARE(b->size(), QSize(8 * 30 + 48, 8 * 30 + 48));
  QVERIFY(parent.rect().contains(b->geometry()));
}

void TestTChessBrdInput::cornerNeedsResizable() {
  TChessBrd b;
  Show(b);
  const QPoint corner(b.width() - 4, b.height() - 4);
  Press(b, corner);
  MoveHeld(b, QPoint(700, 650));
  Release(b, QPoint(700, 650));
  QCOMPARE(b.size(), QSize(368, 368));
}

void TestTChessBrdInput::clickAndMouseEventsComeFirst() {
  TChessBrd b;
  Show(b);
  std::vector<std::string> log;
  b.OnMouseDown = [&](ChessBoard*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    log.push_back("down");
  };
  b.OnMouseUp = [&](ChessBoard*, Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
    log.push_back("up");
  };
  b.OnClick = [&](ChessBoard*) { log.push_back("click"); };
  b.OnStartDrag = [&](ChessBoard*) { log.push_back("startdrag"); };
  b.OnIllegalMove = [&](ChessBoard*, Square) { log.push_back("illegal"); };
  b.OnEndDrag = [&](ChessBoard*, ChessBoard* target, int, int) {
    log.push_back(target ? "end-dropped" : "end-cancelled");
  };
  // A click on an empty square is a click; one on a piece is a cancelled drag.
  Press(b, Centre(b, "e4"));
  Release(b, Centre(b, "e4"));
  Press(b, Centre(b, "e2"));
  Release(b, Centre(b, "e2"));
  const std::vector<std::string> expected = {"down",      "up", "click",   "down",
                                             "startdrag", "up", "illegal", "end-cancelled"};
  QCOMPARE(log, expected);
  // An accepting OnDragOver handler lets an illegal drop through to the rules, which refuse
  // it: no move, no OnIllegalMove, the piece is drawn back.
  log.clear();
  const QImage before = b.BoardImage();
  b.OnDragOver = [](ChessBoard*, ChessBoard*, int, int, bool& accept) { accept = true; };
  Drag(b, "e2", "e5");
  QCOMPARE(b.Position(), kStart);
  QCOMPARE(log.back(), std::string("end-dropped"));
  QVERIFY(std::find(log.begin(), log.end(), "illegal") == log.end());
  QCOMPARE(b.BoardImage(), before);
}

void TestTChessBrdInput::handOverRunsOnTheUiThread() {
  HandOverBoard b;
  std::atomic<bool> done{false};
  std::thread::id ranOn;
  std::thread engine([&] {
    b.RunOnUiThread([&] { ranOn = std::this_thread::get_id(); });
    done = true;
  });
  QElapsedTimer clock;
  clock.start();
  while (!done && clock.elapsed() < 10000) b.ServeUiCalls();
  engine.join();
  QVERIFY(done);
  QVERIFY(ranOn == std::this_thread::get_id());
  // Called on the UI thread itself it runs at once instead of waiting for itself.
  bool ran = false;
  b.RunOnUiThread([&] { ran = true; });
  QVERIFY(ran);
}

void TestTChessBrdInput::customEngineIsAskedAgainWithoutInput() {
  TChessBrd b;
  Show(b);
  b.SetCustomEngine(true);
  b.SetComputerPlaysBlack(true);
  int asked = 0, failed = 0;
  b.OnCalculateMove = [&](ChessBoard*, Square& from, Square& to) {
    if (++asked >= 2) from = E7, to = E5;  // no move the first time
  };
  b.OnCalculationFailed = [&](ChessBoard*, Square, Square) { ++failed; };
  Drag(b, "e2", "e4");
  QCOMPARE(asked, 1);  // at once after the user's move
  QCOMPARE(failed, 1);
  // Then again by the board itself, without any input.
  QTRY_COMPARE(b.Squares()[E5], 'p');
  QCOMPARE(asked, 2);
  QVERIFY(b.WhiteToMove());

  // An engine that never finds a move is asked at the timer's pace, not in a loop: with the
  // timer held, handling every pending event (and whatever that posts) asks it no more than
  // once; released, the timer asks again.
  b.OnCalculateMove = [&](ChessBoard*, Square&, Square&) { ++asked; };
  Drag(b, "d2", "d4");
  auto* timer = b.findChild<QTimer*>(QStringLiteral("customEngineTimer"));
  QVERIFY(timer && timer->isActive() && timer->interval() == 500);
  timer->stop();
  QCoreApplication::processEvents();
  asked = 0;
  for (int round = 0; round < 200; ++round) QCoreApplication::processEvents();
  QVERIFY2(asked <= 1, qPrintable(QString::number(asked)));
  timer->start();
  asked = 0;
  QTRY_VERIFY_WITH_TIMEOUT(asked >= 1, 20000);
}

// The built-in engine's move comes through the blocking hand-over onto the UI thread and
// slides across the board.
void TestTChessBrdInput::engineAnswerArrivesAnimated() {
  RecordingBoard b;
  Show(b);
  b.SetSearchDepth(1);
  b.SetComputerPlaysBlack(true);
  Events ev;
  ev.Attach(b);
  Drag(b, "e2", "e4");
  const size_t dragSteps = b.imageAt.size();
  QTRY_VERIFY_WITH_TIMEOUT(b.WhiteToMove(), 20000);
  QCOMPARE(ev.legal.size(), size_t(2));
  const auto [from, to] = ev.legal[1];
  QVERIFY(b.imageAt.size() > dragSteps);
  const int t = (b.SizeOfSquare() - b.PieceCellSize()) / 2;
  QCOMPARE(b.imageAt.back(), b.PixelOfSquare(to) + QPoint(t, t));
  QCOMPARE(b.imageAt[dragSteps], b.PixelOfSquare(from) + QPoint(t, t));
}

void TestTChessBrdInput::dropWhileTheEngineThinksIsRefused() {
  auto b = std::make_unique<TChessBrd>();
  Show(*b);
  b->SetSearchDepth(8);  // long enough to drag a piece meanwhile
  b->SetComputerPlaysWhite(true);
  QTRY_VERIFY_WITH_TIMEOUT(b->Thinking(), 10000);
  Events ev;
  ev.Attach(*b);
  const QImage before = b->BoardImage();
  Drag(*b, "e2", "e4");  // legal for White, but the engine is searching White's move
  QCOMPARE(ev.illegal, std::vector<Square>{E2});
  QVERIFY(ev.legal.empty());
  QCOMPARE(b->Position(), kStart);
  QCOMPARE(b->BoardImage(), before);
  // Destroying the board stops its search and joins the engine thread.
  b.reset();
}

// The board goes down with its parent: stopping the engine then must not deliver events to
// the half-destroyed parent or its other children.
void TestTChessBrdInput::parentDestroyedWhileTheEngineSearches() {
  for (const bool searching : {false, true}) {
    auto* host = new QWidget;
    host->resize(500, 500);
    auto* b = new TChessBrd(host);
    if (searching) {
      host->show();
      QVERIFY(QTest::qWaitForWindowExposed(host));
      b->SetSearchDepth(8);
      b->SetComputerPlaysWhite(true);
      QTRY_VERIFY_WITH_TIMEOUT(b->Thinking(), 10000);
    }
    // Later children with events still pending for them and for the parent.
    for (int i = 0; i < 3; ++i) new QWidget(host);
    QCoreApplication::postEvent(host, new QEvent(QEvent::LayoutRequest));
    delete host;
  }
}

QTEST_MAIN(TestTChessBrdInput)
#include "test_tchessbrd_input.moc"

void TestTChessBrdInput::clickClickPlaysThroughTheDropPath() {
  TChessBrd b;
  b.SetClickMoves(true);
  Show(b);
  Events ev;
  ev.Attach(b);
  Click(b, "g1");
  QCOMPARE(b.Selected(), G1);
  QCOMPARE(ev.illegal, std::vector<Square>{G1});  // the short press is still a cancelled drag
  Click(b, "f3");
  QCOMPARE(ev.legal, (std::vector<std::pair<Square, Square>>{{G1, F3}}));
  QCOMPARE(b.Selected(), None);
  QCOMPARE(b.Squares()[F3], 'N');
  // A drag from a selected piece still plays; a promotion asks OnPromotion.
  b.SetPosition("    k      P                                                   K   ");
  b.SetWhiteToMove(true);
  Click(b, "d7");
  QCOMPARE(b.Selected(), D7);
  char asked = 0;
  b.OnPromotion = [&](ChessBoard*, Square, Square, char& piece) { asked = piece = 'N'; };
  Click(b, "d8");
  QCOMPARE(asked, 'N');
  QCOMPARE(b.Squares()[D8], 'N');
}

void TestTChessBrdInput::clickRefusalsChangeNothing() {
  TChessBrd b;
  b.SetClickMoves(true);
  Show(b);
  Events ev;
  ev.Attach(b);
  Click(b, "e7");  // the side not to move
  QCOMPARE(b.Selected(), None);
  Click(b, "e4");  // empty
  QCOMPARE(b.Selected(), None);
  Click(b, "e2");
  Click(b, "e5");  // no target: deselects
  QCOMPARE(b.Selected(), None);
  Click(b, "e2");
  Click(b, "d2");  // another own piece: selects that one
  QCOMPARE(b.Selected(), D2);
  Click(b, "d2");  // the selected piece again: deselects
  QCOMPARE(b.Selected(), None);
  Click(b, "d2");
  QTest::keyClick(&b, Qt::Key_Escape);
  QCOMPARE(b.Selected(), None);
  QVERIFY(ev.legal.empty());
  QCOMPARE(b.Position(), kStart);
}

void TestTChessBrdInput::keyboardCursorPicksAndPutsDown() {
  TChessBrd b;
  b.SetKeyboardMoves(true);
  Show(b);
  b.setFocus();
  Events ev;
  ev.Attach(b);
  QString typed;
  b.OnTypedText = [&](const QString& t) { typed += t; };
  QCOMPARE(b.CursorSquare(), E2);
  QTest::keyClick(&b, Qt::Key_Space);  // picks up e2
  QCOMPARE(b.Selected(), E2);
  QTest::keyClick(&b, Qt::Key_Up);
  QTest::keyClick(&b, Qt::Key_Up);
  QCOMPARE(b.CursorSquare(), E4);
  QTest::keyClick(&b, Qt::Key_Return);
  QCOMPARE(ev.legal, (std::vector<std::pair<Square, Square>>{{E2, E4}}));
  // Turned board: "up" goes towards rank 1; the cursor stops at the edge.
  b.SetWhiteOnTop(true);
  for (int i = 0; i < 6; ++i) QTest::keyClick(&b, Qt::Key_Up);
  QCOMPARE(b.CursorSquare(), E1);
  QTest::keyClick(&b, Qt::Key_Left);
  QCOMPARE(b.CursorSquare(), F1);
  QTest::keyClicks(&b, "Sf6");
  QCOMPARE(typed, QStringLiteral("Sf6"));
}
