// Geometry of the main window that needs no window: the size limit of the window, where the
// board sits in its panel, and keeping a window on the screen.
#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace tavrel {

// The window's outer size stays within 1280 x 1024.
inline constexpr int kMaxOuterWidth = 1280;
inline constexpr int kMaxOuterHeight = 1024;

// Largest client size of a window with the given frame on a screen whose work area is
// `available`, as a size hint for the window manager (QWIDGETSIZE_MAX where unlimited). Only an
// edge of the work area longer than the outer limit needs a limit: a window that fits the
// screen is within it, and a maximised window then fills the screen.
QSize MaximumClientSize(const QRect& available, const QMargins& frame);

// Where ChessBrd1 lies in P12 (width x height): it gets the panel's width and its height less
// 64, squares itself from the mean of both and starts (width - height) / 2 + 20 from the left;
// it is centred in the height. Square size and left edge are bounded so that the whole board
// stays inside the panel whatever its proportions.
QRect BoardPlace(QSize panel, int border);

// Top-left corner for a frame of the given geometry so that it lies inside `available`; where
// it is larger than the area, its top-left corner (title bar, menu) stays on the screen.
QPoint KeepOnScreen(const QRect& frame, const QRect& available);

}  // namespace tavrel
