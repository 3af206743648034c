#include "gui/printing.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <vector>

#include "core/system_reason.h"

namespace tavrel {

namespace {

[[noreturn]] void Fail(const QString& message) {
  throw std::runtime_error(message.toStdString());
}

// Why a PDF file cannot be written, in German; empty when nothing is found against it. An
// existing file is left as it is; a file made only to find out is removed again.
QString PdfFileReason(const QString& file) {
  const QByteArray name = QFile::encodeName(file);
  struct stat info {};
  const bool existed = ::stat(name.constData(), &info) == 0;
  if (existed && S_ISDIR(info.st_mode)) return QString::fromStdString(SystemReason(EISDIR));
  const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return QString::fromStdString(SystemReason(errno));
  ::close(fd);
  if (!existed) ::unlink(name.constData());
  return {};
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
      const QString reason =
          printer.outputFormat() == QPrinter::PdfFormat ? PdfFileReason(target) : QString();
      Fail(reason.isEmpty()
               ? QStringLiteral("Der Druckauftrag für „%1“ konnte nicht begonnen werden.")
                     .arg(target)
               : QStringLiteral("Der Druckauftrag für „%1“ konnte nicht begonnen werden: %2.")
                     .arg(target, reason));
    }
  }
  ~PrintJob() { painter_.end(); }
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;

  QPainter& painter() { return painter_; }

 private:
  QPainter painter_;
};

// Exactly the family the settings dialog shows, not the printer's own idea of a fallback.
QFont MoveListFont(const PrintSettings& settings) {
  QFont font(PrintFontFamily(settings.PrintFontName));
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
