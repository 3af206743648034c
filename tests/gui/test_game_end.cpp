// The end of the game record in the real main window: the move that fills it ends the game with
// a message, the computer stops, and a later drop is refused with the same message.
#include <QAbstractButton>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <vector>

#include "gui/window_parts.h"
#include "main_window_test_util.h"
#include "test_openings_window.h"

using namespace tavrel;
using tavrel::test::MessageCatcher;
using tavrel::test::Window;

namespace {

const QString kRecordFull =
    QStringLiteral("Die Partie ist beendet: Die Zugliste ist mit 256 Zügen voll.");

// The visible board at move 256, White to move from the start position: room for one more
// half-move.
void NearlyFullRecord(Tform45& w) {
  std::vector<uint8_t> bytes(kEntrySize + kGroupSize * kMaxMoveNumber, 0);
  uint8_t* last = bytes.data() + kEntrySize + kGroupSize * (kMaxMoveNumber - 1);
  last[0] = 64;
  std::copy(kInitialPosition.begin(), kInitialPosition.end(), last + 1);
  last[84] = AllCastling;
  w.ChessBrd1->LoadGameBytes(bytes, "full");
  QVERIFY(w.ChessBrd1->GoToMove(kMaxMoveNumber, true));
  w.UpdateListBox();
}

}  // namespace

class GameEndTest : public QObject {
  Q_OBJECT

 private slots:
  void theComputersMoveFillsTheRecord() {
    REQUIRE_ENGINE();
    Window win;
    NearlyFullRecord(*win.w);
    win->Rx1->setValue(2);
    MessageCatcher box;
    win->G2->Button(1)->click();  // the computer plays White (and would go on with Black)
    QTRY_VERIFY_WITH_TIMEOUT(box.answer.Answered(), 60000);
    QCOMPARE(box.text, kRecordFull);
    QVERIFY(win->GameOver && win->ClocksStopped);
    QCOMPARE(win->G1->ItemIndex(), 0);
    QCOMPARE(win->G2->ItemIndex(), 0);
    QVERIFY(win->ChessBrd1->RecordFull());
    QTRY_VERIFY(!win->ChessBrd1->Thinking() && win->ChessBrd1->EngineParked());
  }

  void aDropIntoTheFullRecordIsRefusedVisibly() {
    Window win;
    NearlyFullRecord(*win.w);
    {
      MessageCatcher box;
      QVERIFY(win->ChessBrd1->PlayMove(E2, E4));
      QVERIFY(box.answer.Answered());
      QCOMPARE(box.text, kRecordFull);
    }
    MessageCatcher box;
    QVERIFY(!win->ChessBrd1->PlayMove(E7, E5));
    QVERIFY(box.answer.Answered());
    QCOMPARE(box.text, kRecordFull);
    QCOMPARE(win->ChessBrd1->Squares()[E7], 'p');
  }
};

QTEST_MAIN(GameEndTest)
#include "test_game_end.moc"
