#include "gui/print_settings.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QPrinter>
#include <QPrinterInfo>

namespace tavrel {

namespace {
QPrinter* current_printer = nullptr;

void DeleteCurrentPrinter() {
  delete current_printer;
  current_printer = nullptr;
}
}  // namespace

PrintSettings& SharedPrintSettings() {
  static PrintSettings settings;
  return settings;
}

void ResetPrintMargins() {
  PrintSettings& s = SharedPrintSettings();
  s.PrintMarginLeft = s.PrintMarginRight = s.PrintMarginTop = s.PrintMarginBottom = 25;
}

QPrinter& CurrentPrinter() {
  if (!current_printer) {
    QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) {
      const QList<QPrinterInfo> all = QPrinterInfo::availablePrinters();
      if (!all.isEmpty()) info = all.first();
    }
    current_printer = new QPrinter(info, QPrinter::HighResolution);
    // A QPrinter must not outlive the application's print support plugins.
    qAddPostRoutine(DeleteCurrentPrinter);
  }
  return *current_printer;
}

bool HasPrintTarget(const QPrinter& printer) {
  if (printer.outputFormat() == QPrinter::PdfFormat) {
    // The print dialog leaves a folder as the file name when none was given.
    const QString file = printer.outputFileName();
    return !file.isEmpty() && !file.endsWith(QLatin1Char('/')) && !QFileInfo(file).isDir();
  }
  return !printer.printerName().isEmpty();
}

QString PrintFontFamily(const QString& name) {
  return QFontInfo(QFont(name)).family();
}

QString NoPrinterMessage() {
  return QStringLiteral(
      "Es ist kein Drucker eingerichtet. Unter „Datei / Druckeinstellung“ lässt sich mit "
      "„Drucker auswählen“ ein Drucker oder eine PDF-Datei wählen.");
}

}  // namespace tavrel
