// An external engine as the board's computer player: tavrel-engine (a UCI engine) and fake
// engines that answer too late or break down.
#include <QSignalSpy>
#include <QTest>

#include <string>

#include "gui/analysis.h"
#include "gui/external_opponent.h"
#include "gui/gegner_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
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
    OpponentSettings s = Engine(qgetenv("TAVREL_ENGINE").constData());
    s.Depth = 2;  // a depth limit alone, as a measured strength step may give it
    s.MoveTimeMs = 0;
    s.RatedElo = 1500;
    QVERIFY2(opponent.Attach(s), qPrintable(opponent.Error()));
    QVERIFY(b.CustomEngine());
    QCOMPARE(opponent.PlayerName(), opponent.Name() + QStringLiteral(" (1500 Elo)"));
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

  // Engines are checked in the background; the strength list holds the measured steps below
  // the engine's own UCI_Elo; closing the dialog kills what is still being checked.
  void OpponentDialogChecksEnginesInTheBackground() {
    QVERIFY(QFile::exists(QStringLiteral(":/engines/strength.txt")));  // the shipped steps
    QVERIFY(GegnerDialog::ShippedStrengths().Problems.empty());
    const StrengthTable table = ParseStrengthTable(
        "Stockfish | 900 | 80 | 200 | option.Skill Level=0 depth=1\n"
        "Stockfish | 1100 | ±90 | 200 | option.Skill Level=2\n");
    auto* dialog = new GegnerDialog(std::nullopt, nullptr, &table);
    auto* list = dialog->findChild<QListWidget*>(QStringLiteral("GegnerListe"));
    auto* strength = dialog->findChild<QComboBox*>(QStringLiteral("Spielstaerke"));
    const OpponentSettings fake = Fake("good"), mute = Fake("nouciok");
    dialog->CheckEngine(fake.Program, fake.Arguments);
    dialog->CheckEngine(mute.Program, mute.Arguments);
    dialog->CheckEngine(QStringLiteral("/kein/solches/programm"), {});
    QVERIFY(dialog->EnginesBeingChecked() >= 3);
    QVERIFY(list->item(list->count() - 1)->text().endsWith(QStringLiteral("wird geprüft …")));
    auto row = [&](const QString& start) {
      for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().startsWith(start)) return i;
      return -1;
    };
    QTRY_VERIFY_WITH_TIMEOUT(row("Stockfish") > 0 && row("Fake Engine 1.0") > 0, kDeadlineMs);
    QVERIFY(row(QStringLiteral("Das Programm „/kein/solches/programm“ wurde nicht gefunden.")) > 0);
    QVERIFY(list->item(row(mute.Program))->text().endsWith(QStringLiteral("wird geprüft …")));

    list->setCurrentRow(row("Stockfish"));
    QCOMPARE(strength->itemText(0), QStringLiteral("≈ 900 Elo (± 80, gemessen)"));
    QCOMPARE(strength->itemText(1), QStringLiteral("≈ 1100 Elo (± 90, gemessen)"));
    QCOMPARE(strength->itemText(2), QStringLiteral("1400 Elo"));  // UCI_Elo from 1350
    QCOMPARE(strength->itemText(strength->count() - 1), QStringLiteral("volle Stärke"));
    strength->setCurrentIndex(0);
    auto choice = dialog->Choice();
    QVERIFY(choice);
    QCOMPARE(choice->Depth, 1);
    QCOMPARE(choice->MoveTimeMs, 0);
    QCOMPARE(choice->Elo, 0);
    QCOMPARE(choice->RatedElo, 900);
    QVERIFY((choice->Options.back() == std::pair<std::string, std::string>{"Skill Level", "0"}));
    strength->setCurrentIndex(1);  // options alone: the time per move applies
    QCOMPARE(dialog->Choice()->MoveTimeMs, 1000);
    strength->setCurrentIndex(2);
    choice = dialog->Choice();
    QCOMPARE(choice->Elo, 1400);
    QCOMPARE(choice->RatedElo, 1400);

    list->setCurrentRow(row("Fake Engine 1.0"));
    QCOMPARE(strength->count(), 1);
    QCOMPARE(strength->itemText(0), QStringLiteral("volle Stärke"));
    QCOMPARE(dialog->Choice()->RatedElo, 0);

    // The engine in use is chosen again once it has answered; until then OK would drop it.
    OpponentSettings inUse = Engine("stockfish");
    inUse.Elo = inUse.RatedElo = 1500;
    GegnerDialog again(inUse, nullptr, &table);
    auto* ok = again.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    QVERIFY(!ok->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(ok->isEnabled(), kDeadlineMs);
    QCOMPARE(again.findChild<QComboBox*>(QStringLiteral("Spielstaerke"))->currentText(),
             QStringLiteral("1500 Elo"));
    QCOMPARE(again.Choice()->Program, QStringLiteral("stockfish"));

    std::vector<qint64> checking;
    for (UciClient* c : dialog->findChildren<UciClient*>())
      if (c->Running()) checking.push_back(c->ProcessId());
    QVERIFY(!checking.empty());
    delete dialog;
    for (qint64 pid : checking) QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)));
  }

  void AnalysisEngineIsTheOpponentElseStockfishElseTheBuiltInOne() {
    OpponentSettings toga = Engine("toga2", {"-x"});
    QCOMPARE(ChooseAnalysisEngine(&toga, "/usr/games/stockfish", "/opt/t").Program, QStringLiteral("toga2"));
    QCOMPARE(ChooseAnalysisEngine(&toga, "/usr/games/stockfish", "/opt/t").Arguments, QStringList{"-x"});
    QCOMPARE(ChooseAnalysisEngine(nullptr, "/usr/games/stockfish", "/opt/t").Program,
             QStringLiteral("/usr/games/stockfish"));
    const QString engine = QString::fromLocal8Bit(qgetenv("TAVREL_ENGINE"));
    const AnalysisEngine builtIn = ChooseAnalysisEngine(nullptr, {}, QFileInfo(engine).absolutePath());
    QCOMPARE(QFileInfo(builtIn.Program).canonicalFilePath(), QFileInfo(engine).canonicalFilePath());
    // The built-in engine analyses too, and the window says which engine it is.
    TChessBrd b;
    AnalyseFenster window(&b, nullptr);
    QString error;
    QVERIFY2(window.Start(builtIn, &error), qPrintable(error));
    QVERIFY(window.windowTitle().endsWith(window.EngineName()));
    QTRY_VERIFY_WITH_TIMEOUT(window.LineText().startsWith(QStringLiteral("1. ")), kDeadlineMs);
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
    // stockfish is installed for the tests
    QVERIFY2(window.Start(ChooseAnalysisEngine(nullptr, FindStockfish(), {}), &error), qPrintable(error));
    QCOMPARE(window.windowTitle(), QStringLiteral("Analyse – ") + window.EngineName());
    QVERIFY(window.EngineName().startsWith(QStringLiteral("Stockfish")));
    QTRY_VERIFY_WITH_TIMEOUT(window.LineText().startsWith(QStringLiteral("1. ")), kDeadlineMs);
    for (auto [from, to] : {std::pair{E2, E4}, {E7, E5}, {F1, C4}, {B8, C6}, {D1, H5}, {G8, F6}})
      QVERIFY(b.ExecuteMove(from, to));
    QTRY_VERIFY_WITH_TIMEOUT(window.LineText().startsWith(QStringLiteral("4. Dxf7#")), kDeadlineMs);
    QCOMPARE(window.ScoreText(), QStringLiteral("Matt in 1"));
  }
};

QTEST_MAIN(TestExternalOpponent)
#include "test_external_opponent.moc"
