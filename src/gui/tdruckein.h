// "Druckeinstellung": the dialog that edits the shared print settings (margins, the font of the
// move list printout, the upright switch) with a preview of the margins on an A4-shaped page,
// and picks the printer. Created for one use, shown modally, released when closed.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <functional>

#include "gui/print_settings.h"

class QPrinter;

namespace tavrel {

// A margin in centimetres. Values typed beyond the limits are kept as typed and clamped when
// they are read, never rejected; the arrows stay inside the limits. Takes '.' or ','.
class TMarginEdit : public QDoubleSpinBox {
  Q_OBJECT
 public:
  explicit TMarginEdit(QWidget* parent);

  void SetLimits(double minimum, double maximum);
  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  // The value clamped to the limits, in whole millimetres (rounded).
  int Millimetres() const;

  void stepBy(int steps) override;
  QValidator::State validate(QString& text, int& pos) const override;

 protected:
  StepEnabled stepEnabled() const override;

 private:
  double minimum_ = 0;
  double maximum_ = 5;
};

// A plain drawing surface whose painting is done by its owner.
class TPaintBox : public QWidget {
  Q_OBJECT
 public:
  TPaintBox(QWidget* parent, std::function<void(QPainter&)> paint);

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  std::function<void(QPainter&)> paint_;
};

class Tdruckein : public QDialog {
  Q_OBJECT
 public:
  // Edits settings for printer (both must outlive the dialog); the settings change only on
  // "Werte übernehmen" or Enter.
  explicit Tdruckein(QWidget* parent, PrintSettings& settings = SharedPrintSettings(),
                     QPrinter& printer = CurrentPrinter());

  // Controls, named as in the window description.
  QWidget* P5;
  TPaintBox* PB1;
  QLabel *L1, *L2, *L3, *L4, *L5, *L6, *L7;
  TMarginEdit *T1, *T2, *T3, *T4;
  QSpinBox* T5;
  QCheckBox* CB1;
  QFontComboBox* FB1;
  QPushButton *D2, *S1, *D1;

  void D2Click();  // store and close
  void D1Click();  // close without storing
  void S1Click();  // choose the printer

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void SetMinimumsFromPrinter();
  void PB1Paint(QPainter& p);
  void T1Change();
  void T5Change();
  void FB1Change();

  PrintSettings& settings_;
  QPrinter& printer_;
};

}  // namespace tavrel
