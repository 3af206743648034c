// Small building blocks of the main window: coloured panels with an optional caption, a radio
// group with an item index, and the program's plain message box.
#pragma once

#include <QButtonGroup>
#include <QColor>
#include <QGroupBox>
#include <QLabel>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace tavrel {

// The program's own colours.
inline const QColor kWindowGrey(240, 240, 240);  // 15790320
inline const QColor kNavy(0, 0, 128);
inline const QColor kMaroon(128, 0, 0);
inline const QColor kRed(255, 0, 0);

// A font of the named family with a character height in pixels.
QFont PixelFont(const QString& family, int pixel_height, bool bold = false, bool italic = false);

// A flat panel: a filled rectangle that may show a centred one-line caption.
class TPanel : public QLabel {
  Q_OBJECT
 public:
  explicit TPanel(QWidget* parent, const QColor& colour, const QString& caption = {});
};

// A titled group of radio buttons in columns; ItemIndex is the checked one (-1 = none).
// Changing the index, by the user or by SetItemIndex, emits Changed once.
class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  TRadioGroup(QWidget* parent, const QString& caption, const QStringList& items, int columns);

  int ItemIndex() const;
  void SetItemIndex(int index);
  QString ItemText() const;
  QAbstractButton* Button(int index) const;

 signals:
  void Changed();

 private:
  QButtonGroup buttons_;
};

// A plain message box titled "Tavrel" with one OK button; returns when it is closed.
void ShowMessage(QWidget* parent, const QString& text);
// The same with the error icon, for failures reported to the user.
void ShowError(QWidget* parent, const QString& text);

}  // namespace tavrel
