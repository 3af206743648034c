// The arithmetic of the printouts, as plain functions of the printer's figures, the margins
// and the lines to print, so that it can be checked without a printer.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

#include "gui/print_settings.h"

class QPrinter;

namespace tavrel {

// What the printouts need to know about a printer, in its device pixels.
struct PrinterMetrics {
  int resolutionX = 0;  // logical pixels per inch
  int resolutionY = 0;
  int offsetX = 0;    // unprintable border at the left (physical offset)
  int offsetY = 0;    // unprintable border at the top
  int pageWidth = 0;  // printable page
  int pageHeight = 0;
};

// Reads the figures of a printer: resolution, pageRect and paperRect in device pixels.
PrinterMetrics MetricsOf(const QPrinter& printer);

// Nearest integer, halves to even (the rounding of every computed position).
int RoundHalfEven(double value);

// A margin from the paper's edge as a distance from the printable area's edge:
// round(resolution × millimetres / 25.4) − offset, at least 0.
int MarginPixels(int resolution, int millimetres, int offset);

// Line height of the move list in units of screen pixels (one more than the height used).
inline constexpr int kPrintLineUnits = 18;

// The page layout of the move list printout, in printer pixels.
struct MoveListLayout {
  int scale = 0;  // printer pixels per screen pixel (integer)
  int lineHeight = 0;
  int left = 0;
  int top = 0;
  int bottom = 0;
  int linesPerPage = 0;
};

// Layout for a printer and margins; pixelsPerInch is the main window's (96 by design).
// The right margin plays no part.
MoveListLayout ComputeMoveListLayout(const PrinterMetrics& printer, const PrintSettings& settings,
                                     int pixelsPerInch);

// The page range the print dialog offers for a list: 1 to count div linesPerPage + 1. An exact
// multiple of linesPerPage is offered one (empty) page more.
struct PageRange {
  int first = 1;
  int last = 1;
};
PageRange OfferedPages(int lineCount, int linesPerPage);

// Column table: slot i is the x offset of field i of a line (fields are separated by tabs).
inline constexpr int kColumnSlots = 21;
using ColumnTable = std::array<int, kColumnSlots>;

// Gap between the widest text of a column and the start of the next one, in printer pixels.
inline constexpr int kColumnGap = 30;

// A line as it is measured and printed: a leading tab gets a blank in front of it, so that the
// first column is never empty, and runs of tabs become single tabs.
QString NormaliseMoveLine(const QString& line);

// The tab-separated fields of a normalised line; a line with more than kColumnSlots fields
// is cut after the last field that has a slot.
QStringList MoveLineFields(const QString& normalisedLine);

// Measures the columns over all lines with the given text width function and turns the
// widths into x offsets: slot 0 is 0, each further column starts kColumnGap pixels after the
// widest text of the column before it. Lines without a tab widen no column.
ColumnTable ComputeColumns(const QStringList& lines,
                           const std::function<int(const QString&)>& textWidth);

// One text to draw on a page: its top-left corner in printer pixels.
struct PlacedText {
  int x = 0;
  int y = 0;
  QString text;
};

// The texts of page p (from 1): list lines (p − 1) × linesPerPage up to p × linesPerPage − 1
// that exist, one row per line, empty lines included. Empty fields are not drawn.
std::vector<PlacedText> LayOutMoveListPage(const QStringList& lines, int page,
                                           const MoveListLayout& layout,
                                           const ColumnTable& columns);

// Where the window picture goes on the page: at the top-left corner inside the margins, at the
// printer-to-screen ratio, lowered in steps of 0.02 until the width fits between the left and
// right margins. The height is not fitted. The bottom margin is not used.
struct WindowImagePlacement {
  QRect target;
  double scaleX = 0;
  double scaleY = 0;
};
WindowImagePlacement PlaceWindowImage(const PrinterMetrics& printer, const PrintSettings& settings,
                                      int screenPixelsPerInch, QSize image);

// The page preview of the print settings dialog: an A4-shaped page in a paint box of the given
// width, with the four margin lines.
struct PagePreview {
  int centre = 0;     // c: paint box width div 2
  int halfWidth = 0;  // h: half the page width, 88
  int leftX = 0;
  int rightX = 0;
  int topY = 0;
  int bottomY = 0;
};
inline constexpr int kPreviewPageTop = 15;
inline constexpr int kPreviewPageHeight = 250;
// Margins in millimetres; they are turned into inches at 25 millimetres per inch.
PagePreview ComputePagePreview(int paintBoxWidth, const PrinterMetrics& printer, int marginLeft,
                               int marginRight, int marginTop, int marginBottom);

}  // namespace tavrel
