#include "gui/print_layout.h"

#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace tavrel {

PrinterMetrics MetricsOf(const QPrinter& printer) {
  const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
  const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
  PrinterMetrics m;
  m.resolutionX = printer.logicalDpiX();
  m.resolutionY = printer.logicalDpiY();
  m.offsetX = page.left() - paper.left();
  m.offsetY = page.top() - paper.top();
  m.pageWidth = page.width();
  m.pageHeight = page.height();
  return m;
}

int RoundHalfEven(double value) {
  // The default floating-point environment rounds to nearest, ties to even.
  return static_cast<int>(std::nearbyint(value));
}

int MarginPixels(int resolution, int millimetres, int offset) {
  return std::max(0, RoundHalfEven(resolution * millimetres / 25.4) - offset);
}

MoveListLayout ComputeMoveListLayout(const PrinterMetrics& printer, const PrintSettings& settings,
                                     int pixelsPerInch) {
  MoveListLayout l;
  l.scale = pixelsPerInch > 0 ? printer.resolutionY / pixelsPerInch : 0;
  l.lineHeight = (kPrintLineUnits - 1) * l.scale;
  if (l.lineHeight == 0) l.lineHeight = 50;
  l.left = MarginPixels(printer.resolutionX, settings.PrintMarginLeft, printer.offsetX);
  l.top = MarginPixels(printer.resolutionY, settings.PrintMarginTop, printer.offsetY);
  l.bottom = MarginPixels(printer.resolutionY, settings.PrintMarginBottom, printer.offsetY);
  l.linesPerPage = (printer.pageHeight - l.top - l.bottom) / l.lineHeight - 1;
  if (l.linesPerPage <= 0) l.linesPerPage = 60;
  return l;
}

PageRange OfferedPages(int lineCount, int linesPerPage) {
  PageRange r;
  r.last = (linesPerPage > 0 ? lineCount / linesPerPage : 0) + 1;
  return r;
}

QString NormaliseMoveLine(const QString& line) {
  QString s = line;
  if (s.startsWith(QLatin1Char('\t'))) s.prepend(QLatin1Char(' '));
  for (qsizetype at; s.size() >= 2 && (at = s.indexOf(QLatin1String("\t\t"))) >= 0;)
    s.remove(at, 1);
  return s;
}

QStringList MoveLineFields(const QString& normalisedLine) {
  QStringList fields = normalisedLine.split(QLatin1Char('\t'));
  if (fields.size() > kColumnSlots) fields.resize(kColumnSlots);
  return fields;
}

ColumnTable ComputeColumns(const QStringList& lines,
                           const std::function<int(const QString&)>& textWidth) {
  ColumnTable table{};
  for (const QString& raw : lines) {
    if (raw.isEmpty()) continue;
    const QString line = NormaliseMoveLine(raw);
    if (!line.contains(QLatin1Char('\t'))) continue;
    const QStringList fields = MoveLineFields(line);
    // Field j (from 1) is measured into slot j; the last field also when it is empty, which
    // changes nothing.
    for (qsizetype i = 0; i < fields.size() && i + 1 < kColumnSlots; ++i) {
      if (fields[i].isEmpty()) continue;
      table[i + 1] = std::max(table[i + 1], textWidth(fields[i]));
    }
  }
  for (int k = 1; k < kColumnSlots; ++k) table[k] = table[k] + table[k - 1] + kColumnGap;
  return table;
}

std::vector<PlacedText> LayOutMoveListPage(const QStringList& lines, int page,
                                           const MoveListLayout& layout,
                                           const ColumnTable& columns) {
  std::vector<PlacedText> out;
  if (page < 1 || layout.linesPerPage <= 0) return out;
  const qsizetype first = qsizetype(page - 1) * layout.linesPerPage;
  const qsizetype end = std::min<qsizetype>(qsizetype(page) * layout.linesPerPage, lines.size());
  int row = 0;
  for (qsizetype n = first; n < end; ++n, ++row) {
    if (lines[n].isEmpty()) continue;
    const int y = layout.top + row * layout.lineHeight;
    const QStringList fields = MoveLineFields(NormaliseMoveLine(lines[n]));
    for (qsizetype i = 0; i < fields.size(); ++i) {
      const bool last = i + 1 == fields.size();
      if (!last && fields[i].isEmpty()) continue;
      out.push_back({layout.left + columns[i], y, fields[i]});
    }
  }
  return out;
}

WindowImagePlacement PlaceWindowImage(const PrinterMetrics& printer, const PrintSettings& settings,
                                      int screenPixelsPerInch, QSize image) {
  const int left = MarginPixels(printer.resolutionX, settings.PrintMarginLeft, printer.offsetX);
  // The right margin is counted from the left offset too, as the printable area is taken to
  // be centred on the paper.
  const int right = MarginPixels(printer.resolutionX, settings.PrintMarginRight, printer.offsetX);
  const int top = MarginPixels(printer.resolutionY, settings.PrintMarginTop, printer.offsetY);
  const double ppi = screenPixelsPerInch > 0 ? screenPixelsPerInch : 96;
  double sx = printer.resolutionX / ppi;
  double sy = printer.resolutionY / ppi;
  const int available = printer.pageWidth - left - right;
  // A picture without width never fits a negative space: it would loop forever.
  if (image.width() > 0) {
    while (image.width() * sx > available) {
      sx -= 0.02;
      sy -= 0.02;
    }
  }
  if (sx <= 0) sx = 1.0;
  if (sy <= 0) sy = 1.0;
  WindowImagePlacement p;
  p.scaleX = sx;
  p.scaleY = sy;
  const int r = RoundHalfEven(image.width() * sx + left);
  const int b = RoundHalfEven(image.height() * sy + top);
  p.target = QRect(left, top, r - left, b - top);
  return p;
}

PagePreview ComputePagePreview(int paintBoxWidth, const PrinterMetrics& printer, int marginLeft,
                               int marginRight, int marginTop, int marginBottom) {
  auto ratio = [](int resolution, int mm, int size) {
    return size > 0 ? (resolution * mm / 25.0) / size : 0.0;
  };
  PagePreview p;
  p.centre = paintBoxWidth / 2;
  p.halfWidth = RoundHalfEven(kPreviewPageHeight / std::sqrt(2.0)) / 2;
  const double fL = ratio(printer.resolutionX, marginLeft, printer.pageWidth);
  const double fR = ratio(printer.resolutionX, marginRight, printer.pageWidth);
  const double fT = ratio(printer.resolutionY, marginTop, printer.pageHeight);
  const double fB = ratio(printer.resolutionY, marginBottom, printer.pageHeight);
  const int h = p.halfWidth, c = p.centre;
  p.leftX = RoundHalfEven(2 * fL * h) + (c - h);
  p.rightX = (c + h) - RoundHalfEven(2 * fR * h);
  p.topY = RoundHalfEven(kPreviewPageHeight * fT) + kPreviewPageTop;
  p.bottomY = kPreviewPageTop + kPreviewPageHeight - RoundHalfEven(kPreviewPageHeight * fB);
  return p;
}

}  // namespace tavrel
