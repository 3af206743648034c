#include "gui/tdruckein.h"

#include <QAbstractItemView>
#include <QAction>
#include <QKeyEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>

#include "gui/print_layout.h"

namespace tavrel {

namespace {

QFont Verdana(int pixels) {
  QFont f(QStringLiteral("Verdana"));
  f.setPixelSize(pixels);
  return f;
}

QLabel* Label(QWidget* parent, const QString& text, int x, int y) {
  auto* l = new QLabel(text, parent);
  l->move(x, y);
  l->adjustSize();
  return l;
}

}  // namespace

TMarginEdit::TMarginEdit(QWidget* parent) : QDoubleSpinBox(parent) {
  setLocale(QLocale(QLocale::German, QLocale::Germany));
  setDecimals(1);
  setSingleStep(0.1);
  // The box itself takes any sensible number; the limits act when the value is read.
  setRange(0, 99.9);
  setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

void TMarginEdit::SetLimits(double minimum, double maximum) {
  minimum_ = minimum;
  maximum_ = maximum;
}

int TMarginEdit::Millimetres() const {
  return RoundHalfEven(std::clamp(value(), minimum_, std::max(minimum_, maximum_)) * 10);
}

void TMarginEdit::stepBy(int steps) {
  setValue(std::clamp(value() + steps * singleStep(), minimum_, maximum_));
  selectAll();
}

QValidator::State TMarginEdit::validate(QString& text, int& pos) const {
  text.replace(QLatin1Char('.'), QLatin1Char(','));
  return QDoubleSpinBox::validate(text, pos);
}

QAbstractSpinBox::StepEnabled TMarginEdit::stepEnabled() const {
  StepEnabled e = StepNone;
  if (value() < maximum_) e |= StepUpEnabled;
  if (value() > minimum_) e |= StepDownEnabled;
  return e;
}

TPaintBox::TPaintBox(QWidget* parent, std::function<void(QPainter&)> paint)
    : QWidget(parent), paint_(std::move(paint)) {}

void TPaintBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  paint_(p);
}

Tdruckein::Tdruckein(QWidget* parent, PrintSettings& settings, QPrinter& printer)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      settings_(settings),
      printer_(printer) {
  setWindowTitle(QStringLiteral("Druckeinstellung"));
  setFixedSize(482, 342);

  P5 = new QWidget(this);
  P5->setGeometry(0, 0, 482, 342);
  P5->setAutoFillBackground(true);
  QPalette white = P5->palette();
  white.setColor(QPalette::Window, Qt::white);
  P5->setPalette(white);
  P5->setFont(Verdana(12));

  PB1 = new TPaintBox(P5, [this](QPainter& p) { PB1Paint(p); });
  PB1->setGeometry(8, 16, 241, 277);

  L1 = Label(P5, QStringLiteral("Seitenränder in cm"), 272, 16);
  L1->setFont(Verdana(13));
  L1->adjustSize();
  L2 = Label(P5, QStringLiteral("links"), 304, 44);
  L3 = Label(P5, QStringLiteral("rechts"), 304, 70);
  L4 = Label(P5, QStringLiteral("oben"), 304, 96);
  L5 = Label(P5, QStringLiteral("unten"), 304, 122);
  TMarginEdit** edits[] = {&T1, &T2, &T3, &T4};
  const QLabel* sides[] = {L2, L3, L4, L5};
  for (int i = 0; i < 4; ++i) {
    *edits[i] = new TMarginEdit(P5);
    (*edits[i])->setGeometry(368, 40 + 26 * i, 60, 22);
    (*edits[i])->setAccessibleName(QStringLiteral("Seitenrand %1 in cm").arg(sides[i]->text()));
  }

  CB1 = new QCheckBox(QStringLiteral("Fenster senkrecht drucken"), P5);
  CB1->setGeometry(272, 160, 193, 17);

  L6 = Label(P5, QStringLiteral("Schriftgröße"), 272, 192);
  T5 = new QSpinBox(P5);
  T5->setGeometry(368, 188, 60, 22);
  T5->setRange(4, 20);
  T5->setValue(9);
  T5->setAccessibleName(QStringLiteral("Schriftgröße"));

  L7 = Label(P5, QStringLiteral("Beispiel: A a B b C c"), 272, 216);
  QPalette maroon = L7->palette();
  maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));
  L7->setPalette(maroon);
  L7->setFont(Verdana(12));

  FB1 = new QFontComboBox(P5);
  FB1->setGeometry(272, 240, 193, 21);
  FB1->setAccessibleName(QStringLiteral("Schriftart"));

  D2 = new QPushButton(QStringLiteral("Werte übernehmen"), P5);
  D2->setGeometry(272, 272, 193, 25);
  S1 = new QPushButton(QStringLiteral("Drucker auswählen"), P5);
  S1->setGeometry(272, 304, 193, 25);
  D1 = new QPushButton(QStringLiteral("Abbrechen"), P5);
  D1->setGeometry(8, 304, 113, 25);
  for (QPushButton* b : {D1, D2, S1}) b->setAutoDefault(false);

  // The dialog's invisible menu: Esc cancels, Enter stores.
  auto* cancel = new QAction(QStringLiteral("Abbrechen"), this);
  cancel->setShortcut(Qt::Key_Escape);
  auto* store = new QAction(QStringLiteral("speichern"), this);
  store->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  addAction(cancel);
  addAction(store);

  FormCreate();

  connect(cancel, &QAction::triggered, this, &Tdruckein::D1Click);
  connect(store, &QAction::triggered, this, &Tdruckein::D2Click);
  // Esc and Enter on the opened font list belong to the list, not to the dialog.
  FB1->view()->installEventFilter(this);
  connect(D1, &QPushButton::clicked, this, &Tdruckein::D1Click);
  connect(D2, &QPushButton::clicked, this, &Tdruckein::D2Click);
  connect(S1, &QPushButton::clicked, this, &Tdruckein::S1Click);
  for (TMarginEdit* t : {T1, T2, T3, T4})
    connect(t, &QDoubleSpinBox::textChanged, this, &Tdruckein::T1Change);
  connect(T5, &QSpinBox::valueChanged, this, &Tdruckein::T5Change);
  connect(FB1, &QComboBox::currentIndexChanged, this, &Tdruckein::FB1Change);
}

void Tdruckein::FormCreate() {
  const int margins[] = {settings_.PrintMarginLeft, settings_.PrintMarginRight,
                         settings_.PrintMarginTop, settings_.PrintMarginBottom};
  TMarginEdit* edits[] = {T1, T2, T3, T4};
  for (int i = 0; i < 4; ++i) edits[i]->setValue(std::clamp(margins[i] / 10.0, 0.0, 5.0));
  SetMinimumsFromPrinter();
  // A font that is not installed shows the one the printouts use instead.
  int font = FB1->findText(settings_.PrintFontName, Qt::MatchFixedString);
  if (font < 0)
    font = FB1->findText(PrintFontFamily(settings_.PrintFontName), Qt::MatchFixedString);
  FB1->setCurrentIndex(font);
  if (FB1->currentIndex() < 0) FB1->setEditText(QString());
  CB1->setChecked(settings_.PrintWindowUpright);
}

// The printer's unprintable border, in centimetres at 2.5 cm per inch. The values shown are
// not raised to it; reading them clamps.
void Tdruckein::SetMinimumsFromPrinter() {
  const PrinterMetrics m = MetricsOf(printer_);
  const double across = m.resolutionX > 0 ? m.offsetX * 2.5 / m.resolutionX : 0;
  const double down = m.resolutionY > 0 ? m.offsetY * 2.5 / m.resolutionY : 0;
  T1->SetLimits(across, 5);
  T2->SetLimits(across, 5);
  T3->SetLimits(down, 5);
  T4->SetLimits(down, 5);
}

void Tdruckein::PB1Paint(QPainter& p) {
  const PagePreview v = ComputePagePreview(PB1->width(), MetricsOf(printer_), T1->Millimetres(),
                                           T2->Millimetres(), T3->Millimetres(), T4->Millimetres());
  p.fillRect(PB1->rect(), QColor(0, 255, 255));
  const int left = v.centre - v.halfWidth, right = v.centre + v.halfWidth;
  // The page covers x = left .. right − 1 and y = 15 .. 264, its frame included.
  p.setPen(QPen(Qt::black, 0));
  p.setBrush(Qt::white);
  p.drawRect(left, kPreviewPageTop, 2 * v.halfWidth - 1, kPreviewPageHeight - 1);
  p.setPen(QPen(Qt::black, 0, Qt::DotLine));
  const int bottom = kPreviewPageTop + kPreviewPageHeight;
  p.drawLine(v.leftX, kPreviewPageTop + 1, v.leftX, bottom - 1);
  p.drawLine(v.rightX, kPreviewPageTop + 1, v.rightX, bottom - 1);
  p.drawLine(left + 1, v.topY, right - 1, v.topY);
  p.drawLine(left + 1, v.bottomY, right - 1, v.bottomY);
}

void Tdruckein::T1Change() {
  PB1->update();
}

void Tdruckein::T5Change() {
  QFont f = L7->font();
  f.setPointSize(std::clamp(T5->value(), 4, 20));
  L7->setFont(f);
  L7->adjustSize();
}

void Tdruckein::FB1Change() {
  if (FB1->currentIndex() < 0) return;
  QFont f = L7->font();
  f.setFamily(FB1->currentText());
  L7->setFont(f);
  L7->adjustSize();
}

void Tdruckein::D2Click() {
  settings_.PrintMarginLeft = T1->Millimetres();
  settings_.PrintMarginRight = T2->Millimetres();
  settings_.PrintMarginTop = T3->Millimetres();
  settings_.PrintMarginBottom = T4->Millimetres();
  settings_.PrintWindowUpright = CB1->isChecked();
  settings_.PrintFontName = FB1->currentText();
  accept();
}

bool Tdruckein::eventFilter(QObject* watched, QEvent* event) {
  const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
  if (watched != FB1->view() || !key || !FB1->view()->isVisible())
    return QDialog::eventFilter(watched, event);
  auto* press = static_cast<QKeyEvent*>(event);
  const bool escape = press->key() == Qt::Key_Escape;
  const bool enter = press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter;
  if (!escape && !enter) return QDialog::eventFilter(watched, event);
  // Taken here, so that neither the dialog's shortcuts nor its own Esc handling see the key
  // once the list has closed.
  press->accept();
  if (event->type() == QEvent::KeyPress) {
    const QModelIndex highlighted = FB1->view()->currentIndex();
    if (enter && highlighted.isValid()) FB1->setCurrentIndex(highlighted.row());
    FB1->hidePopup();
  }
  return true;
}

void Tdruckein::D1Click() {
  reject();
}

void Tdruckein::S1Click() {
  QPrintDialog dialog(&printer_, this);
  dialog.setWindowTitle(QStringLiteral("Drucker auswählen"));
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
  if (dialog.exec() != QDialog::Accepted) return;
  // Another printer has other borders and another page.
  SetMinimumsFromPrinter();
  PB1->update();
}

}  // namespace tavrel
