// The print settings shared by the print settings dialog and the printouts, and the printer
// the program prints on. Both live for one program run; nothing is written to a file.
#pragma once

#include <QString>

class QPrinter;

namespace tavrel {

struct PrintSettings {
  int PrintMarginLeft = 25;  // page margins in millimetres
  int PrintMarginRight = 25;
  int PrintMarginTop = 25;
  int PrintMarginBottom = 25;
  QString PrintFontName = QStringLiteral("Verdana");  // font face of the move list printout
  bool PrintWindowUpright = false;  // "Fenster senkrecht drucken"; shown and kept, not printed
};

// The program-wide settings, with the defaults above until the dialog changes them.
PrintSettings& SharedPrintSettings();

// Sets the four margins to 25 mm (done by the main window when it is created).
void ResetPrintMargins();

// The current printer: made on first use from the system's default printer (the first
// installed one if there is no default; a printer without a target if none is installed)
// at high resolution. "Drucker auswählen" and the print dialog change it in place. It is
// deleted when the application object goes away. Needs a QApplication.
QPrinter& CurrentPrinter();

// True when a print job on the printer has somewhere to go: a named system printer, or a
// PDF file chosen as output.
bool HasPrintTarget(const QPrinter& printer);

// The font family that text in the named font is really drawn in: the name itself when that
// font is installed, else the family Qt falls back to (for a missing "Verdana", for example
// "DejaVu Sans"). The dialog shows it and the printouts print in it.
QString PrintFontFamily(const QString& name);

// The message of the printouts when there is nowhere to print.
QString NoPrinterMessage();

}  // namespace tavrel
