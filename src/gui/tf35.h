// "Info über ...": the about box with the program's title, emblem, version and rights line.
// Created for one use, shown modally, released when closed.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPixmap>

namespace tavrel {

// The emblem of the about box: a knight on a plinth, 64 × 64 pixels, transparent around.
QPixmap TavrelEmblem();

class TF35 : public QDialog {
  Q_OBJECT
 public:
  // programFile is the file whose version is shown (the running program by default).
  explicit TF35(QWidget* parent, const QString& programFile = QString());

  QLabel* L1;  // title
  QLabel* I1;  // emblem
  QLabel* L3;  // description, version and rights

  // Closes the box (Enter and Esc).
  void B1C();

 private:
  void FormCreate(const QString& programFile);
};

}  // namespace tavrel
