// The move suggestion and the two move marks in the real main window: the hidden board's move
// in Label2 and framed in yellow, the visible game left alone, requests that replace each other,
// and the green frame of the last move.
#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTest>
#include <cstring>

#include "gui/window_parts.h"
#include "test_openings_window.h"

using namespace tavrel;
using tavrel::test::FramedSquares;
using tavrel::test::kGreenFrame;
using tavrel::test::kYellowFrame;
using tavrel::test::Lines;
using tavrel::test::Pair;
using tavrel::test::Play;
using tavrel::test::Window;

namespace {

constexpr int kSearchTimeoutMs = 60000;

// A Black move as Label2 shows it: no tab, no move number.
const QRegularExpression kBlackMove(
    QStringLiteral("^([KDTLS]?[a-h][1-8][-x][a-h][1-8]|0-0(-0)?)\\+?$"));
const QRegularExpression kWhiteMove(
    QStringLiteral("^\\d+\\. ([KDTLS]?[a-h][1-8][-x][a-h][1-8]|0-0(-0)?)\\+?$"));

// The suggested move's squares, as the hidden board reported them.
std::set<Square> SuggestedSquares() {
  const MarkPair& m = TChessBrd::YellowMark;
  return {SquareAt(m.FromFile, m.FromRank), SquareAt(m.ToFile, m.ToRank)};
}

// Records every text Label2 receives: the hidden board's move event is the only writer.
struct LabelLog {
  QStringList texts;
  explicit LabelLog(Tform45& w) {
    auto original = w.ChessBrd2->OnLegalMove;
    w.ChessBrd2->OnLegalMove = [this, &w, original](ChessBoard* s, Square a, Square b) {
      const QString before = w.Label2->text();
      original(s, a, b);
      if (w.Label2->text() != before) texts << w.Label2->text();
    };
  }
};

bool SameRecord(const GameRecord& a, const GameRecord& b) {
  return std::memcmp(&a, &b, sizeof(GameRecord)) == 0;
}

}  // namespace

class SuggestionTest : public QObject {
  Q_OBJECT

 private slots:
  // Before the first move the suggestion is a white move for the start position.
  void aWhiteMoveBeforeTheFirstMove() {
    REQUIRE_ENGINE();
    Window win;
    win->D6->click();
    QTRY_VERIFY_WITH_TIMEOUT(!win->Label2->text().isEmpty(), 30000);
    QVERIFY2(QRegularExpression(QStringLiteral("^1\\. [A-Z]?[a-h][1-8]-[a-h][1-8]$"))
                 .match(win->Label2->text()).hasMatch(),
             qPrintable(win->Label2->text()));
    QCOMPARE(win->LB1->count(), 0);  // the visible game is unchanged
  }

  void afterE4ABlackMoveIsShownAndFramedInYellow() {
    REQUIRE_ENGINE();
    Window win;
    QVERIFY(win->M24->isChecked() && win->MarkSuggestion);
    QVERIFY(Play(*win.w, "e2e4"));
    const GameRecord before = win->ChessBrd1->Record();
    const std::string position = win->ChessBrd1->Position();
    win->D6->click();
    QTRY_VERIFY_WITH_TIMEOUT(!win->Label2->text().isEmpty(), kSearchTimeoutMs);
    const QString text = win->Label2->text();
    QVERIFY2(kBlackMove.match(text).hasMatch(), qPrintable(text));
    const std::set<Square> squares = SuggestedSquares();
    QVERIFY(FramedSquares(*win->ChessBrd1, kYellowFrame) == squares);
    // The move is Black's and legal after 1. e2-e4.
    ChessBoard check;
    check.NewGame();
    QVERIFY(check.ExecuteMove(E2, E4));
    const MarkPair& m = TChessBrd::YellowMark;
    QVERIFY(check.IsLegalMove(SquareAt(m.FromFile, m.FromRank), SquareAt(m.ToFile, m.ToRank)));
    // The visible game is untouched.
    QVERIFY(SameRecord(win->ChessBrd1->Record(), before));
    QCOMPARE(win->ChessBrd1->Position(), position);
    QCOMPARE(Lines(*win.w), QStringList{QStringLiteral("1. e2-e4")});
    QVERIFY(!win->ChessBrd1->WhiteToMove());
    // The copy of the game the suggestion was computed for stays in the data folder.
    QCOMPARE(QFile(win.File(QStringLiteral("tavrel.tip"))).size(), 88 * 4);
  }

  void untickedTheTextIsShownWithoutFrame() {
    REQUIRE_ENGINE();
    Window win;
    win->M24->trigger();  // "Zugvorschlag markieren" off
    QVERIFY(!win->M24->isChecked() && !win->MarkSuggestion);
    QVERIFY(Play(*win.w, "e2e4"));
    win->D6->click();
    QTRY_VERIFY_WITH_TIMEOUT(!win->Label2->text().isEmpty(), kSearchTimeoutMs);
    QVERIFY(kBlackMove.match(win->Label2->text()).hasMatch());
    QVERIFY(FramedSquares(*win->ChessBrd1, kYellowFrame).empty());
  }

  void aClickedLineIsWhatTheSuggestionIsFor() {
    REQUIRE_ENGINE();
    Window win;
    QVERIFY(Play(*win.w, "e2e4 e7e5 g1f3 b8c6 f1b5"));
    const GameRecord before = win->ChessBrd1->Record();
    win->LB1->setCurrentRow(0);  // a click on White's first move
    QVERIFY(!win->ChessBrd1->WhiteToMove());
    win->D6->click();
    QTRY_VERIFY_WITH_TIMEOUT(!win->Label2->text().isEmpty(), kSearchTimeoutMs);
    QVERIFY2(kBlackMove.match(win->Label2->text()).hasMatch(), qPrintable(win->Label2->text()));
    ChessBoard check;
    check.NewGame();
    QVERIFY(check.ExecuteMove(E2, E4));
    const MarkPair& m = TChessBrd::YellowMark;
    QVERIFY(check.IsLegalMove(SquareAt(m.FromFile, m.FromRank), SquareAt(m.ToFile, m.ToRank)));
    QVERIFY(SameRecord(win->ChessBrd1->Record(), before));
    QCOMPARE(win->LB1->count(), 5);
    QCOMPARE(win->ChessBrd1->LastMoveNumber(), 3);
  }

  void whiteToMoveGivesANumberedWhiteMove() {
    REQUIRE_ENGINE();
    Window win;
    QVERIFY(Play(*win.w, "d2d4 d7d5"));
    win->D6->click();
    QTRY_VERIFY_WITH_TIMEOUT(!win->Label2->text().isEmpty(), kSearchTimeoutMs);
    QVERIFY2(kWhiteMove.match(win->Label2->text()).hasMatch(), qPrintable(win->Label2->text()));
    QVERIFY(win->Label2->text().startsWith(QStringLiteral("2. ")));
  }

  void theHiddenBoardSearchesAtDepthThreeWhateverTheLevel() {
    REQUIRE_ENGINE();
    Window win;
    win->Rx1->setValue(15);
    QCOMPARE(win->ChessBrd1->SearchDepth(), 8);
    QCOMPARE(win->ChessBrd2->SearchDepth(), 3);
    QVERIFY(Play(*win.w, "e2e4"));
    win->D6->click();
    QTRY_VERIFY_WITH_TIMEOUT(!win->Label2->text().isEmpty(), kSearchTimeoutMs);
    QCOMPARE(win->ChessBrd2->SearchDepth(), 3);
  }

  void aNewRequestReplacesOneStillRunning() {
    REQUIRE_ENGINE();
    Window win;
    LabelLog log(*win.w);
    QVERIFY(Play(*win.w, "e2e4 e7e5 g1f3"));
    {
      const QSignalBlocker quiet(win->LB1);
      win->LB1->setCurrentRow(0);  // after 1. e2-e4: a Black move
    }
    win->Button7Click();
    {
      const QSignalBlocker quiet(win->LB1);
      win->LB1->setCurrentRow(1);  // after 1. ... e7-e5: a White move of move 2
    }
    win->Button7Click();
    // The second request stopped the first search before anything else ran: a move it had
    // already handed over was dropped then, so nothing can come of it any more.
    QVERIFY2(log.texts.isEmpty(), qPrintable(log.texts.join(QStringLiteral(" | "))));
    QTRY_VERIFY_WITH_TIMEOUT(!log.texts.isEmpty(), kSearchTimeoutMs);
    QCOMPARE(log.texts.size(), 1);
    QVERIFY2(log.texts[0].startsWith(QStringLiteral("2. ")), qPrintable(log.texts[0]));
    // The hidden board holds the second request's game plus its one move.
    QCOMPARE(win->ChessBrd2->LastMoveNumber(), 2);
    QVERIFY(!win->ChessBrd2->WhiteToMoveAtEnd());
  }

  void aSuggestionRunsWhileTheComputerThinks() {
    REQUIRE_ENGINE();
    Window win;
    win->Rx1->setValue(15);
    QVERIFY(Play(*win.w, "e2e4"));
    win->G1->Button(1)->click();  // the computer plays Black at depth 8
    QTRY_VERIFY(win->ChessBrd1->Thinking());
    win->D6->click();
    QTRY_VERIFY_WITH_TIMEOUT(!win->Label2->text().isEmpty(), kSearchTimeoutMs);
    QVERIFY(kBlackMove.match(win->Label2->text()).hasMatch());
    win->G1->Button(0)->click();  // stop the long search
    QVERIFY(!win->ChessBrd1->Thinking());
  }

  void theGreenFrameFollowsEveryMove() {
    Window win;
    QVERIFY(win->M23->isChecked() && win->MarkLastMove);
    QVERIFY(FramedSquares(*win->ChessBrd1, kGreenFrame).empty());
    QVERIFY(Play(*win.w, "e2e4"));
    QVERIFY(FramedSquares(*win->ChessBrd1, kGreenFrame) == Pair("e2", "e4"));
    QVERIFY(Play(*win.w, "g8f6"));
    QVERIFY(FramedSquares(*win->ChessBrd1, kGreenFrame) == Pair("g8", "f6"));
    QVERIFY(Play(*win.w, "b1c3"));
    QVERIFY(FramedSquares(*win->ChessBrd1, kGreenFrame) == Pair("b1", "c3"));
  }

  void theComputersMoveIsFramedToo() {
    REQUIRE_ENGINE();
    Window win;
    win->Rx1->setValue(2);
    QVERIFY(Play(*win.w, "e2e4"));
    win->G1->Button(1)->click();
    QTRY_COMPARE_WITH_TIMEOUT(win->LB1->count(), 2, kSearchTimeoutMs);
    const auto& b = *win->ChessBrd1;
    QVERIFY(FramedSquares(b, kGreenFrame) ==
            (std::set<Square>{SquareAt(b.LastMoveFromFile(), b.LastMoveFromRank()),
                              SquareAt(b.LastMoveToFile(), b.LastMoveToRank())}));
    win->G1->Button(0)->click();
  }

  void untickedNoGreenFrame() {
    Window win;
    win->M23->trigger();  // "Letzten Zug markieren" off
    QVERIFY(!win->M23->isChecked() && !win->MarkLastMove);
    QVERIFY(Play(*win.w, "e2e4 e7e5"));
    QVERIFY(FramedSquares(*win->ChessBrd1, kGreenFrame).empty());
    win->M23->trigger();
    QVERIFY(Play(*win.w, "g1f3"));
    QVERIFY(FramedSquares(*win->ChessBrd1, kGreenFrame) == Pair("g1", "f3"));
  }

  void aNewGameFramesNothingUntilItsFirstMove() {
    Window win;
    QVERIFY(Play(*win.w, "e2e4 e7e5"));
    win->D5click();
    // The previous game's last move is not framed on the fresh board, and the switch still
    // follows the tick, so the new game's first move is framed again.
    QVERIFY(FramedSquares(*win->ChessBrd1, kGreenFrame).empty());
    QCOMPARE(win->MarkLastMove, win->M23->isChecked());
    QVERIFY(Play(*win.w, "d2d4"));
    QVERIFY(FramedSquares(*win->ChessBrd1, kGreenFrame) == Pair("d2", "d4"));
  }

  void takeBackMovesTheGreenFrame() {
    Window win;
    QVERIFY(Play(*win.w, "e2e4 e7e5"));
    win->D2Click();
    // After a take-back the list still holds the whole game: the frame marks its last move.
    QVERIFY(FramedSquares(*win->ChessBrd1, kGreenFrame) == Pair("e7", "e5"));
    QVERIFY(FramedSquares(*win->ChessBrd1, kYellowFrame).empty());
  }
};

QTEST_MAIN(SuggestionTest)
#include "test_suggestion.moc"
