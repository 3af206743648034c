// The help file built with the program, the help window, the help command without its engine,
// and the about box.
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "gui/chm_file.h"
#include "core/file_version.h"
#include "gui/help.h"
#include "gui/help_window.h"
#include "gui/tf35.h"

using namespace tavrel;

namespace {

QString BuiltHelpFile() {
  return qEnvironmentVariable("TAVREL_DATA_DIR") + QStringLiteral("/kovrin.chm");
}

THelpWindow* OpenHelpWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* h = qobject_cast<THelpWindow*>(w); h && h->isVisible()) return h;
  return nullptr;
}

void CloseHelpWindows() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<THelpWindow*>(w)) w->close();
  QApplication::processEvents();
}

void CloseModalsLater() {
  QTimer::singleShot(5000, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
}

}  // namespace

class HelpTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    if (!HelpEngineLoaded()) QVERIFY(LoadHelpEngine());
  }
  void cleanup() { CloseHelpWindows(); }

  void helpFileMapsTheMainWindowTopic() {
    QVERIFY(QFile::exists(BuiltHelpFile()));
    std::unique_ptr<ChmFile> chm = ChmFile::Open(BuiltHelpFile().toStdString());
    QVERIFY(chm);
    QCOMPARE(chm->TopicForContext(kMainWindowHelpContext), std::string("/hauptfenster.htm"));
    const std::optional<std::string> page = chm->Read("/hauptfenster.htm");
    QVERIFY(page);
    QVERIFY(QString::fromStdString(*page).contains(QStringLiteral("Tavrel – das Hauptfenster")));
    QCOMPARE(chm->DefaultTopic(), std::string("/hauptfenster.htm"));
    QCOMPARE(QString::fromStdString(chm->Title()), QStringLiteral("Tavrel – Hilfe"));
  }

  void everyMappedTopicIsAPageOfTheFile_data() {
    QTest::addColumn<int>("context");
    QTest::addColumn<QString>("page");
    QTest::newRow("main window") << 333 << "/hauptfenster.htm";
    QTest::newRow("playing") << 334 << "/spielen.htm";
    QTest::newRow("controls") << 335 << "/bedienung.htm";
    QTest::newRow("levels") << 336 << "/spielstufen.htm";
    QTest::newRow("problems") << 337 << "/probleme.htm";
    QTest::newRow("printing") << 338 << "/drucken.htm";
    QTest::newRow("files") << 339 << "/dateien.htm";
    QTest::newRow("unmapped") << 1 << "";
  }
  void everyMappedTopicIsAPageOfTheFile() {
    QFETCH(int, context);
    QFETCH(QString, page);
    std::unique_ptr<ChmFile> chm = ChmFile::Open(BuiltHelpFile().toStdString());
    QVERIFY(chm);
    const std::string topic = chm->TopicForContext(std::uint32_t(context));
    QCOMPARE(QString::fromStdString(topic), page);
    if (!topic.empty()) QVERIFY(chm->Read(topic));
  }

  void showsTheTopicAndFollowsLinks() {
    ShowHelpTopic(BuiltHelpFile(), kMainWindowHelpContext);
    THelpWindow* w = OpenHelpWindow();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("Tavrel – Hilfe"));
    TChmBrowser* b = w->Browser();
    QCOMPARE(b->source().path(), QStringLiteral("/hauptfenster.htm"));
    QVERIFY(b->toPlainText().contains(QStringLiteral("Aufbau des Fensters")));
    // The style sheet and the picture come out of the file too.
    QVERIFY(!b->loadResource(QTextDocument::StyleSheetResource,
                             QUrl(QStringLiteral("chm:///hilfe.css")))
                 .toString()
                 .isEmpty());
    QImage picture;
    QVERIFY(picture.loadFromData(b->loadResource(QTextDocument::ImageResource,
                                                 QUrl(QStringLiteral("chm:///bilder/brett.png")))
                                     .toByteArray()));
    QCOMPARE(picture.size(), QSize(96, 96));

    // A link relative to the page, as a click reports it.
    emit b->anchorClicked(b->source().resolved(QUrl(QStringLiteral("drucken.htm"))));
    QCOMPARE(b->source().path(), QStringLiteral("/drucken.htm"));
    QVERIFY(b->toPlainText().contains(QStringLiteral("Zugliste drucken")));
    QVERIFY(b->isBackwardAvailable());
    b->backward();
    QCOMPARE(b->source().path(), QStringLiteral("/hauptfenster.htm"));

    // The contents of the file, nested as in its contents list.
    QTreeWidget* c = w->Contents();
    QCOMPARE(c->topLevelItemCount(), 1);
    QCOMPARE(c->topLevelItem(0)->text(0), QStringLiteral("Das Hauptfenster"));
    QCOMPARE(c->topLevelItem(0)->childCount(), 6);
    QTreeWidgetItem* levels = c->topLevelItem(0)->child(2);
    QCOMPARE(levels->text(0), QStringLiteral("Spielstufen"));
    emit c->itemActivated(levels, 0);
    QCOMPARE(b->source().path(), QStringLiteral("/spielstufen.htm"));

    // Every title shows in full at the window's first size ("Drucken und Fenster kopieren").
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const int margin = 2 * (c->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, c) + 1);
    for (QTreeWidgetItemIterator it(c); *it; ++it) {
      const int right = c->visualItemRect(*it).left() +
                        c->fontMetrics().horizontalAdvance((*it)->text(0)) + margin;
      QVERIFY2(right <= c->viewport()->width(), qPrintable((*it)->text(0)));
    }
  }

  void oneWindowServesAllCalls() {
    ShowHelpTopic(BuiltHelpFile(), 333);
    THelpWindow* first = OpenHelpWindow();
    ShowHelpTopic(BuiltHelpFile(), 337);
    QCOMPARE(OpenHelpWindow(), first);
    QCOMPARE(first->Browser()->source().path(), QStringLiteral("/probleme.htm"));
    // An unmapped number opens the default page.
    ShowHelpTopic(BuiltHelpFile(), 4711);
    QCOMPARE(first->Browser()->source().path(), QStringLiteral("/hauptfenster.htm"));
  }

  void opensWhollyOnTheScreen() {
    QWidget caller;
    const QRect area = caller.screen()->availableGeometry();
    caller.setGeometry(area.right() - 300, area.bottom() - 200, 300, 200);  // in a corner
    caller.show();
    QVERIFY(QTest::qWaitForWindowExposed(&caller));
    ShowHelpTopic(BuiltHelpFile(), kMainWindowHelpContext, &caller);
    THelpWindow* w = OpenHelpWindow();
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    // Over the window that asked for it, as far as the screen allows, and wholly on it.
    QVERIFY(w->frameGeometry().contains(caller.frameGeometry().center()));
    QVERIFY(area.contains(w->frameGeometry()));
  }

  void missingHelpFileIsReported_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not a help file") << QByteArray("ITSF? Nein, nur Text.");
  }
  void missingHelpFileIsReported() {
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    if (!content.isEmpty()) {
      QFile f(dir.filePath(QStringLiteral("kovrin.chm")));
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(content);
    }
    QString text;
    QTimer::singleShot(50, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        text = box->text();
        box->accept();
      }
    });
    CloseModalsLater();
    ShowHelpTopic(dir.filePath(QStringLiteral("kovrin.chm")), 333);
    QVERIFY(text.contains(QStringLiteral("kovrin.chm")));
    QVERIFY(!OpenHelpWindow());
  }

  void withoutTheEngineNothingHappens_data() {
    QTest::addColumn<QString>("library");
    QTest::newRow("library missing") << "libchm-fehlt.so.1";
    QTest::newRow("functions missing") << "libz.so.1";
  }
  void withoutTheEngineNothingHappens() {
    QFETCH(QString, library);
    QVERIFY(!LoadHelpEngine(library.toLocal8Bit().constData()));
    QVERIFY(!HelpEngineLoaded());
    const int windows = int(QApplication::topLevelWidgets().size());
    bool boxShown = false;
    QTimer::singleShot(0, [&] { boxShown = QApplication::activeModalWidget() != nullptr; });
    CloseModalsLater();
    ShowHelpTopic(BuiltHelpFile(), kMainWindowHelpContext);
    ShowHelpTopic(QStringLiteral("/nonexistent/kovrin.chm"), kMainWindowHelpContext);
    QApplication::processEvents();
    QVERIFY(!boxShown);
    QVERIFY(!OpenHelpWindow());
    QCOMPARE(int(QApplication::topLevelWidgets().size()), windows);
    QVERIFY(!ChmFile::Open(BuiltHelpFile().toStdString()));
  }

  void openFilesOutliveTheUnload() {
    std::unique_ptr<ChmFile> chm = ChmFile::Open(BuiltHelpFile().toStdString());
    QVERIFY(chm);
    UnloadHelpEngine();
    QVERIFY(chm->Read("/spielen.htm"));
  }

  void aboutBox() {
    TF35 box(nullptr, QStringLiteral(VERSION_PROBE));
    QCOMPARE(box.windowTitle(), QStringLiteral("Info über ..."));
    QCOMPARE(box.size(), QSize(259, 142));
    QCOMPARE(box.palette().color(QPalette::Window), QColor(Qt::white));
    QCOMPARE(box.L1->text(), QStringLiteral("Tavrel\nSchach"));
    QCOMPARE(box.I1->geometry(), QRect(12, 14, 64, 64));
    const QString version = QString::fromStdString(ReadFileVersion(VERSION_PROBE));
    QVERIFY(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+\\.\\d+$"))
                .match(version)
                .hasMatch());
    const QStringList lines = box.L3->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[2], QStringLiteral("Version ") + version);
    QVERIFY(lines[3].startsWith(QStringLiteral("©")));
    // The emblem is drawn, not empty.
    const QImage emblem = TavrelEmblem().toImage();
    QCOMPARE(emblem.pixelColor(32, 40), QColor(0, 0, 128));
    QCOMPARE(emblem.pixelColor(2, 2).alpha(), 0);
  }

  void aboutBoxWithoutVersion() {
    // The test program carries no version note.
    TF35 box(nullptr);
    const QStringList lines = box.L3->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines[2], QStringLiteral("Version "));
  }

  void aboutBoxCloses_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Enter);
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
    QTest::newRow("frame") << 0;
  }
  void aboutBoxCloses() {
    QFETCH(int, key);
    TF35 box(nullptr);
    bool closed = false;
    QTimer::singleShot(50, [&] {
      if (key)
        QTest::keyClick(&box, Qt::Key(key));
      else
        box.close();
    });
    QTimer::singleShot(5000, &box, &QDialog::reject);
    QElapsedTimer t;
    t.start();
    box.exec();
    closed = t.elapsed() < 4000;
    QVERIFY(closed);
  }
};

QTEST_MAIN(HelpTest)
#include "help_test.moc"
