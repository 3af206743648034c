// An external engine as the board's computer player: tavrel-engine (a UCI engine) and fake
// engines that answer too late or break down.
#include <QSignalSpy>
#include <QTest>

#include <string>

#include "gui/analysis.h"
#include "gui/external_opponent.h"
#include "gui/gegner_dialog.h"

#include <QFile>
#include <QTemporaryDir>
#include "gui/tchessbrd.h"

using namespace tavrel;

namespace {

constexpr int kDeadlineMs = 60000;

OpponentSettings Engine(const char* program, QStringList arguments = {}) {
  OpponentSettings s;
  s.Program = QString::fromUtf8(program);
  s.Arguments = std::move(arguments);
  s.MoveTimeMs = 100;
  return s;
}

OpponentSettings Fake(const char* mode) {
  return Engine((std::string(qgetenv("TAVREL_SOURCE_DIR")) + "/tests/fake_engines/fake_uci.py").c_str(),
                {QString::fromUtf8(mode)});
}

}  // namespace

class TestExternalOpponent : public QObject {
  Q_OBJECT

 private slots:
  void PlaysItsMoveThroughTheHook() {
    TChessBrd b;
    b.SetAnimateMoves(false);
    b.SetComputerPlaysBlack(true);
    ExternalOpponent opponent(&b);
    QVERIFY2(opponent.Attach(Engine(qgetenv("TAVREL_ENGINE").constData())),
             qPrintable(opponent.Error()));
    QVERIFY(b.CustomEngine());
    QVERIFY(b.PlayMove(E2, E4));
    QTRY_VERIFY_WITH_TIMEOUT(b.WhiteToMove(), kDeadlineMs);
    std::vector<std::string> moves;
    b.GetMoveList(moves);
    QCOMPARE(moves.size(), 2u);  // e2-e4 and the engine's reply
    opponent.Detach();
    QVERIFY(!b.CustomEngine());
  }

  void DropsAnAnswerForAPositionTakenBack() {
    TChessBrd b;
    b.SetAnimateMoves(false);
    b.SetComputerPlaysBlack(true);
    ExternalOpponent opponent(&b);
    QVERIFY2(opponent.Attach(Fake("onstop")), qPrintable(opponent.Error()));
    const std::string start = b.Position();
    QVERIFY(b.PlayMove(E2, E4));
    QVERIFY(!b.WhiteToMove());
    QVERIFY(b.MoveBack());  // the engine is told to stop and answers for 1. e4
    QTRY_COMPARE_WITH_TIMEOUT(opponent.DroppedMoves(), 1, kDeadlineMs);
    QCoreApplication::processEvents();
    QCOMPARE(b.Position(), start);
    QVERIFY(b.WhiteToMove());
    QVERIFY(opponent.Attached());
  }

  void BuiltInProgramTakesOverFromABrokenEngine() {
    for (const char* mode : {"crash", "illegal"}) {
      TChessBrd b;
      b.SetAnimateMoves(false);
      b.SetSearchDepth(1);
      b.SetComputerPlaysBlack(true);
      ExternalOpponent opponent(&b);
      QSignalSpy failed(&opponent, &ExternalOpponent::failed);
      QVERIFY2(opponent.Attach(Fake(mode)), qPrintable(opponent.Error()));
      QVERIFY(b.PlayMove(E2, E4));
      QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, kDeadlineMs);
      QVERIFY2(failed.at(0).at(0).toString().contains(QStringLiteral("Engine")), mode);
      QVERIFY(!b.CustomEngine());
      // The game goes on: the built-in program answers 1. e4.
      QTRY_VERIFY_WITH_TIMEOUT(b.WhiteToMove(), kDeadlineMs);
    }
  }

  void EngineOptionsKeptPerEngineAndBrokenFilesSetAside() {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    QString error;
    const std::vector<std::pair<std::string, std::string>> options{{"Threads", "2"},
                                                                   {"Style", "Risky"}};
    QVERIFY2(GegnerDialog::SaveOptions("Fake Engine 1.0", options, &error), qPrintable(error));
    QCOMPARE(GegnerDialog::LoadOptions("Fake Engine 1.0", &error), options);
    QVERIFY(error.isEmpty());
    QVERIFY(GegnerDialog::LoadOptions("Other", &error).empty());

    const QString path = GegnerDialog::OptionsFile("Fake Engine 1.0");
    QVERIFY(path.startsWith(home.path()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Threads=2\nkein Gleichheitszeichen\n");
    file.close();
    QVERIFY(GegnerDialog::LoadOptions("Fake Engine 1.0", &error).empty());
    QVERIFY2(error.contains(QStringLiteral("beschädigt")), qPrintable(error));
    QVERIFY(!QFile::exists(path));
    QVERIFY(QFile::exists(path + ".defekt"));
  }

  void AnalysisFollowsTheBoard() {
    QCOMPARE(EvaluationText(true, false, 130), QStringLiteral("+1,3"));
    QCOMPARE(EvaluationText(false, false, 40), QStringLiteral("\u22120,4"));
    QCOMPARE(EvaluationText(false, true, -3), QStringLiteral("Matt in 3"));
    QCOMPARE(EvaluationText(true, true, -2), QStringLiteral("\u2212Matt in 2"));
    QCOMPARE(EvaluationText(true, false, 4), QStringLiteral("0,0"));
    QCOMPARE(GermanSan("exd8=Q+"), std::string("exd8=D+"));

    TChessBrd b;
    b.SetAnimateMoves(false);
    AnalyseFenster window(&b, nullptr);
    QString error;
    QVERIFY2(window.Start(&error), qPrintable(error));  // stockfish is installed for the tests
    QTRY_VERIFY_WITH_TIMEOUT(window.LineText().startsWith(QStringLiteral("1. ")), kDeadlineMs);
    for (auto [from, to] : {std::pair{E2, E4}, {E7, E5}, {F1, C4}, {B8, C6}, {D1, H5}, {G8, F6}})
      QVERIFY(b.ExecuteMove(from, to));
    QTRY_VERIFY_WITH_TIMEOUT(window.LineText().startsWith(QStringLiteral("4. Dxf7#")), kDeadlineMs);
    QCOMPARE(window.ScoreText(), QStringLiteral("Matt in 1"));
  }
};

QTEST_MAIN(TestExternalOpponent)
#include "test_external_opponent.moc"
