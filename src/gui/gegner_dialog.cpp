#include "gui/gegner_dialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/window_parts.h"

namespace tavrel {

const std::vector<std::pair<QString, QStringList>>& GegnerDialog::KnownEngines() {
  static const std::vector<std::pair<QString, QStringList>> engines{
      {"stockfish", {}}, {"gnuchess", {"--uci"}}, {"toga2", {}},  {"glaurung", {}},
      {"fruit", {}},     {"crafty", {}},          {"ethereal", {}}};
  return engines;
}

GegnerDialog::GegnerDialog(const std::optional<OpponentSettings>& current, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Gegner"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Der Computer spielt mit:"), this));
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("GegnerListe"));
  list_->addItem(QStringLiteral("Eingebautes Programm"));
  layout->addWidget(list_);
  auto* add = new QPushButton(QStringLiteral("Engine hinzufügen …"), this);
  layout->addWidget(add);
  auto* form = new QFormLayout;
  strength_ = new QComboBox(this);
  strength_->setObjectName(QStringLiteral("Spielstaerke"));
  seconds_ = new QSpinBox(this);
  seconds_->setRange(1, 60);
  seconds_->setSuffix(QStringLiteral(" s"));
  seconds_->setValue(current ? std::max(1, current->MoveTimeMs / 1000) : 1);
  form->addRow(QStringLiteral("Spielstärke:"), strength_);
  form->addRow(QStringLiteral("Bedenkzeit je Zug:"), seconds_);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(add, &QPushButton::clicked, this, &GegnerDialog::AddByPath);
  connect(list_, &QListWidget::currentRowChanged, this, &GegnerDialog::FillStrength);

  QApplication::setOverrideCursor(Qt::WaitCursor);
  for (const auto& [program, arguments] : KnownEngines()) AddEngine(program, arguments, nullptr);
  if (current) AddEngine(current->Program, current->Arguments, nullptr);
  QApplication::restoreOverrideCursor();
  int row = 0;
  if (current)
    for (std::size_t i = 0; i < entries_.size(); ++i)
      if (entries_[i].Program == current->Program) row = static_cast<int>(i) + 1;
  list_->setCurrentRow(row);
  if (current && current->Elo > 0) {
    const int index = strength_->findData(current->Elo);
    if (index >= 0) strength_->setCurrentIndex(index);
  }
}

bool GegnerDialog::AddEngine(const QString& program, const QStringList& arguments,
                             QString* error) {
  UciClient client;
  if (!client.Start(program, arguments)) {
    if (error) *error = client.Error();
    return false;
  }
  // The same program found twice (a known name and its path) is listed once.
  for (const Entry& e : entries_)
    if (e.Name == client.Name() && e.Arguments == arguments) return true;
  Entry entry{program, arguments, client.Name(), 0, 0};
  for (const UciOption& o : client.Options())
    if (o.Name == "UCI_Elo" && o.Type == "spin") {
      entry.EloMin = QString::fromStdString(o.Min).toInt();
      entry.EloMax = QString::fromStdString(o.Max).toInt();
    }
  entries_.push_back(entry);
  list_->addItem(QStringLiteral("%1 (%2)").arg(entry.Name, program));
  return true;
}

void GegnerDialog::AddByPath() {
  const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Engine hinzufügen"));
  if (file.isEmpty()) return;
  QString error;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const bool ok = AddEngine(file, {}, &error);
  QApplication::restoreOverrideCursor();
  if (!ok) return ShowError(this, error);
  list_->setCurrentRow(list_->count() - 1);
}

void GegnerDialog::FillStrength() {
  strength_->clear();
  const int row = list_->currentRow();
  if (row <= 0) {
    strength_->addItem(QStringLiteral("nach der Spielstufe"), 0);
    strength_->setEnabled(false);
    seconds_->setEnabled(false);
    return;
  }
  strength_->setEnabled(true);
  seconds_->setEnabled(true);
  const Entry& e = entries_[static_cast<std::size_t>(row - 1)];
  if (e.EloMax > e.EloMin && e.EloMin > 0) {
    for (int elo = (e.EloMin + 99) / 100 * 100; elo < e.EloMax; elo += 100)
      strength_->addItem(QStringLiteral("%1 Elo").arg(elo), elo);
  }
  strength_->addItem(QStringLiteral("volle Stärke"), 0);
  strength_->setCurrentIndex(0);
}

std::optional<OpponentSettings> GegnerDialog::Choice() const {
  const int row = list_->currentRow();
  if (row <= 0) return std::nullopt;
  const Entry& e = entries_[static_cast<std::size_t>(row - 1)];
  OpponentSettings s;
  s.Program = e.Program;
  s.Arguments = e.Arguments;
  s.Elo = strength_->currentData().toInt();
  s.MoveTimeMs = seconds_->value() * 1000;
  return s;
}

}  // namespace tavrel
