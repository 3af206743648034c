// Printouts into PDF files, checked with poppler's pdfinfo, pdftotext and pdfimages.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <stdexcept>

#include "gui/printing.h"

using namespace tavrel;

namespace {

// The move list of a short game as the board writes it: a white move as number, ". " and the
// move, a black move as a tab and the move.
QStringList GameLines(int moves) {
  static const char* const kWhite[] = {"e2-e4", "Sg1-f3", "Lf1-b5", "0-0", "Tf1-e1", "d2-d4"};
  static const char* const kBlack[] = {"e7-e5", "Sb8-c6", "a7-a6", "Sg8-f6", "Lf8-e7", "Dd8xd2+"};
  QStringList lines;
  for (int i = 0; i < moves; ++i) {
    lines << QStringLiteral("%1. %2").arg(i + 1).arg(QLatin1String(kWhite[i % 6]));
    lines << QStringLiteral("\t%1").arg(QLatin1String(kBlack[i % 6]));
  }
  return lines;
}

QString Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000) || p.exitCode() != 0) return QStringLiteral("<failed>");
  return QString::fromUtf8(p.readAllStandardOutput());
}

int PageCount(const QString& pdf) {
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(Run("pdfinfo", {pdf}));
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString PageText(const QString& pdf, int page) {
  const QString n = QString::number(page);
  return Run("pdftotext", {"-f", n, "-l", n, "-layout", pdf, "-"});
}

// Top-left corners (in PDF points) of the words on a page, by word.
QMultiMap<QString, QPointF> WordCorners(const QString& pdf, int page) {
  const QString n = QString::number(page);
  const QString html = Run("pdftotext", {"-f", n, "-l", n, "-bbox", pdf, "-"});
  QMultiMap<QString, QPointF> out;
  static const QRegularExpression word(
      QStringLiteral("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\"[^>]*>([^<]*)</word>"));
  for (auto it = word.globalMatch(html); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    out.insert(m.captured(3), QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()));
  }
  return out;
}

void PdfPrinter(QPrinter& printer, const QString& file) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(file);
}

// Runs f once the next modal dialog is up; a later timer closes anything left open so that a
// test never hangs.
void OnModalDialog(std::function<void(QDialog*)> f) {
  QTimer::singleShot(50, [f] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) f(d);
  });
  QTimer::singleShot(5000, [] {
    if (QWidget* w = QApplication::activeModalWidget()) w->close();
  });
}

constexpr double kPointsPerMm = 72 / 25.4;

}  // namespace

class PrintingTest : public QObject {
  Q_OBJECT
 private:
  QTemporaryDir dir_;
  QString File(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

 private slots:
  void movesAreInColumnsAtTheMargin() {
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = File("zugliste.pdf");
    PdfPrinter(printer, pdf);
    PrintMoveListPages(printer, GameLines(6), PrintSettings{}, 96, 1, 1);

    QCOMPARE(PageCount(pdf), 1);
    QVERIFY(Run("pdfinfo", {pdf}).contains(QStringLiteral("Orvanel 2014")));
    const QString text = PageText(pdf, 1);
    for (const char* move : {"1. e2-e4", "e7-e5", "4. 0-0", "Dd8xd2+"})
      QVERIFY2(text.contains(QLatin1String(move)), move);

    const QMultiMap<QString, QPointF> words = WordCorners(pdf, 1);
    // White's moves start at the 25 mm margins, Black's all in one column to the right, one
    // line per half-move.
    const double margin = 25 * kPointsPerMm;
    QVERIFY(qAbs(words.value("1.").x() - margin) < 2);
    QVERIFY(qAbs(words.value("1.").y() - margin) < 2);
    QVERIFY(qAbs(words.value("6.").x() - margin) < 2);
    const QList<double> black = {words.value("e7-e5").x(), words.value("Sb8-c6").x(),
                                 words.value("Dd8xd2+").x()};
    // The black column starts 30 printer pixels (1.8 points at 1200 dpi) after the blank.
    QVERIFY(black[0] > words.value("1.").x() + 1.8);
    QVERIFY(qAbs(black[0] - black[1]) < 0.5);
    QVERIFY(qAbs(black[0] - black[2]) < 0.5);
    // 204 printer pixels per line: 12.24 points.
    QVERIFY(qAbs(words.value("e7-e5").y() - words.value("1.").y() - 12.24) < 0.1);
  }

  void printsOnlyThePagesAskedFor() {
    QPrinter printer(QPrinter::HighResolution);
    const MoveListLayout layout = ComputeMoveListLayout(MetricsOf(printer), PrintSettings{}, 96);
    QCOMPARE(layout.linesPerPage, 56);        // 1200 dpi A4 with 25 mm margins and 12 × 17 lines
    const QStringList lines = GameLines(40);  // 80 lines: pages 1 and 2

    const QString both = File("beide.pdf");
    PdfPrinter(printer, both);
    PrintMoveListPages(printer, lines, PrintSettings{}, 96, 1, 2);
    QCOMPARE(PageCount(both), 2);
    QVERIFY(PageText(both, 1).contains(QStringLiteral("28. 0-0")));
    QVERIFY(!PageText(both, 1).contains(QStringLiteral("29. Tf1-e1")));
    QVERIFY(PageText(both, 2).contains(QStringLiteral("29. Tf1-e1")));
    QVERIFY(PageText(both, 2).contains(QStringLiteral("40. 0-0")));

    const QString second = File("zweite.pdf");
    PdfPrinter(printer, second);
    PrintMoveListPages(printer, lines, PrintSettings{}, 96, 2, 2);
    QCOMPARE(PageCount(second), 1);
    const QMultiMap<QString, QPointF> words = WordCorners(second, 1);
    QVERIFY(!words.contains("1."));
    QVERIFY(!words.contains("28."));
    QVERIFY(PageText(second, 1).contains(QStringLiteral("29. Tf1-e1")));
    // The second page starts at the top margin again.
    QVERIFY(qAbs(words.value("29.").y() - 25 * kPointsPerMm) < 2);
  }

  void emptyListPrintsOneEmptyPage() {
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = File("leer.pdf");
    PdfPrinter(printer, pdf);
    PrintMoveListPages(printer, {}, PrintSettings{}, 96, 1, 1);
    QCOMPARE(PageCount(pdf), 1);
    QVERIFY(PageText(pdf, 1).trimmed().isEmpty());
  }

  void printDialogPrintsAllOfferedPages() {
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = File("dialog.pdf");
    PdfPrinter(printer, pdf);
    int offeredMax = 0;
    OnModalDialog([&](QDialog* d) {
      if (auto* pd = qobject_cast<QPrintDialog*>(d)) offeredMax = pd->maxPage();
      d->accept();
    });
    PrintMoveList(nullptr, printer, GameLines(28), PrintSettings{}, 96);  // 56 lines
    QCOMPARE(offeredMax, 2);
    QCOMPARE(PageCount(pdf), 2);
    QVERIFY(PageText(pdf, 1).contains(QStringLiteral("28. 0-0")));
    QVERIFY(PageText(pdf, 2).trimmed().isEmpty());
  }

  void dialogWithoutATargetEndsWithTheMessage() {
    // Off screen the dialog leaves the home folder as the file name (under X11 it proposes a
    // file there, which this test must not write).
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) QSKIP("needs offscreen");
    QPrinter printer(QPrinter::HighResolution);
    OnModalDialog([](QDialog* d) { d->accept(); });
    try {
      PrintMoveList(nullptr, printer, GameLines(3), PrintSettings{}, 96);
      QFAIL("no error");
    } catch (const std::runtime_error& e) {
      QCOMPARE(QString::fromUtf8(e.what()), NoPrinterMessage());
    }
    QCOMPARE(printer.docName(), QStringLiteral("Orvanel 2014"));
  }

  void printDialogPrintsTheChosenPages_data() {
    // "from-to" in the range boxes, or all pages. (The dialog offers page lists such as "1,3"
    // only for system printers.)
    QTest::addColumn<QString>("choice");
    QTest::addColumn<QList<int>>("pages");
    QTest::newRow("range 2 to 2") << "2-2" << QList<int>{2};
    QTest::newRow("range 2 to 3") << "2-3" << QList<int>{2, 3};
    QTest::newRow("all pages") << "" << QList<int>{1, 2, 3};
  }
  void printDialogPrintsTheChosenPages() {
    QFETCH(QString, choice);
    QFETCH(QList<int>, pages);
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = File("auswahl.pdf");
    QFile::remove(pdf);
    PdfPrinter(printer, pdf);
    OnModalDialog([&](QDialog* d) {
      if (!choice.isEmpty()) {
        d->findChild<QRadioButton*>(QStringLiteral("printRange"))->click();
        d->findChild<QSpinBox*>(QStringLiteral("to"))->setValue(choice.section('-', 1).toInt());
        d->findChild<QSpinBox*>(QStringLiteral("from"))
            ->setValue(choice.section('-', 0, 0).toInt());
      }
      d->accept();
    });
    // 120 lines: pages 1 to 3, starting with moves 1, 29 and 57.
    PrintMoveList(nullptr, printer, GameLines(60), PrintSettings{}, 96);
    QCOMPARE(PageCount(pdf), int(pages.size()));
    for (int i = 0; i < pages.size(); ++i) {
      const QString first = QString::number((pages[i] - 1) * 28 + 1) + QLatin1Char('.');
      QVERIFY2(WordCorners(pdf, i + 1).contains(first), qPrintable(first));
    }
  }

  void cancelledDialogPrintsNothing() {
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = File("abbruch.pdf");
    PdfPrinter(printer, pdf);
    OnModalDialog([](QDialog* d) { d->reject(); });
    PrintMoveList(nullptr, printer, GameLines(3), PrintSettings{}, 96);
    QVERIFY(!QFile::exists(pdf));
  }

  void windowPictureAtScreenRatio() {
    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = File("fenster.pdf");
    PdfPrinter(printer, pdf);
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    PrintWindowImage(printer, image, PrintSettings{}, 96);

    QCOMPARE(PageCount(pdf), 1);
    QVERIFY(Run("pdfinfo", {pdf}).contains(QStringLiteral("Orvanel 2014")));
    // One 400 × 300 picture, lossless, shown at the screen's 96 pixels per inch.
    const QStringList rows = Run("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 3);
    const QStringList cols = rows[2].simplified().split(' ');
    QCOMPARE(cols[3], QStringLiteral("400"));
    QCOMPARE(cols[4], QStringLiteral("300"));
    QVERIFY2(cols[8] != QStringLiteral("jpeg"), qPrintable(rows[2]));
    QCOMPARE(cols[12], QStringLiteral("96"));
  }

  void noPrinterThrowsAndWritesNothing() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString());
    QVERIFY(!HasPrintTarget(printer));
    printer.setOutputFileName(dir_.path() + QLatin1Char('/'));  // what the dialog leaves
    QVERIFY(!HasPrintTarget(printer));
    printer.setOutputFileName(dir_.path());
    QVERIFY(!HasPrintTarget(printer));
    const QString expected = NoPrinterMessage();
    try {
      PrintWindowImage(printer, QImage(10, 10, QImage::Format_RGB32), PrintSettings{}, 96);
      QFAIL("no error");
    } catch (const std::runtime_error& e) {
      QCOMPARE(QString::fromUtf8(e.what()), expected);
    }
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             PrintMoveListPages(printer, GameLines(2), PrintSettings{}, 96, 1, 1));
    // The window printout leaves the clipboard alone when it cannot print.
    QGuiApplication::clipboard()->setText(QStringLiteral("unberührt"));
    QLabel area(QStringLiteral("Brett"));
    area.resize(50, 40);
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, PrintWindow(&area, printer, PrintSettings{}, 96));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("unberührt"));
  }

  void sharedSettingsAndCurrentPrinter() {
    SharedPrintSettings().PrintMarginTop = 40;
    ResetPrintMargins();
    const PrintSettings& s = SharedPrintSettings();
    QCOMPARE(s.PrintMarginLeft + s.PrintMarginRight + s.PrintMarginTop + s.PrintMarginBottom, 100);
    QCOMPARE(s.PrintFontName, QStringLiteral("Verdana"));
    QVERIFY(!s.PrintWindowUpright);

    QPrinter& printer = CurrentPrinter();
    QCOMPARE(&CurrentPrinter(), &printer);
    if (!QPrinterInfo::availablePrinters().isEmpty()) QSKIP("this machine has a printer");
    // Without any printer there is nowhere to print until a PDF file is chosen.
    QVERIFY(!HasPrintTarget(printer));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             PrintWindowImage(printer, QImage(4, 4, QImage::Format_RGB32), s, 96));
  }

  void unwritableFileIsReported() {
    QPrinter printer(QPrinter::HighResolution);
    PdfPrinter(printer, File("fehlt/ordner/x.pdf"));
    QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                             PrintMoveListPages(printer, GameLines(2), PrintSettings{}, 96, 1, 1));
  }

  void windowCopyAndPrint() {
    QLabel area(QStringLiteral("Spielbrett"));
    area.setStyleSheet(QStringLiteral("background: white"));
    area.resize(120, 90);
    CopyWindowToClipboard(GrabWidgetImage(&area));
    QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(120, 90));

    QPrinter printer(QPrinter::HighResolution);
    const QString pdf = File("fenster2.pdf");
    PdfPrinter(printer, pdf);
    QGuiApplication::clipboard()->clear();
    PrintWindow(&area, printer, PrintSettings{}, 96);
    QCOMPARE(QGuiApplication::clipboard()->image().size(), QSize(120, 90));
    QCOMPARE(PageCount(pdf), 1);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
  }
};

QTEST_MAIN(PrintingTest)
#include "printing_test.moc"
