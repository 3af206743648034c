// The move list LB1: one line per half-move, Black's moves indented by a tab. Lines are 14
// pixels high and tab stops lie every 42 pixels, so that nine whole lines fill the box.
#pragma once

#include <QListWidget>
#include <QStyledItemDelegate>
#include <functional>

namespace tavrel {

inline constexpr int kMoveListLineHeight = 14;
inline constexpr int kMoveListTabWidth = 42;

class TMoveListDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

class TMoveListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit TMoveListBox(QWidget* parent = nullptr);

  // Index of the first line in view (0 when the list is empty).
  int TopLine() const;
  // Scrolls so that line becomes the first one in view, as far as the list allows.
  void SetTopLine(int line);

  // The line of the position the board shows (-1: the start, no line). Focus coming in without
  // a current line makes that line current and selected, telling no one: focus alone never
  // chooses a line, so the board stays where it is.
  std::function<int()> ShownLine;

 protected:
  void focusInEvent(QFocusEvent* e) override;
  // Without a current line the arrow keys step from the line shown, not from the top.
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
};

}  // namespace tavrel
