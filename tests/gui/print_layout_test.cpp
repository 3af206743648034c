// The page arithmetic of the printouts and of the settings preview, without a printer.
#include <QTest>

#include "gui/print_layout.h"

using namespace tavrel;

Q_DECLARE_METATYPE(tavrel::PrinterMetrics)

namespace {

PrinterMetrics Printer600() {
  PrinterMetrics m;
  m.resolutionX = m.resolutionY = 600;
  m.offsetX = m.offsetY = 100;
  m.pageWidth = 4800;
  m.pageHeight = 6800;
  return m;
}

// A text width that is easy to follow: 10 pixels per character.
int TenPerChar(const QString& s) {
  return int(s.size()) * 10;
}

}  // namespace

class PrintLayoutTest : public QObject {
  Q_OBJECT
 private slots:
  void roundsHalvesToEven_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("rounded");
    QTest::newRow("below half") << 590.49 << 590;
    QTest::newRow("above half") << 590.55 << 591;
    QTest::newRow("half to even down") << 2.5 << 2;
    QTest::newRow("half to even up") << 3.5 << 4;
    QTest::newRow("negative half") << -2.5 << -2;
  }
  void roundsHalvesToEven() {
    QFETCH(double, value);
    QFETCH(int, rounded);
    QCOMPARE(RoundHalfEven(value), rounded);
  }

  void moveListLayout_data() {
    QTest::addColumn<PrinterMetrics>("printer");
    QTest::addColumn<int>("ppi");
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("lineHeight");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<int>("linesPerPage");
    // round(600 × 25 / 25.4) = round(590.55) = 591, minus the 100-pixel offset.
    // (6800 − 491 − 491) div 102 − 1 = 56.
    QTest::newRow("600 dpi at 96 ppi") << Printer600() << 96 << 6 << 102 << 491 << 491 << 56;
    PrinterMetrics big = Printer600();
    big.offsetX = big.offsetY = 0;
    QTest::newRow("no physical offset") << big << 96 << 6 << 102 << 591 << 591 << 54;
    PrinterMetrics wide = Printer600();
    wide.offsetX = wide.offsetY = 700;
    QTest::newRow("offset beyond the margin") << wide << 96 << 6 << 102 << 0 << 0 << 65;
    QTest::newRow("screen finer than printer")
        << Printer600() << 700 << 0 << 50 << 491 << 491 << 115;
    PrinterMetrics tiny = Printer600();
    tiny.pageHeight = 1000;
    QTest::newRow("page too short") << tiny << 96 << 6 << 102 << 491 << 491 << 60;
    QTest::newRow("no pixels per inch") << Printer600() << 0 << 0 << 50 << 491 << 491 << 115;
  }
  void moveListLayout() {
    QFETCH(PrinterMetrics, printer);
    QFETCH(int, ppi);
    const MoveListLayout l = ComputeMoveListLayout(printer, PrintSettings{}, ppi);
    QTEST(l.scale, "scale");
    QTEST(l.lineHeight, "lineHeight");
    QTEST(l.left, "left");
    QTEST(l.top, "top");
    QTEST(l.linesPerPage, "linesPerPage");
  }

  void bottomMarginCountsFromTheTopOffset() {
    PrintSettings s;
    s.PrintMarginBottom = 10;  // round(600 × 10 / 25.4) = 236
    const MoveListLayout l = ComputeMoveListLayout(Printer600(), s, 96);
    QCOMPARE(l.bottom, 136);
  }

  void offeredPages_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("perPage");
    QTest::addColumn<int>("last");
    QTest::newRow("empty list") << 0 << 60 << 1;
    QTest::newRow("one line") << 1 << 60 << 1;
    QTest::newRow("59 lines") << 59 << 60 << 1;
    QTest::newRow("exactly one page offers an empty second") << 60 << 60 << 2;
    QTest::newRow("61 lines") << 61 << 60 << 2;
    QTest::newRow("three pages and a bit") << 185 << 60 << 4;
  }
  void offeredPages() {
    QFETCH(int, count);
    QFETCH(int, perPage);
    const PageRange r = OfferedPages(count, perPage);
    QCOMPARE(r.first, 1);
    QTEST(r.last, "last");
  }

  void normalisesLines_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("normalised");
    QTest::newRow("white move") << "1. e2-e4"
                                << "1. e2-e4";
    QTest::newRow("black move gets a blank first field") << "\te7-e5"
                                                         << " \te7-e5";
    QTest::newRow("two tabs in a row") << "1. e2-e4\t\te7-e5"
                                       << "1. e2-e4\te7-e5";
    QTest::newRow("run of tabs") << "a\t\t\t\tb"
                                 << "a\tb";
    QTest::newRow("leading run") << "\t\tDd8xd2+"
                                 << " \tDd8xd2+";
    QTest::newRow("single tab alone") << "\t"
                                      << " \t";
    QTest::newRow("empty") << ""
                           << "";
  }
  void normalisesLines() {
    QFETCH(QString, line);
    QTEST(NormaliseMoveLine(line), "normalised");
  }

  void cutsLinesBeyondTheColumnTable() {
    QStringList parts;
    for (int i = 0; i < 30; ++i) parts << QString::number(i);
    const QStringList fields = MoveLineFields(parts.join(QLatin1Char('\t')));
    QCOMPARE(fields.size(), kColumnSlots);
    QCOMPARE(fields.last(), QStringLiteral("20"));
    // Measuring and laying out such a line stays inside the table.
    const ColumnTable c = ComputeColumns({parts.join(QLatin1Char('\t'))}, TenPerChar);
    QCOMPARE(c[20], 20 * 30 + 10 * 10 + 10 * 20);
  }

  void columnsOfAGame() {
    const QStringList lines = {"1. e2-e4", "\te7-e5", "2. Sg1-f3",
                               "\tSb8-c6", "10. 0-0", "\tDd8xd2+"};
    const ColumnTable c = ComputeColumns(lines, TenPerChar);
    // Only the black moves have tabs: field 1 is the blank (10), field 2 the widest black move.
    QCOMPARE(c[0], 0);
    QCOMPARE(c[1], 10 + 30);
    QCOMPARE(c[2], 70 + 40 + 30);
    QCOMPARE(c[3], 140 + 30);
  }

  void linesWithoutTabsWidenNoColumn() {
    const ColumnTable c =
        ComputeColumns({"a very long line without any tab", "", "x\ty"}, TenPerChar);
    QCOMPARE(c[1], 10 + 30);
    QCOMPARE(c[2], 40 + 10 + 30);
  }

  void emptyFieldsAreNotMeasured() {
    // "x\t\ty" is one tab after normalising; "\t" alone has a blank and an empty last field.
    const ColumnTable c = ComputeColumns({"x\t\ty", "\t", "abc\t"}, TenPerChar);
    QCOMPARE(c[1], 30 + 30);
    QCOMPARE(c[2], 60 + 10 + 30);
  }

  void laysOutPages() {
    MoveListLayout layout;
    layout.left = 100;
    layout.top = 200;
    layout.lineHeight = 50;
    layout.linesPerPage = 3;
    const QStringList lines = {"1. e2-e4", "\te7-e5", "", "2. d2-d4", "\t\te5xd4"};
    const ColumnTable c = ComputeColumns(lines, TenPerChar);

    const std::vector<PlacedText> one = LayOutMoveListPage(lines, 1, layout, c);
    QCOMPARE(one.size(), size_t(3));
    // A line without tabs starts at the left margin.
    QCOMPARE(one[0].x, 100);
    QCOMPARE(one[0].y, 200);
    QCOMPARE(one[0].text, QStringLiteral("1. e2-e4"));
    // A leading tab prints a blank as the first field, the move in the second column.
    QCOMPARE(one[1].x, 100);
    QCOMPARE(one[1].text, QStringLiteral(" "));
    QCOMPARE(one[2].x, 100 + c[1]);
    QCOMPARE(one[2].y, 250);
    QCOMPARE(one[2].text, QStringLiteral("e7-e5"));

    // Page 2 starts a new row count; the empty line took row 2 of page 1.
    const std::vector<PlacedText> two = LayOutMoveListPage(lines, 2, layout, c);
    QCOMPARE(two.size(), size_t(3));
    QCOMPARE(two[0].y, 200);
    QCOMPARE(two[0].text, QStringLiteral("2. d2-d4"));
    // Two tabs in a row print like one.
    QCOMPARE(two[2].x, 100 + c[1]);
    QCOMPARE(two[2].y, 250);
    QCOMPARE(two[2].text, QStringLiteral("e5xd4"));

    QVERIFY(LayOutMoveListPage(lines, 3, layout, c).empty());
    QVERIFY(LayOutMoveListPage({}, 1, layout, c).empty());
  }

  void placesWindowImage_data() {
    QTest::addColumn<QSize>("image");
    QTest::addColumn<double>("scale");
    QTest::addColumn<QRect>("target");
    // Printable width 4800 − 491 − 491 = 3818 pixels; full ratio 600 / 96 = 6.25.
    QTest::newRow("narrow picture at the full ratio")
        << QSize(600, 400) << 6.25 << QRect(491, 491, 3750, 2500);
    // 700 × 6.25 = 4375 does not fit: 40 steps of 0.02 lead to 5.45 (700 × 5.45 = 3815);
    // one step fewer would give 3829.
    QTest::newRow("wide picture shrinks in steps")
        << QSize(700, 300) << 5.45 << QRect(491, 491, 3815, 1635);
    QTest::newRow("empty picture") << QSize(0, 0) << 6.25 << QRect(491, 491, 0, 0);
  }
  void placesWindowImage() {
    QFETCH(QSize, image);
    QFETCH(double, scale);
    QFETCH(QRect, target);
    const WindowImagePlacement p = PlaceWindowImage(Printer600(), PrintSettings{}, 96, image);
    QVERIFY(qAbs(p.scaleX - scale) < 1e-9);
    QVERIFY(qAbs(p.scaleY - scale) < 1e-9);
    QCOMPARE(p.target, target);
  }

  void windowImageFallsBackToOneWhenNothingFits() {
    PrinterMetrics m = Printer600();
    m.pageWidth = 500;  // narrower than both margins together
    const WindowImagePlacement p = PlaceWindowImage(m, PrintSettings{}, 96, QSize(10, 20));
    QCOMPARE(p.scaleX, 1.0);
    QCOMPARE(p.scaleY, 1.0);
    QCOMPARE(p.target, QRect(491, 491, 10, 20));
    // A picture without width does not hang on such a page either.
    QCOMPARE(PlaceWindowImage(m, PrintSettings{}, 96, QSize(0, 5)).target.width(), 0);
  }

  void windowImageKeepsTheRatioStepsOfBothAxes() {
    PrinterMetrics m = Printer600();
    m.resolutionY = 300;  // 6.25 across, 3.125 down
    const WindowImagePlacement p = PlaceWindowImage(m, PrintSettings{}, 96, QSize(700, 100));
    QVERIFY(qAbs(p.scaleX - 5.45) < 1e-9);
    QVERIFY(qAbs(p.scaleY - (3.125 - 0.8)) < 1e-9);
  }

  void pagePreview_data() {
    QTest::addColumn<int>("mm");
    QTest::addColumn<int>("leftX");
    QTest::addColumn<int>("rightX");
    QTest::addColumn<int>("topY");
    QTest::addColumn<int>("bottomY");
    // fL = 600 × 25 / 25 / 4800 = 0.125: x = round(0.125 × 176) + 32 = 54.
    // fT = 600 / 6800: y = round(250 × 0.0882) + 15 = 37.
    QTest::newRow("2.5 cm") << 25 << 54 << 186 << 37 << 243;
    QTest::newRow("no margins") << 0 << 32 << 208 << 15 << 265;
    QTest::newRow("5 cm") << 50 << 76 << 164 << 59 << 221;
  }
  void pagePreview() {
    QFETCH(int, mm);
    const PagePreview p = ComputePagePreview(241, Printer600(), mm, mm, mm, mm);
    QCOMPARE(p.centre, 120);
    QCOMPARE(p.halfWidth, 88);
    QTEST(p.leftX, "leftX");
    QTEST(p.rightX, "rightX");
    QTEST(p.topY, "topY");
    QTEST(p.bottomY, "bottomY");
  }

  void pagePreviewWithoutAPage() {
    const PagePreview p = ComputePagePreview(241, PrinterMetrics{}, 25, 25, 25, 25);
    QCOMPARE(p.leftX, 32);
    QCOMPARE(p.bottomY, 265);
  }
};

QTEST_GUILESS_MAIN(PrintLayoutTest)
#include "print_layout_test.moc"
