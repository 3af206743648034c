#include "app/move_list_box.h"

#include <QPainter>
#include <QScrollBar>
#include <QTextOption>

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

void TMoveListBox::SetTopLine(int line) {
  // The scroll range is only up to date once the layout has run for the new items.
  doItemsLayout();
  verticalScrollBar()->setValue(line);
}

}  // namespace tavrel
