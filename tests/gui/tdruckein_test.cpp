// The print settings dialog: what it shows, what it stores, its preview and its keys.
#include <QAbstractItemView>
#include <QApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QTest>
#include <QTimer>

#include "gui/print_layout.h"
#include "gui/tdruckein.h"

using namespace tavrel;

namespace {

// A PDF printer at 1200 dpi with margins of the given width in millimetres as its
// unprintable border.
void SetBorder(QPrinter& printer, double mm) {
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setPageMargins(QMarginsF(mm, mm, mm, mm), QPageLayout::Millimeter);
}

void Type(QAbstractSpinBox* box, const QString& text) {
  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, text);
}

}  // namespace

class TdruckeinTest : public QObject {
  Q_OBJECT
 private slots:
  void layoutAndTexts() {
    PrintSettings s;
    QPrinter printer(QPrinter::HighResolution);
    Tdruckein d(nullptr, s, printer);
    QCOMPARE(d.windowTitle(), QStringLiteral("Druckeinstellung"));
    QCOMPARE(d.size(), QSize(482, 342));
    QVERIFY(d.windowFlags() & Qt::Tool);
    QCOMPARE(d.PB1->geometry(), QRect(8, 16, 241, 277));
    QCOMPARE(d.T3->geometry(), QRect(368, 92, 60, 22));
    QCOMPARE(d.FB1->geometry(), QRect(272, 240, 193, 21));
    QCOMPARE(d.D1->geometry(), QRect(8, 304, 113, 25));
    QCOMPARE(d.L1->text(), QStringLiteral("Seitenränder in cm"));
    QCOMPARE(d.CB1->text(), QStringLiteral("Fenster senkrecht drucken"));
    QCOMPARE(d.L6->text(), QStringLiteral("Schriftgröße"));
    QCOMPARE(d.L7->text(), QStringLiteral("Beispiel: A a B b C c"));
    QCOMPARE(d.D2->text(), QStringLiteral("Werte übernehmen"));
    QCOMPARE(d.S1->text(), QStringLiteral("Drucker auswählen"));
    QCOMPARE(d.D1->text(), QStringLiteral("Abbrechen"));
    QCOMPARE(d.T1->value(), 2.5);
    QCOMPARE(d.T5->value(), 9);
    QVERIFY(!d.CB1->isChecked());
  }

  void storesWithoutChanges() {
    PrintSettings s;
    s.PrintFontName = QStringLiteral("DejaVu Sans");
    s.PrintWindowUpright = true;
    QPrinter printer(QPrinter::HighResolution);
    Tdruckein d(nullptr, s, printer);
    QVERIFY(d.CB1->isChecked());
    QCOMPARE(d.FB1->currentText(), QStringLiteral("DejaVu Sans"));
    s.PrintMarginLeft = s.PrintMarginTop = 0;  // the dialog shows what it was opened with
    d.D2Click();
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(s.PrintMarginLeft, 25);
    QCOMPARE(s.PrintMarginRight, 25);
    QCOMPARE(s.PrintMarginTop, 25);
    QCOMPARE(s.PrintMarginBottom, 25);
    QCOMPARE(s.PrintFontName, QStringLiteral("DejaVu Sans"));
    QVERIFY(s.PrintWindowUpright);
  }

  void storesTypedMargins_data() {
    QTest::addColumn<double>("border");  // unprintable border of the printer, mm
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("5.0 cm") << 3.53 << "5.0" << 50;
    QTest::newRow("5,0 cm") << 3.53 << "5,0" << 50;
    QTest::newRow("above the maximum") << 3.53 << "7" << 50;
    QTest::newRow("a tenth") << 3.53 << "1,2" << 12;
    // 3.53 mm is 167 pixels at 1200 dpi: 167 × 2.5 / 1200 = 0.348 cm, stored as 3 mm.
    QTest::newRow("below the border") << 3.53 << "0,1" << 3;
    // 10 mm is 467 pixels (Qt keeps the margins in whole points): 0.973 cm, stored as 10 mm.
    QTest::newRow("below a wide border") << 10.0 << "0" << 10;
  }
  void storesTypedMargins() {
    QFETCH(double, border);
    QFETCH(QString, typed);
    PrintSettings s;
    QPrinter printer(QPrinter::HighResolution);
    SetBorder(printer, border);
    Tdruckein d(nullptr, s, printer);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    for (TMarginEdit* t : {d.T1, d.T2, d.T3, d.T4}) Type(t, typed);
    d.D2Click();
    QTEST(s.PrintMarginLeft, "stored");
    QTEST(s.PrintMarginRight, "stored");
    QTEST(s.PrintMarginTop, "stored");
    QTEST(s.PrintMarginBottom, "stored");
  }

  void shownMarginsAreClampedButNotRaised() {
    PrintSettings s;
    s.PrintMarginLeft = 90;  // beyond the spin edit's 5 cm
    s.PrintMarginTop = 1;    // below the printer's border
    QPrinter printer(QPrinter::HighResolution);
    SetBorder(printer, 10);
    Tdruckein d(nullptr, s, printer);
    QCOMPARE(d.T1->value(), 5.0);
    QCOMPARE(d.T3->value(), 0.1);
    const PrinterMetrics m = MetricsOf(printer);
    QCOMPARE(d.T3->Minimum(), m.offsetY * 2.5 / m.resolutionY);  // about 0.97 cm
    d.D2Click();
    QCOMPARE(s.PrintMarginLeft, 50);
    QCOMPARE(s.PrintMarginTop, 10);
  }

  void arrowsStayInsideTheLimits() {
    PrintSettings s;
    s.PrintMarginLeft = 49;
    QPrinter printer(QPrinter::HighResolution);
    Tdruckein d(nullptr, s, printer);
    d.T1->stepBy(5);
    QCOMPARE(d.T1->value(), 5.0);
    d.T1->stepBy(-100);
    QVERIFY(qAbs(d.T1->value() - d.T1->Minimum()) < 0.06);
  }

  void fontChoice() {
    PrintSettings s;
    s.PrintFontName = QStringLiteral("Keine Solche Schrift");
    QPrinter printer(QPrinter::HighResolution);
    Tdruckein d(nullptr, s, printer);
    // A font that is not installed shows the one the printouts really use, and storing
    // stores that one.
    const QString fallback = PrintFontFamily(s.PrintFontName);
    QVERIFY(!fallback.isEmpty() && fallback != s.PrintFontName);
    QCOMPARE(d.FB1->currentText(), fallback);
    QVERIFY(d.FB1->currentIndex() >= 0);
    const QFont before = d.L7->font();
    d.D2Click();
    QCOMPARE(s.PrintFontName, fallback);

    Tdruckein e(nullptr, s, printer);
    const int serif = e.FB1->findText(QStringLiteral("DejaVu Serif"));
    QVERIFY(serif >= 0);
    e.FB1->setCurrentIndex(serif);
    QCOMPARE(e.L7->font().family(), QStringLiteral("DejaVu Serif"));
    e.D2Click();
    QCOMPARE(s.PrintFontName, QStringLiteral("DejaVu Serif"));
    QCOMPARE(before.pixelSize(), 12);
  }

  void sampleSizeChangesOnlyTheSample() {
    PrintSettings s;
    QPrinter printer(QPrinter::HighResolution);
    Tdruckein d(nullptr, s, printer);
    const int height = d.L7->height();
    d.T5->setValue(20);
    QCOMPARE(d.L7->font().pointSize(), 20);
    QVERIFY(d.L7->height() > height);
    d.T5->setValue(3);  // below the spin edit's 4
    QCOMPARE(d.L7->font().pointSize(), 4);
    d.D2Click();
    QCOMPARE(s.PrintMarginLeft, 25);
  }

  void keysAndFrameClose_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("stored");
    QTest::newRow("Esc cancels") << int(Qt::Key_Escape) << false;
    QTest::newRow("Return stores") << int(Qt::Key_Return) << true;
    QTest::newRow("Enter stores") << int(Qt::Key_Enter) << true;
    QTest::newRow("frame cancels") << 0 << false;
  }
  void keysAndFrameClose() {
    QFETCH(int, key);
    PrintSettings s;
    QPrinter printer(QPrinter::HighResolution);
    Tdruckein d(nullptr, s, printer);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    Type(d.T2, QStringLiteral("4"));  // the key goes to the dialog with a margin being typed
    if (key)
      QTest::keyClick(d.T2, Qt::Key(key));
    else
      d.close();
    QVERIFY(!d.isVisible());
    QFETCH(bool, stored);
    QCOMPARE(s.PrintMarginRight, stored ? 40 : 25);
    QCOMPARE(d.result(), int(stored ? QDialog::Accepted : QDialog::Rejected));
  }

  // Keys on the opened font list act on the list only.
  void keysOnTheOpenFontList_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("font");
    QTest::newRow("Esc closes the list") << int(Qt::Key_Escape) << QStringLiteral("DejaVu Sans");
    QTest::newRow("Enter chooses") << int(Qt::Key_Return) << QStringLiteral("DejaVu Serif");
  }
  void keysOnTheOpenFontList() {
    QFETCH(int, key);
    PrintSettings s;
    s.PrintFontName = QStringLiteral("DejaVu Sans");
    QPrinter printer(QPrinter::HighResolution);
    Tdruckein d(nullptr, s, printer);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    d.FB1->showPopup();
    QTRY_VERIFY(d.FB1->view()->isVisible());
    d.FB1->view()->setCurrentIndex(
        d.FB1->model()->index(d.FB1->findText(QStringLiteral("DejaVu Serif")), 0));
    QTest::keyClick(d.FB1->view(), Qt::Key(key));
    QTRY_VERIFY(!d.FB1->view()->isVisible());
    QVERIFY(d.isVisible());
    QFETCH(QString, font);
    QCOMPARE(d.FB1->currentText(), font);
    QCOMPARE(s.PrintFontName, QStringLiteral("DejaVu Sans"));  // nothing stored yet
  }

  void enterStoresFromEveryControl() {
    PrintSettings s;
    QPrinter printer(QPrinter::HighResolution);
    Tdruckein d(nullptr, s, printer);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    const int serif = d.FB1->findText(QStringLiteral("DejaVu Serif"));
    QVERIFY(serif >= 0);
    d.FB1->setCurrentIndex(serif);
    d.FB1->setFocus();
    QTest::keyClick(d.FB1, Qt::Key_Return);
    QVERIFY(!d.isVisible());
    QCOMPARE(s.PrintFontName, QStringLiteral("DejaVu Serif"));

    Tdruckein e(nullptr, s, printer);
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    e.CB1->setChecked(true);
    Type(e.T5, QStringLiteral("12"));
    QTest::keyClick(e.T5, Qt::Key_Enter);
    QVERIFY(!e.isVisible());
    QVERIFY(s.PrintWindowUpright);
  }

  void previewShowsTheMargins() {
    PrintSettings s;
    QPrinter printer(QPrinter::HighResolution);  // A4, 9583 printable pixels across
    Tdruckein d(nullptr, s, printer);
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    auto dark = [](const QImage& img, int x, int y0, int y1) {
      int n = 0;
      for (int y = y0; y <= y1; ++y) n += qGray(img.pixel(x, y)) < 64;
      return n;
    };
    QImage img = d.PB1->grab().toImage();
    QCOMPARE(img.pixelColor(2, 2), QColor(0, 255, 255));  // cyan around the page
    QCOMPARE(img.pixelColor(120, 140), QColor(Qt::white));
    QCOMPARE(dark(img, 32, 15, 264), 250);  // the page frame
    QCOMPARE(dark(img, 207, 15, 264), 250);
    // fL = 1200 × 25 / 25 / 9583: x = round(0.1252 × 176) + 32 = 54, dotted.
    const int line = dark(img, 54, 40, 240);
    QVERIFY2(line > 50 && line < 150, qPrintable(QString::number(line)));
    QCOMPARE(dark(img, 53, 40, 240), 0);
    QCOMPARE(dark(img, 55, 40, 240), 0);

    // Typing a wider margin moves the line at once.
    Type(d.T1, QStringLiteral("5"));
    QApplication::processEvents();
    img = d.PB1->grab().toImage();
    QCOMPARE(dark(img, 54, 40, 240), 0);
    QVERIFY(dark(img, 76, 40, 240) > 50);
  }

  void choosesThePrinter() {
    PrintSettings s;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QDir::temp().filePath(QStringLiteral("tavrel-drucker.pdf")));
    Tdruckein d(nullptr, s, printer);
    QString title;
    QTimer::singleShot(50, [&] {
      if (auto* pd = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
        title = pd->windowTitle();
        QCOMPARE(pd->printer(), &printer);
        pd->reject();
      }
    });
    QTimer::singleShot(5000, [] {
      if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    d.S1Click();
    QCOMPARE(title, QStringLiteral("Drucker auswählen"));
    QVERIFY(!QFile::exists(printer.outputFileName()));
  }
};

QTEST_MAIN(TdruckeinTest)
#include "tdruckein_test.moc"
