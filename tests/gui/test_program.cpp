// The program end to end: it starts with an empty data folder, a person drags pieces on the
// visible board, the computer answers, and closing leaves the right files behind.
#include <QFile>
#include <QProcess>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "gui/game_texts.h"
#include "gui/move_list_box.h"
#include "gui/tavrel_application.h"
#include "gui/tform45.h"
#include "gui/window_parts.h"
#include "gui/tchessbrd.h"
#include "main_window_test_util.h"

using namespace tavrel;

namespace {

QByteArray ReadAll(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Drags the piece on `from` to `to` with the left mouse button, in small steps as a hand would.
void Drag(TChessBrd* board, Square from, Square to) {
  const QPoint half(board->SizeOfSquare() / 2, board->SizeOfSquare() / 2);
  const QPoint a = board->PixelOfSquare(from) + half;
  const QPoint b = board->PixelOfSquare(to) + half;
  QTest::mousePress(board, Qt::LeftButton, {}, a);
  constexpr int kSteps = 8;
  for (int i = 1; i <= kSteps; ++i) {
    QTest::mouseMove(board, a + (b - a) * i / kSteps);
    QTest::qWait(5);
  }
  QTest::mouseRelease(board, Qt::LeftButton, {}, b);
}

// With TAVREL_SCREENSHOT_DIR set, keeps a picture of the window for a look by eye.
void Screenshot(QWidget& w, const char* name) {
  const QString dir = qEnvironmentVariable("TAVREL_SCREENSHOT_DIR");
  if (!dir.isEmpty()) w.grab().save(dir + '/' + QString::fromLatin1(name) + ".png");
}

}  // namespace

class ProgramTest : public QObject {
  Q_OBJECT

 private slots:
  void startsWithAnEmptyDataFolder() {
    const QString program = qEnvironmentVariable("TAVREL_PROGRAM");
    if (program.isEmpty()) QSKIP("TAVREL_PROGRAM is not set");
    QTemporaryDir home;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(program, {});
    QVERIFY(process.waitForStarted());
    const QString copy = home.path() + QStringLiteral("/Orvanel 2014/mtavrel.c00");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(copy), 15000);
    QTest::qWait(300);
    QCOMPARE(process.state(), QProcess::Running);
    QVERIFY(ReadAll(copy).startsWith("\x78\xDA"));
    process.kill();
    process.waitForFinished();
  }

  void aPersonPlaysAgainstTheComputer() {
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    const QString data = home.path() + QStringLiteral("/Orvanel 2014/");
    QVERIFY(QDir().mkpath(data));
    {
      QFile ini(data + QStringLiteral("kovrin.ini"));
      QVERIFY(ini.open(QIODevice::WriteOnly));
      ini.write("[Andere]\r\nSchluessel=7\r\n[Tavrel]\r\nSpielstufe=2\r\nZug=1\r\nTon=0\r\n");
    }

    auto w = std::make_unique<Tform45>();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QTRY_VERIFY(!w->S99->isVisible());
    QCOMPARE(w->Rx1->value(), 2);
    QCOMPARE(w->L3->text(), QStringLiteral("Anfänger"));
    QVERIFY(!w->MarkSuggestion);  // "Tip" is missing: off
    QVERIFY(QFile::exists(data + QStringLiteral("mtavrel.c00")));
    QVERIFY(!w->ProblemList.empty());
    Screenshot(*w, "start");

    // Two persons open the game with the mouse.
    Drag(w->ChessBrd1, E2, E4);
    QCOMPARE(w->LB1->count(), 1);
    QCOMPARE(w->LB1->item(0)->text(), QStringLiteral("1. e2-e4"));
    QVERIFY(!w->ChessBrd1->WhiteToMove());
    QTRY_VERIFY(w->BlackClockMs >= 400);  // two ticks on black's clock
    Drag(w->ChessBrd1, E7, E5);
    QCOMPARE(w->LB1->count(), 2);
    QCOMPARE(w->LB1->item(1)->text(), QStringLiteral("\te7-e5"));
    // A drop on a square the piece cannot reach is refused.
    Drag(w->ChessBrd1, D2, D5);
    QCOMPARE(w->LB1->count(), 2);

    // Then the computer takes black and answers at the level read from the settings.
    w->G1->Button(1)->click();
    Drag(w->ChessBrd1, D2, D4);
    QCOMPARE(w->LB1->item(2)->text(), QStringLiteral("2. d2-d4"));
    if (QTest::qWaitFor([&] { return w->LB1->count() == 4; }, 20000)) {
      QVERIFY(w->LB1->item(3)->text().startsWith('\t'));
      QVERIFY(w->ChessBrd1->WhiteToMove());
    } else {
      qWarning("the board's computer player did not answer");
    }
    QTRY_VERIFY(w->WhiteClockMs >= 200);
    QCOMPARE(w->L6->text(), QString::fromStdString(ClockText(w->WhiteClockMs)));
    QVERIFY(!w->ClocksStopped);
    Screenshot(*w, "game");

    w->S7->click();  // "Teilprogramm beenden"
    QVERIFY(!w->isVisible());
    w.reset();
    const QByteArray ini = ReadAll(data + QStringLiteral("kovrin.ini"));
    QVERIFY2(ini.contains("Spielstufe=2"), ini.constData());
    QVERIFY(ini.contains("Zug=1"));
    QVERIFY(ini.contains("Ton=0"));
    QVERIFY(ini.contains("Tip=0"));
    QVERIFY(ini.contains("Schluessel=7"));
    QVERIFY(!QFile::exists(data + QStringLiteral("000.spa")));
  }

  // Pictures for a look by eye (run under xvfb-run with TAVREL_SCREENSHOT_DIR set): the start,
  // a game with the last move framed, and the mate message over the window.
  void screenshots() {
    const QString dir = qEnvironmentVariable("TAVREL_SCREENSHOT_DIR");
    if (dir.isEmpty()) QSKIP("TAVREL_SCREENSHOT_DIR is not set");
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    Tform45 w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(500);
    const auto screen = [&](const char* name) {
      QGuiApplication::primaryScreen()->grabWindow(0).save(dir + '/' + name + ".png");
    };
    screen("x-start");
    Drag(w.ChessBrd1, F2, F3);
    Drag(w.ChessBrd1, E7, E5);
    Drag(w.ChessBrd1, G2, G4);
    QTest::qWait(300);
    screen("x-game");
    tavrel::test::ModalAnswer answer([&](QWidget* box) {
      QTest::qWait(300);
      screen("x-mate");
      box->close();
    });
    Drag(w.ChessBrd1, D8, H4);
    QVERIFY(answer.Answered());
    QTest::qWait(300);
    screen("x-after-mate");
  }
};

int main(int argc, char** argv) {
  TavrelApplication app(argc, argv);
  ProgramTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_program.moc"
