#include "gui/move_list_box.h"

#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextOption>
#include <algorithm>

namespace tavrel {

QSize TMoveListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
  return {QStyledItemDelegate::sizeHint(option, index).width(), kMoveListLineHeight};
}

void TMoveListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
  painter->save();
  const bool selected = option.state & QStyle::State_Selected;
  if (selected) painter->fillRect(option.rect, option.palette.highlight());
  painter->setPen(selected ? option.palette.highlightedText().color()
                           : option.palette.text().color());
  painter->setFont(option.font);
  QTextOption text_option(Qt::AlignLeft | Qt::AlignVCenter);
  text_option.setWrapMode(QTextOption::NoWrap);
  text_option.setTabStopDistance(kMoveListTabWidth);
  painter->drawText(QRectF(option.rect.adjusted(2, 0, 0, 0)),
                    index.data(Qt::DisplayRole).toString(), text_option);
  painter->restore();
}

TMoveListBox::TMoveListBox(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new TMoveListDelegate(this));
  setUniformItemSizes(true);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setTextElideMode(Qt::ElideNone);
}

int TMoveListBox::TopLine() const {
  return count() == 0 ? 0 : verticalScrollBar()->value();
}

void TMoveListBox::focusInEvent(QFocusEvent* e) {
  if (currentRow() >= 0 || !ShownLine) {
    QListWidget::focusInEvent(e);
    return;
  }
  // The view's own focus handling makes the first line current, which would report a choice.
  const QSignalBlocker quiet(this);
  QListWidget::focusInEvent(e);
  const int line = ShownLine();
  if (line >= 0 && line < count()) {
    setCurrentRow(line, QItemSelectionModel::ClearAndSelect);
  } else {
    setCurrentRow(-1);
    clearSelection();
  }
}

QModelIndex TMoveListBox::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  if (!currentIndex().isValid() && ShownLine && count() > 0) {
    const int line = ShownLine();
    if (action == MoveUp || action == MovePrevious)
      return model()->index(std::clamp(line - 1, 0, count() - 1), 0);
    if (action == MoveDown || action == MoveNext)
      return model()->index(std::clamp(line + 1, 0, count() - 1), 0);
  }
  return QListWidget::moveCursor(action, modifiers);
}

void TMoveListBox::SetTopLine(int line) {
  // The scroll range is only up to date once the layout has run for the new items.
  doItemsLayout();
  verticalScrollBar()->setValue(line);
}

}  // namespace tavrel
