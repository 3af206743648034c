// The printouts of the main window (the move list and the window picture) and the copy of the
// window to the clipboard. All of them run synchronously on the user-interface thread.
//
// Failures (no printer, a print job that cannot start) are thrown as std::runtime_error with a
// German, UTF-8 message, for the application's general error box; nothing is printed then.
#pragma once

#include <QImage>
#include <QStringList>

#include <vector>

#include "gui/print_layout.h"
#include "gui/print_settings.h"

class QPrinter;
class QWidget;

namespace tavrel {

// The title of every print job.
inline constexpr const char* kPrintJobTitle = "Orvanel 2014";

// "Zugliste drucken": offers the pages of the list in the print dialog (PD1, parented to
// parent) and prints the chosen ones. Cancelling prints nothing. The dialog may change the
// printer; the layout follows that change.
void PrintMoveList(QWidget* parent, QPrinter& printer, const QStringList& lines,
                   const PrintSettings& settings, int screenPixelsPerInch);

// Prints pages fromPage..toPage (from 1) of the move list as one job, without a dialog.
void PrintMoveListPages(QPrinter& printer, const QStringList& lines, const PrintSettings& settings,
                        int screenPixelsPerInch, int fromPage, int toPage);
// The same for a list of pages, printed in the order given.
void PrintMoveListPages(QPrinter& printer, const QStringList& lines, const PrintSettings& settings,
                        int screenPixelsPerInch, const std::vector<int>& pages);

// Prints one picture as one job at the top left of the page inside the margins, scaled from
// screen to printer pixels (see PlaceWindowImage). The job is ended on every path.
void PrintWindowImage(QPrinter& printer, const QImage& image, const PrintSettings& settings,
                      int screenPixelsPerInch);

// The picture of a widget as it shows now (the game area P6, with its children).
QImage GrabWidgetImage(QWidget* widget);

// "Fenster kopieren": puts the picture on the clipboard, replacing its content.
void CopyWindowToClipboard(const QImage& image);

// "Fenster drucken": copies the game area to the clipboard and prints that picture, with the
// wait cursor shown meanwhile.
void PrintWindow(QWidget* gameArea, QPrinter& printer, const PrintSettings& settings,
                 int screenPixelsPerInch);

}  // namespace tavrel
