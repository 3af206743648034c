#include "gui/window_geometry.h"

#include <QWidget>
#include <algorithm>

#include "gui/board_geometry.h"

namespace tavrel {

QSize MaximumClientSize(const QRect& available, const QMargins& frame) {
  const int frame_width = frame.left() + frame.right();
  const int frame_height = frame.top() + frame.bottom();
  return {available.width() > kMaxOuterWidth ? kMaxOuterWidth - frame_width : QWIDGETSIZE_MAX,
          available.height() > kMaxOuterHeight ? kMaxOuterHeight - frame_height : QWIDGETSIZE_MAX};
}

QRect BoardPlace(QSize panel, int border) {
  const int w = panel.width();
  const int h = panel.height();
  const int by_rule = SquareSizeFor(w, h - 64, border);
  const int whole = std::max(1, (std::min(w, h) - 2 * border) / 8);
  const int square = std::min(by_rule, whole);
  const int edge = 8 * square + 2 * border;
  const int left = std::clamp((w - h) / 2 + 20, 0, std::max(0, w - edge));
  return {left, std::max(0, (h - edge) / 2), edge, edge};
}

QPoint KeepOnScreen(const QRect& frame, const QRect& available) {
  const int x =
      std::max(available.left(), std::min(frame.left(), available.right() + 1 - frame.width()));
  const int y =
      std::max(available.top(), std::min(frame.top(), available.bottom() + 1 - frame.height()));
  return {x, y};
}

}  // namespace tavrel
