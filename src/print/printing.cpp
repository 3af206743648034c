#include "print/printing.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace tavrel {

namespace {

[[noreturn]] void Fail(const QString& message) {
  throw std::runtime_error(message.toStdString());
}

void RequirePrintTarget(const QPrinter& printer) {
  if (!HasPrintTarget(printer)) Fail(NoPrinterMessage());
}

// Begins a document on the printer and ends it when it goes out of scope, however the
// printout ends.
class PrintJob {
 public:
  explicit PrintJob(QPrinter& printer) {
    printer.setDocName(QString::fromLatin1(kPrintJobTitle));
    if (!painter_.begin(&printer)) {
      const QString target = printer.outputFormat() == QPrinter::PdfFormat
                                 ? printer.outputFileName()
                                 : printer.printerName();
      Fail(QStringLiteral("Der Druckauftrag für „%1“ konnte nicht begonnen werden.").arg(target));
    }
  }
  ~PrintJob() { painter_.end(); }
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;

  QPainter& painter() { return painter_; }

 private:
  QPainter painter_;
};

QFont MoveListFont(const PrintSettings& settings) {
  QFont font(settings.PrintFontName);
  font.setPointSize(9);
  font.setBold(false);
  font.setItalic(false);
  return font;
}

}  // namespace

void PrintMoveList(QWidget* parent, QPrinter& printer, const QStringList& lines,
                   const PrintSettings& settings, int screenPixelsPerInch) {
  MoveListLayout layout = ComputeMoveListLayout(MetricsOf(printer), settings, screenPixelsPerInch);
  const PageRange offered = OfferedPages(int(lines.size()), layout.linesPerPage);

  // Without a printer the dialog still offers printing into a PDF file, named after the job.
  printer.setDocName(QString::fromLatin1(kPrintJobTitle));
  QPrintDialog dialog(&printer, parent);
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                    QAbstractPrintDialog::PrintShowPageSize);
  dialog.setMinMax(offered.first, offered.last);
  dialog.setFromTo(offered.first, offered.last);
  if (dialog.exec() != QDialog::Accepted) return;

  // The dialog's range, or its list of pages ("1,3-4"), inside the pages offered.
  std::vector<int> pages;
  const bool chosen =
      printer.printRange() == QPrinter::PageRange && !printer.pageRanges().isEmpty();
  for (int p = offered.first; p <= offered.last; ++p)
    if (!chosen || printer.pageRanges().contains(p)) pages.push_back(p);
  PrintMoveListPages(printer, lines, settings, screenPixelsPerInch, pages);
}

void PrintMoveListPages(QPrinter& printer, const QStringList& lines, const PrintSettings& settings,
                        int screenPixelsPerInch, int fromPage, int toPage) {
  std::vector<int> pages;
  for (int p = fromPage; p <= toPage; ++p) pages.push_back(p);
  PrintMoveListPages(printer, lines, settings, screenPixelsPerInch, pages);
}

void PrintMoveListPages(QPrinter& printer, const QStringList& lines, const PrintSettings& settings,
                        int screenPixelsPerInch, const std::vector<int>& pages) {
  RequirePrintTarget(printer);
  // The printer may have changed since the pages were offered.
  const MoveListLayout layout =
      ComputeMoveListLayout(MetricsOf(printer), settings, screenPixelsPerInch);
  PrintJob job(printer);
  QPainter& p = job.painter();
  p.setFont(MoveListFont(settings));
  p.setBackgroundMode(Qt::TransparentMode);
  p.setPen(Qt::black);
  const QFontMetrics metrics = p.fontMetrics();
  const ColumnTable columns = ComputeColumns(
      lines, [&metrics](const QString& text) { return metrics.horizontalAdvance(text); });
  for (std::size_t i = 0; i < pages.size(); ++i) {
    if (i > 0) printer.newPage();
    for (const PlacedText& t : LayOutMoveListPage(lines, pages[i], layout, columns)) {
      // Positions are top-left corners of the text; QPainter writes on the baseline.
      if (!t.text.isEmpty()) p.drawText(t.x, t.y + metrics.ascent(), t.text);
    }
  }
}

void PrintWindowImage(QPrinter& printer, const QImage& image, const PrintSettings& settings,
                      int screenPixelsPerInch) {
  RequirePrintTarget(printer);
  const WindowImagePlacement place =
      PlaceWindowImage(MetricsOf(printer), settings, screenPixelsPerInch, image.size());
  PrintJob job(printer);
  // Screen pictures are sharp-edged: keep them out of lossy compression.
  job.painter().setRenderHint(QPainter::LosslessImageRendering);
  job.painter().drawImage(place.target, image);
}

QImage GrabWidgetImage(QWidget* widget) {
  return widget ? widget->grab().toImage() : QImage();
}

void CopyWindowToClipboard(const QImage& image) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard) Fail(QStringLiteral("Die Zwischenablage kann nicht geöffnet werden."));
  clipboard->setImage(image);
}

void PrintWindow(QWidget* gameArea, QPrinter& printer, const PrintSettings& settings,
                 int screenPixelsPerInch) {
  RequirePrintTarget(printer);
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  struct RestoreCursor {
    ~RestoreCursor() { QGuiApplication::restoreOverrideCursor(); }
  } restore;
  const QImage picture = GrabWidgetImage(gameArea);
  CopyWindowToClipboard(picture);
  PrintWindowImage(printer, picture, settings, screenPixelsPerInch);
}

}  // namespace tavrel
