// The menu "Eröffnungen" in the real main window: the embedded items, loading each opening,
// replacing one opening by the next, and the failures that leave the new game on the board.
#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <stdexcept>

#include "core/openings.h"
#include "gui/window_parts.h"
#include "test_openings_window.h"

using namespace tavrel;
using tavrel::test::Lines;
using tavrel::test::ToQt;
using tavrel::test::Window;

namespace {

QByteArray CommittedFile(std::string_view dataItem) {
  QFile f(qEnvironmentVariable("TAVREL_SOURCE_DIR") + QStringLiteral("/resources/openings/") +
          QString::fromUtf8(dataItem.data(), static_cast<qsizetype>(dataItem.size())) +
          QStringLiteral(".spa"));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QAction* Item(const Window& win, std::string_view name) {
  for (QAction* a : win->OpeningItems)
    if (a->objectName() == Q(name)) return a;
  return nullptr;
}

}  // namespace

class OpeningsMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void menuListsTheOpeningsInTableOrder() {
    Window win;
    QCOMPARE(win->MenuEroeffnungen->title(), QStringLiteral("Eröffnungen"));
    QList<QAction*> items;
    for (QAction* a : win->MenuEroeffnungen->actions())
      if (!a->isSeparator()) items << a;
    const auto table = Openings();
    QCOMPARE(items.size(), static_cast<qsizetype>(table.size()));
    for (size_t i = 0; i < table.size(); ++i) {
      QCOMPARE(items[i]->text(), Q(table[i].Caption));
      QCOMPARE(items[i]->objectName(), Q(table[i].MenuItem));
      QVERIFY(items[i]->isEnabled());
    }
  }

  void embeddedItemsAreTheCommittedGames() {
    for (const OpeningInfo& o : Openings()) {
      QFile item(QStringLiteral(":/openings/") + Q(o.DataItem));
      QVERIFY2(item.open(QIODevice::ReadOnly), o.DataItem.data());
      const QByteArray bytes = item.readAll();
      QCOMPARE(bytes.size(), o.Bytes);
      QCOMPARE(bytes, CommittedFile(o.DataItem));
    }
    QVERIFY(!QFile::exists(QStringLiteral(":/openings/E027")));
  }

  void everyOpeningLoads_data() {
    QTest::addColumn<int>("index");
    int i = 0;
    for (const OpeningInfo& o : Openings()) QTest::newRow(o.Caption.data()) << i++;
  }
  void everyOpeningLoads() {
    QFETCH(int, index);
    const OpeningInfo& o = Openings()[static_cast<size_t>(index)];
    Window win;
    Item(win, o.MenuItem)->trigger();

    QCOMPARE(Lines(*win.w), ToQt(OpeningLines(o)));
    QCOMPARE(win->LB1->count(), o.HalfMoves);
    QCOMPARE(win->LB1->currentRow(), o.HalfMoves - 1);
    QCOMPARE(win->ChessBrd1->WhiteToMove(), o.WhiteToMoveAtEnd);
    ChessBoard played;
    played.NewGame();
    PlayOpening(played, o);
    QCOMPARE(win->ChessBrd1->Position(), played.Position());
    QCOMPARE(win->ChessBrd1->CurrentMove(), played.CurrentMove());

    QFile copy(win.File(QStringLiteral("000.spa")));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), CommittedFile(o.DataItem));
  }

  void retiAndBenoni() {
    Window win;
    Item(win, "E001")->trigger();
    QCOMPARE(win->LB1->count(), 5);
    QCOMPARE(win->LB1->item(4)->text(), QStringLiteral("3. Lf1-g2"));
    QVERIFY(!win->ChessBrd1->WhiteToMove());

    Item(win, "E007")->trigger();
    QCOMPARE(win->LB1->count(), 22);
    QVERIFY(win->ChessBrd1->WhiteToMove());
    QCOMPARE(win->ChessBrd1->CurrentMove(), 12);
  }

  void aSecondOpeningReplacesTheFirst() {
    Window win;
    Item(win, "e012")->trigger();
    QCOMPARE(win->LB1->count(), 25);
    Item(win, "E001")->trigger();
    QCOMPARE(Lines(*win.w), ToQt(OpeningLines(*FindOpening("E001"))));
    QFile copy(win.File(QStringLiteral("000.spa")));
    QVERIFY(copy.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), CommittedFile("E001"));
  }

  void anOpeningRestartsTheClocksOfADecidedGame() {
    Window win;
    win->ClocksStopped = true;
    win->GameOver = true;
    win->WhiteClockMs = 61000;
    win->BlackClockMs = 42000;
    Item(win, "e013")->trigger();
    QCOMPARE(win->WhiteClockMs, 0);
    QCOMPARE(win->BlackClockMs, 0);
    QVERIFY(!win->ClocksStopped);
    QVERIFY(win->GameOver);  // only a new game or a new activation clears it
    QCOMPARE(win->LB1->count(), 16);
  }

  void theComputerWaitsAfterAnOpening() {
    REQUIRE_ENGINE();
    Window win;
    win->Rx1->setValue(2);
    win->G1->Button(1)->click();  // the computer plays Black
    QVERIFY(win->ChessBrd1->ComputerPlaysBlack());
    Item(win, "E004")->trigger();  // ends with Black to move
    QTest::qWait(300);
    QVERIFY(!win->ChessBrd1->Thinking());
    QCOMPARE(win->LB1->count(), 7);
    win->BMClick();  // "Zug ausführen"
    QTRY_COMPARE_WITH_TIMEOUT(win->LB1->count(), 8, 60000);
  }

  void anOpeningIsAnOrdinaryGameAfterwards() {
    Window win;
    Item(win, "E004")->trigger();
    while (win->ChessBrd1->MoveBack()) {
    }
    QCOMPARE(win->ChessBrd1->Position(), std::string(kInitialPosition));
    QCOMPARE(win->ChessBrd1->LastMoveNumber(), 4);  // going back keeps the record
    QVERIFY(tavrel::test::Play(*win.w, "e2e4"));
    QCOMPARE(Lines(*win.w), QStringList{QStringLiteral("1. e2-e4")});
  }

  void aMissingItemLeavesTheNewGame() {
    Window win;
    QVERIFY(tavrel::test::Play(*win.w, "e2e4 e7e5"));
    QAction missing(QStringLiteral("Fehlt"));
    missing.setObjectName(QStringLiteral("E0&99"));
    QVERIFY_THROWS_EXCEPTION(std::exception, win->eladen(&missing));
    QCOMPARE(win->ChessBrd1->Position(), std::string(kInitialPosition));
    QCOMPARE(win->LB1->count(), 0);
    QVERIFY(!QFile::exists(win.File(QStringLiteral("000.spa"))));
  }

  void anUnwritableDataFolderLeavesTheNewGame() {
    Window win;
    QVERIFY(tavrel::test::Play(*win.w, "d2d4"));
    // The data folder's name taken by a plain file: nothing can be written inside it (the
    // tests may run as root, for whom permission bits are no obstacle).
    const QString folder = tavrel::DataFolder();
    QVERIFY(QDir(folder).removeRecursively());
    QFile blocker(folder.chopped(1));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY_THROWS_EXCEPTION(std::exception, win->eladen(Item(win, "E001")));
    QCOMPARE(win->ChessBrd1->Position(), std::string(kInitialPosition));
    QCOMPARE(win->LB1->count(), 0);
  }

  void closingDeletesTheCopy() {
    Window win;
    Item(win, "E002")->trigger();
    QVERIFY(QFile::exists(win.File(QStringLiteral("000.spa"))));
    win->close();
    QVERIFY(!QFile::exists(win.File(QStringLiteral("000.spa"))));
  }
};

QTEST_MAIN(OpeningsMenuTest)
#include "test_openings_menu.moc"
