// The menu "Extras" in the real main window: its place and items, FEN paste and copy through
// the keys, text fields keeping their own copy and paste, PGN files with a choice of games,
// refused input that changes nothing, and saved game files (PGN and .spa) dropped on the window.
#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QUrl>

#include "gui/problem_trainer.h"
#include "main_window_test_util.h"
#include "test_openings_window.h"

using namespace tavrel;
using tavrel::test::Lines;
using tavrel::test::MessageCatcher;
using tavrel::test::ModalAnswer;
using tavrel::test::Play;
using tavrel::test::Window;

namespace {

void WriteText(const QString& file, const QByteArray& text) {
  QFile out(file);
  QVERIFY(out.open(QIODevice::WriteOnly));
  out.write(text);
}

}  // namespace

class PgnMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void extrasSitsBetweenOpeningsAndHelp() {
    Window win;
    QStringList titles;
    for (QAction* a : win->menuBar()->actions()) titles << a->text();
    QCOMPARE(titles, QStringList({"Datei", "Spielsteuerung", "Problemtavrel", "Varianten",
                                  "Eröffnungen", "Extras", "?"}));
    QStringList items;
    for (QAction* a : win->MenuExtras->actions())
      items << (a->isSeparator() ? QStringLiteral("-")
                                 : a->text() + QLatin1Char('|') + a->shortcut().toString());
    QCOMPARE(items, QStringList({"Partie als PGN speichern …|", "PGN-Partie laden …|", "-",
                                 "Stellung kopieren (FEN)|Ctrl+C", "Stellung einfügen (FEN)|Ctrl+V",
                                 "Partie kopieren (PGN)|Ctrl+Shift+C", "-", "Gegner …|",
                                 "Analyse|", "-", "Probleme üben …|", "-", "Züge per Klick|",
                                 "Zielfelder zeigen|", "Weiß oben|Ctrl+F",
                                 "Zug eingeben …|Ctrl+E"}));
    QVERIFY(!win->Analyse->isChecked());
    // No key of the window serves two commands.
    QStringList keys;
    for (QAction* a : win->findChildren<QAction*>())
      for (const QKeySequence& k : a->shortcuts())
        if (!k.isEmpty()) keys << k.toString();
    QVERIFY(!keys.isEmpty());
    for (const QString& k : keys) QVERIFY2(keys.count(k) == 1, qPrintable(k));
    // "Probleme üben …" opens the trainer on the window's collection.
    win->ProblemeUeben->trigger();
    QVERIFY(win->Trainer && win->Trainer->isVisible());
    QCOMPARE(win->Trainer->Listed().size(), win->ProblemList.size() / 3);
  }

  void fenPastedAndCopiedThroughTheKeys() {
    Window win;
    const QString fen = QStringLiteral("r3k2r/8/8/3pP3/8/8/8/R3K2R b KQkq - 0 1");
    QApplication::clipboard()->setText(fen);
    win->ChessBrd1->setFocus();
    QTest::keyClick(win.w.get(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Lines(*win.w), QStringList({"1. ..."}));
    QVERIFY(!win->ChessBrd1->WhiteToMove());
    QVERIFY(Play(*win.w, "e8c8"));
    win->D2->click();
    win->D2->click();  // the record starts at the pasted position: nothing before it
    QVERIFY(!win->ChessBrd1->WhiteToMove());
    QApplication::clipboard()->clear();
    QTest::keyClick(win.w.get(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), fen);

    QTest::keyClick(win.w.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    const QString pgn = QApplication::clipboard()->text();
    QVERIFY2(pgn.contains("[White \"Mensch\"]\n[Black \"Mensch\"]\n[Result \"*\"]\n[SetUp \"1\"]\n"
                          "[FEN \"" +
                          fen + "\"]\n\n1... O-O-O *\n"),
             qPrintable(pgn));
  }

  void aFocusedTextFieldKeepsCopyAndPaste() {
    Window win;
    QVERIFY(Play(*win.w, "e2e4"));
    MessageCatcher no_message;
    QApplication::clipboard()->setText(QStringLiteral("7"));
    QLineEdit* field = win->Rx1->findChild<QLineEdit*>();
    win->Rx1->setFocus();
    field->selectAll();
    QTest::keyClick(win->Rx1, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(win->Rx1->value(), 7);
    QCOMPARE(Lines(*win.w), QStringList({"1. e2-e4"}));
    QVERIFY(!no_message.answer.Answered());
  }

  void refusedInputChangesNothing_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("message");
    QTest::newRow("FEN without kings") << "fen" << QByteArray("8/8/8/8/8/8/8/8 w - - 0 1")
                                       << "Keine gültige FEN-Stellung: Jede Seite braucht";
    QTest::newRow("illegal PGN move") << "pgn" << QByteArray("1. e4 e5 2. Ke3 *")
                                      << "Zug 2. Ke3 ist in dieser Stellung nicht erlaubt.";
    QTest::newRow("empty PGN file") << "pgn" << QByteArray("; nichts\n") << "enthält keine Partie";
    // A huge token is quoted in part only: the whole of it once froze the window.
    QTest::newRow("huge token") << "pgn"
                                << "1." + QByteArray(1 << 20, 'e') + " *"
                                << "Zug 1. eeeeeeeeeeeeeeeeeeee… (1048576 Zeichen) ist nicht";
    QTest::newRow("over the limit") << "pgn" << QByteArray((16 << 20) + 1, ' ')
                                    << "größer als 16 MiB, die Grenze für PGN-Dateien";
  }
  void refusedInputChangesNothing() {
    QFETCH(QString, kind);
    QFETCH(QByteArray, input);
    QFETCH(QString, message);
    Window win;
    QVERIFY(Play(*win.w, "d2d4 d7d5"));
    const std::string before = win->ChessBrd1->Position();
    MessageCatcher box;
    if (kind == "fen") {
      win->PasteFen(QString::fromUtf8(input));
    } else {
      const QString file = win.File(QStringLiteral("bad.pgn"));
      WriteText(file, input);
      win->LoadPgnFrom(file);
    }
    QVERIFY2(box.text.contains(message), qPrintable(box.text.left(300)));
    QVERIFY(box.text.size() < 300);
    QCOMPARE(box.title, QStringLiteral("Tavrel"));
    QCOMPARE(Lines(*win.w), QStringList({"1. d2-d4", "\td7-d5"}));
    QCOMPARE(win->ChessBrd1->Position(), before);
  }

  void aPgnFileThatCannotBeWrittenSaysWhy() {
    Window win;
    MessageCatcher box;
    win->SavePgnTo(win.File(QStringLiteral("fehlt/partie.pgn")));
    QVERIFY2(box.text.contains("Datei oder Ordner nicht vorhanden"), qPrintable(box.text));
  }

  void aGameCutShortLoadsWithANote() {
    Window win;
    const QString file = win.File(QStringLiteral("abgeschnitten.pgn"));
    WriteText(file, "[White \"A\"]\n1. e4 e5 2. Nf3 Nc6 3. Bb5\n");
    MessageCatcher box;
    win->LoadPgnFrom(file);
    QVERIFY2(box.text.contains("endet ohne Ergebnis"), qPrintable(box.text));
    QCOMPARE(Lines(*win.w).size(), 5);
  }

  void severalGamesOfferAChoice() {
    Window win;
    const QString file = win.File(QStringLiteral("zwei.pgn"));
    WriteText(file,
              "[White \"A\"]\n[Black \"B\"]\n1. e4 e5 1-0\n\n"
              "[White \"C\"]\n[Black \"D\"]\n[Event \"Turnier\"]\n1. d4 Sf6 2. c4 e6 0-1\n");
    QStringList offered;
    ModalAnswer choose([&offered](QWidget* w) {
      auto* dialog = qobject_cast<QInputDialog*>(w);
      if (!dialog) {
        w->close();
        return;
      }
      offered = dialog->comboBoxItems();
      dialog->setTextValue(offered.value(1));
      dialog->accept();
    });
    win->LoadPgnFrom(file);
    QCOMPARE(offered, QStringList({"1: A – B", "2: C – D, Turnier"}));
    QCOMPARE(Lines(*win.w), QStringList({"1. d2-d4", "\tSg8-f6", "2. c2-c4", "\te7-e6"}));
    QCOMPARE(win->LB1->currentRow(), 3);
    QVERIFY(win->ChessBrd1->WhiteToMove());
  }

  void savedGameFilesOpenWhenDropped() {
    Window win;
    QVERIFY(Play(*win.w, "e2e4 c7c5"));
    const QString pgn = win.File(QStringLiteral("partie.pgn"));
    win->SavePgnTo(pgn);
    win->D5click();
    QVERIFY(Play(*win.w, "g1f3 g8f6"));
    const QString spa = win.File(QStringLiteral("partie.spa"));
    win->SaveGameTo(spa);
    for (const QString& file : {pgn, spa}) {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(file)});
      const QPoint at = win->rect().center();
      QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(win.w.get(), &enter);
      QVERIFY(enter.isAccepted());
      QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(win.w.get(), &drop);
      QCOMPARE(Lines(*win.w), file == pgn ? QStringList({"1. e2-e4", "\tc7-c5"})
                                          : QStringList({"1. Sg1-f3", "\tSg8-f6"}));
    }
  }
};

QTEST_MAIN(PgnMenuTest)
#include "test_pgn_menu.moc"
