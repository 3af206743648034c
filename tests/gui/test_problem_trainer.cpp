// The problem trainer offscreen: a wrong first move refuted and taken back, the key dragged
// and answered with the longest defence, the mate marking the problem solved in its file (kept
// across windows), hints, and a broken marks file kept aside.
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include "core/fen.h"
#include "core/solved_problems.h"
#include "gui/problem_trainer.h"
#include "gui/tchessbrd.h"

using namespace tavrel;

namespace {

std::string BoardOf(const char* fen) {
  return ParseFen(fen)->Board;
}

std::vector<std::string> Collection() {
  return {"0. A. Aljechin 1930", "2", BoardOf("7K/8/7k/1Q1b4/3r1R2/6R1/8/8 w - - 0 1"),
          "1. Em. Lasker 1935", "3", BoardOf("kb6/2pN4/2P5/1N6/3K4/8/8/n7 w - - 0 1"),
          "2. Zu knapp", "2", BoardOf("kb6/2pN4/2P5/1N6/3K4/8/8/n7 w - - 0 1")};
}

QPoint Centre(const TChessBrd* board, Square sq) {
  const int half = board->SizeOfSquare() / 2;
  return board->PixelOfSquare(sq) + QPoint(half, half);
}

void Drag(TChessBrd* board, Square from, Square to) {
  const QPoint a = Centre(board, from), b = Centre(board, to);
  QTest::mousePress(board, Qt::LeftButton, {}, a);
  for (int i = 1; i <= 4; ++i) QTest::mouseMove(board, a + (b - a) * i / 4);
  QTest::mouseRelease(board, Qt::LeftButton, {}, b);
}

}  // namespace

class ProblemTrainerTest : public QObject {
  Q_OBJECT

 private slots:
  void solvesWithAWrongTryOnTheWay() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("geloest.txt"));
    auto trainer = std::make_unique<ProblemTrainer>(Collection(), file);
    trainer->show();
    QVERIFY(QTest::qWaitForWindowExposed(trainer.get()));
    trainer->Open(0);
    TChessBrd* board = trainer->Board();
    const std::string start = board->Position();

    QVERIFY(board->PlayMove(SquareAt(2, 5), SquareAt(4, 7)));  // 1. Dd7?
    QTRY_VERIFY2(trainer->Message().contains(QStringLiteral("Widerlegung: 1... Lf7!")),
                 qPrintable(trainer->Message()));
    QCOMPARE(board->Squares()[SquareAt(6, 7)], 'b');
    trainer->TakeBack();
    QCOMPARE(board->Position(), start);

    Drag(board, SquareAt(2, 5), SquareAt(2, 1));  // 1. Db1!
    QTRY_VERIFY2(trainer->Message().contains(QStringLiteral("Richtig: 1. Db1!")),
                 qPrintable(trainer->Message()));
    // The defence that parries the threat Dg6#, as the main variation shows it.
    QVERIFY2(trainer->Message().contains(QStringLiteral("1... Lf7")), qPrintable(trainer->Message()));
    QCOMPARE(board->Squares()[SquareAt(6, 7)], 'b');
    QVERIFY(!trainer->IsSolved(0));

    QVERIFY(board->PlayMove(SquareAt(2, 1), SquareAt(8, 7)));  // 2. Dh7#
    QTRY_VERIFY2(trainer->Message().startsWith(QStringLiteral("Gelöst!")),
                 qPrintable(trainer->Message()));
    QVERIFY(trainer->IsSolved(0));
    QCOMPARE(board->Squares()[SquareAt(8, 7)], 'Q');  // the final position stays
    // Solving shows the whole solution, computed in the background.
    auto* shown = trainer->findChild<QPlainTextEdit*>(QStringLiteral("LoesungText"));
    QTRY_VERIFY2(shown->toPlainText().contains(QStringLiteral("Schlüsselzug: 1. Db1!")),
                 qPrintable(shown->toPlainText()));
    QVERIFY(trainer->SolutionAsText().contains(QStringLiteral("Schlüsselzug: 1. Db1!")));
    QVERIFY(trainer->SolutionAsText().contains(QStringLiteral("Verführungen:")));

    // The mark is in the file, and a new window reads it.
    trainer.reset();
    QFile marks(file);
    QVERIFY(marks.open(QIODevice::ReadOnly));
    QVERIFY(marks.readAll().contains(SolvedKey(2, Collection()[2]).c_str()));
    ProblemTrainer again(Collection(), file);
    QVERIFY(again.IsSolved(0));
    QVERIFY(!again.IsSolved(1));
    auto* state = again.findChild<QComboBox*>(QStringLiteral("StatusFilter"));
    state->setCurrentIndex(1);  // "ungelöst"
    QCOMPARE(again.Listed(), (std::vector<int>{1, 2}));

    // A stipulation without a mate is told at once, with the shortest mate.
    again.Open(2);
    QCOMPARE(again.Message(), QStringLiteral("Dieses Problem hat kein Matt in 2 Zügen; das "
                                             "kürzeste Matt: Matt in 3 Zügen."));

    // Hints for the three-mover: the piece, its target, then the whole line.
    again.Open(1);
    again.Hint();
    QCOMPARE(again.Message(), QStringLiteral("Hinweis: Es zieht der König auf d4."));
    again.Hint();
    QCOMPARE(again.Message(), QStringLiteral("Hinweis: Der König auf d4 zieht nach c3."));
    again.Hint();
    QVERIFY2(again.Message().startsWith(QStringLiteral("Lösungsweg: 1. Kc3 ")),
             qPrintable(again.Message()));
  }

  void keepsABrokenMarksFileAside() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("geloest.txt"));
    QFile broken(file);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("kein Kopf\n2 8/8/8/8/8/8/8/8/\n");
    broken.close();
    ProblemTrainer trainer(Collection(), file);
    QVERIFY(!QFile::exists(file));
    QVERIFY(QFile::exists(file + QStringLiteral(".defekt")));
    auto* box = trainer.findChild<QMessageBox*>();
    QVERIFY(box);
    QVERIFY2(box->text().contains(QStringLiteral("beschädigt")), qPrintable(box->text()));
    box->close();
  }
};

QTEST_MAIN(ProblemTrainerTest)
#include "test_problem_trainer.moc"
