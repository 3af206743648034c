// The menu "Varianten" in the real main window: each item starts a new game from its position,
// stops a thinking computer, and the game returns to the variant when taken back.
#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QSpinBox>
#include <QTest>

#include "core/variants.h"
#include "gui/window_parts.h"
#include "test_openings_window.h"

using namespace tavrel;
using tavrel::test::Lines;
using tavrel::test::Play;
using tavrel::test::Window;

namespace {

QString Q(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QAction* Item(const Window& win, std::string_view name) {
  for (QAction* a : win->VariantItems)
    if (a->objectName() == Q(name)) return a;
  return nullptr;
}

}  // namespace

class VariantsMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void menuListsTheVariantsWithASeparatorAfterTheThird() {
    Window win;
    QCOMPARE(win->MenuVarianten->title(), QStringLiteral("Varianten"));
    const QList<QAction*> actions = win->MenuVarianten->actions();
    QCOMPARE(actions.size(), 8);
    QVERIFY(actions[3]->isSeparator());
    int v = 0;
    for (QAction* a : actions) {
      if (a->isSeparator()) continue;
      QCOMPARE(a->text(), Q(Variants()[static_cast<size_t>(v)].Caption));
      QCOMPARE(a->objectName(), Q(Variants()[static_cast<size_t>(v)].MenuItem));
      QVERIFY(a->isEnabled());
      ++v;
    }
  }

  void everyVariantStartsANewGame_data() {
    QTest::addColumn<int>("index");
    int i = 0;
    for (const VariantInfo& v : Variants()) QTest::newRow(v.Caption.data()) << i++;
  }
  void everyVariantStartsANewGame() {
    QFETCH(int, index);
    const VariantInfo& v = Variants()[static_cast<size_t>(index)];
    Window win;
    QVERIFY(Play(*win.w, "e2e4 e7e5"));
    win->WhiteClockMs = 30000;
    win->ClocksStopped = true;
    Item(win, v.MenuItem)->trigger();
    QCOMPARE(win->ChessBrd1->Position(), std::string(v.Board));
    QVERIFY(win->ChessBrd1->WhiteToMove());
    QCOMPARE(win->ChessBrd1->CurrentMove(), 1);
    QCOMPARE(win->LB1->count(), 0);
    QCOMPARE(win->WhiteClockMs, 0);
    QVERIFY(!win->ClocksStopped);

    win->D5click();  // "Neues Spiel" returns to the normal start
    QCOMPARE(win->ChessBrd1->Position(), std::string(kInitialPosition));
  }

  void takingBackEveryMoveReturnsToTheVariant() {
    Window win;
    Item(win, "M2")->trigger();  // "König in der Ecke"
    QVERIFY(Play(*win.w, "e2e4 e7e5 g1f3 b8c6"));
    QCOMPARE(win->LB1->count(), 4);
    for (int i = 0; i < 4; ++i) win->D2Click();
    QCOMPARE(win->ChessBrd1->Position(), std::string(Variants()[5].Board));
    QVERIFY(win->ChessBrd1->WhiteToMove());
  }

  void thirtyTwoPawnsMoveOnlyFromTheFront() {
    Window win;
    Item(win, "M26")->trigger();
    QVERIFY(!Play(*win.w, "e2e3"));
    QVERIFY(Play(*win.w, "e3e4 d6d5 e2e3"));
    QCOMPARE(Lines(*win.w), (QStringList{QStringLiteral("1. e3-e4"), QStringLiteral("\td6-d5"),
                                         QStringLiteral("2. e2-e3")}));
  }

  void aVariantStopsTheThinkingComputer() {
    REQUIRE_ENGINE();
    Window win;
    win->Rx1->setValue(15);  // a search long enough to be caught thinking
    QVERIFY(Play(*win.w, "e2e4"));
    win->G1->Button(1)->click();  // the computer plays Black and starts at once
    QTRY_VERIFY(win->ChessBrd1->Thinking());
    Item(win, "x5")->trigger();  // "Damenloses Spiel"
    QVERIFY(!win->ChessBrd1->Thinking());
    QTest::qWait(300);
    QCOMPARE(win->LB1->count(), 0);
    QCOMPARE(win->ChessBrd1->Position(), std::string(Variants()[1].Board));
  }
};

QTEST_MAIN(VariantsMenuTest)
#include "test_variants_menu.moc"
