// A game file named on the command line: loaded at start as "Spielstand laden" (or, for a
// ".pgn", "PGN-Partie laden") loads it, whatever bytes its name holds; a file that cannot be
// loaded shows the usual error box and leaves the new game.
#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "gui/move_list_box.h"
#include "gui/tavrel_application.h"
#include "gui/tform45.h"
#include "core/chessboard.h"
#include "gui/tchessbrd.h"
#include "main_window_test_util.h"

using namespace tavrel;

class StartFileTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    data_ = std::make_unique<QTemporaryDir>();
    QVERIFY(test::PrepareDataFolder(*data_));
  }

  void loadsTheGameAfterTheNewGame() {
    // A stored opening, nine moves for white and eight for black.
    const QString file =
        qEnvironmentVariable("TAVREL_SOURCE_DIR") + QStringLiteral("/resources/openings/E005.spa");
    Tform45 w;
    w.StartFile = file.toStdString();
    w.show();
    QTRY_COMPARE(w.LB1->count(), 17);
    QCOMPARE(w.LB1->currentRow(), 16);
    QCOMPARE(w.LB1->item(16)->text(), QStringLiteral("9. Sf3-d2"));
    QVERIFY(!w.ChessBrd1->WhiteToMove());
    QVERIFY(w.StartFile.empty());
  }

  void aNameThatIsNotUtf8AndAPgnFileOpen_data() {
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("lines");
    // "spät" in Latin-1 and a stray byte: no UTF-8 text names this file.
    QTest::newRow("not UTF-8") << QByteArray("sp\xe4t\xff.spa") << QByteArray() << 17;
    QTest::newRow("PGN") << QByteArray("partie.PGN") << QByteArray("1. e4 e5 2. Sf3 *\n") << 3;
  }
  void aNameThatIsNotUtf8AndAPgnFileOpen() {
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, content);
    QFETCH(int, lines);
    const std::string file =
        QFile::encodeName(data_->path()).toStdString() + '/' + name.toStdString();
    if (content.isEmpty()) {
      std::filesystem::copy_file(
          qEnvironmentVariable("TAVREL_SOURCE_DIR").toStdString() + "/resources/openings/E005.spa",
          file);
    } else {
      std::ofstream(file, std::ios::binary) << content.toStdString();
    }
    test::MessageCatcher no_message;
    Tform45 w;
    w.StartFile = file;
    w.show();
    QTRY_COMPARE(w.LB1->count(), lines);
    QVERIFY2(!no_message.answer.Answered(), qPrintable(no_message.text));
  }

  void aDamagedFileLeavesTheNewGame() {
    const QString file = data_->filePath(QStringLiteral("kaputt.spa"));
    {
      QFile f(file);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(QByteArray(100, 'x'));
    }
    test::MessageCatcher box;
    Tform45 w;
    w.StartFile = file.toStdString();
    w.show();
    QTRY_VERIFY(box.answer.Answered());
    QCOMPARE(box.title, QStringLiteral("Tavrel"));
    QVERIFY2(box.text.contains(file), qPrintable(box.text));
    QCOMPARE(w.LB1->count(), 0);
    QCOMPARE(w.ChessBrd1->Position(), ChessBoard().Position());
  }

 private:
  std::unique_ptr<QTemporaryDir> data_;
};

int main(int argc, char** argv) {
  TavrelApplication app(argc, argv);
  StartFileTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_start_file.moc"
