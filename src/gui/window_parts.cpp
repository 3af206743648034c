#include "gui/window_parts.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QRadioButton>

namespace tavrel {

QFont PixelFont(const QString& family, int pixel_height, bool bold, bool italic) {
  QFont font(family);
  font.setPixelSize(pixel_height);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

TPanel::TPanel(QWidget* parent, const QColor& colour, const QString& caption)
    : QLabel(caption, parent) {
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, colour);
  setPalette(p);
  setAlignment(Qt::AlignCenter);
  setTextFormat(Qt::PlainText);
}

TRadioGroup::TRadioGroup(QWidget* parent, const QString& caption, const QStringList& items,
                         int columns)
    : QGroupBox(caption, parent) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(8, 2, 4, 4);
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(2);
  for (int i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    button->setFocusPolicy(Qt::TabFocus);
    buttons_.addButton(button, i);
    grid->addWidget(button, i / columns, i % columns);
  }
  connect(&buttons_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) emit Changed();
  });
}

int TRadioGroup::ItemIndex() const {
  return buttons_.checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
  if (QAbstractButton* button = buttons_.button(index)) button->setChecked(true);
}

QString TRadioGroup::ItemText() const {
  QAbstractButton* button = buttons_.checkedButton();
  return button ? button->text() : QString();
}

QAbstractButton* TRadioGroup::Button(int index) const {
  return buttons_.button(index);
}

namespace {
void Box(QWidget* parent, QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, QStringLiteral("Tavrel"), text, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}
}  // namespace

void ShowMessage(QWidget* parent, const QString& text) {
  Box(parent, QMessageBox::NoIcon, text);
}

void ShowError(QWidget* parent, const QString& text) {
  Box(parent, QMessageBox::Critical, text);
}

}  // namespace tavrel
