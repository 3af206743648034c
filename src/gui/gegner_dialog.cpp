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

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSaveFile>
#include <QScrollArea>

#include "gui/paths.h"
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
  list_->setAccessibleName(QStringLiteral("Gegner"));
  list_->setObjectName(QStringLiteral("GegnerListe"));
  list_->addItem(QStringLiteral("Eingebautes Programm"));
  layout->addWidget(list_);
  auto* add = new QPushButton(QStringLiteral("Engine hinzufügen …"), this);
  layout->addWidget(add);
  options_ = new QPushButton(QStringLiteral("Optionen …"), this);
  layout->addWidget(options_);
  connect(options_, &QPushButton::clicked, this, &GegnerDialog::EditOptions);
  auto* form = new QFormLayout;
  strength_ = new QComboBox(this);
  strength_->setAccessibleName(QStringLiteral("Spielstärke"));
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
  Entry entry{program, arguments, client.Name(), 0, 0, client.Options()};
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
    options_->setEnabled(false);
    return;
  }
  strength_->setEnabled(true);
  seconds_->setEnabled(true);
  options_->setEnabled(true);
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
  QString error;
  s.Options = LoadOptions(e.Name, &error);
  if (!error.isEmpty()) ShowError(const_cast<GegnerDialog*>(this), error);
  return s;
}

QString GegnerDialog::OptionsFile(const QString& engine) {
  QString name;
  for (const QChar c : engine) name += c.isLetterOrNumber() || c == '.' || c == '-' ? c : QChar('_');
  return QDir(DataFolder()).filePath(QStringLiteral("engine-%1.txt").arg(name.left(80)));
}

std::vector<std::pair<std::string, std::string>> GegnerDialog::LoadOptions(const QString& engine,
                                                                          QString* error) {
  std::vector<std::pair<std::string, std::string>> options;
  const QString path = OptionsFile(engine);
  QFile file(path);
  if (!file.exists()) return options;
  bool broken = !file.open(QIODevice::ReadOnly) || file.size() > (1 << 20);
  while (!broken && !file.atEnd()) {
    const QByteArray line = file.readLine().trimmed();
    if (line.isEmpty()) continue;
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0 || line.contains('\0')) {
      broken = true;
      break;
    }
    options.emplace_back(line.left(eq).toStdString(), line.mid(eq + 1).toStdString());
  }
  file.close();
  if (broken) {
    options.clear();
    const QString aside = path + QStringLiteral(".defekt");
    QFile::remove(aside);
    QFile::rename(path, aside);
    *error = QStringLiteral("Die Engine-Einstellungen „%1“ sind beschädigt und wurden als „%2“ "
                            "beiseitegelegt; es gelten die Vorgaben der Engine.")
                 .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(aside));
  }
  return options;
}

bool GegnerDialog::SaveOptions(const QString& engine,
                               const std::vector<std::pair<std::string, std::string>>& options,
                               QString* error) {
  EnsureDataFolder();
  QSaveFile file(OptionsFile(engine));  // a temporary file, renamed over the old one by commit
  if (file.open(QIODevice::WriteOnly)) {
    for (const auto& [name, value] : options) file.write((name + '=' + value + '\n').c_str());
    if (file.commit()) return true;
  }
  *error = QStringLiteral("Die Engine-Einstellungen lassen sich nicht speichern: %1")
               .arg(file.errorString());
  return false;
}

// The engine's options by type; UCI_Elo and UCI_LimitStrength belong to the strength choice.
void GegnerDialog::EditOptions() {
  const int row = list_->currentRow();
  if (row <= 0) return;
  const Entry& e = entries_[static_cast<std::size_t>(row - 1)];
  QString error;
  auto saved = LoadOptions(e.Name, &error);
  if (!error.isEmpty()) ShowError(this, error);
  auto value = [&](const UciOption& o) {
    for (const auto& [n, v] : saved)
      if (n == o.Name) return QString::fromStdString(v);
    return QString::fromStdString(o.Default);
  };
  QDialog dialog(this);
  dialog.setWindowTitle(QStringLiteral("Optionen von %1").arg(e.Name));
  auto* outer = new QVBoxLayout(&dialog);
  auto* area = new QScrollArea(&dialog);
  auto* inner = new QWidget;
  auto* form = new QFormLayout(inner);
  std::vector<std::pair<const UciOption*, QWidget*>> fields;
  for (const UciOption& o : e.Options) {
    if (o.Name == "UCI_Elo" || o.Name == "UCI_LimitStrength" || o.Type == "button") continue;
    QWidget* field = nullptr;
    if (o.Type == "spin") {
      auto* spin = new QSpinBox;
      spin->setRange(QString::fromStdString(o.Min).toInt(), QString::fromStdString(o.Max).toInt());
      spin->setValue(value(o).toInt());
      field = spin;
    } else if (o.Type == "check") {
      auto* check = new QCheckBox;
      check->setChecked(value(o) == QStringLiteral("true"));
      field = check;
    } else if (o.Type == "combo") {
      auto* combo = new QComboBox;
      for (const auto& v : o.Vars) combo->addItem(QString::fromStdString(v));
      combo->setCurrentText(value(o));
      field = combo;
    } else {
      field = new QLineEdit(value(o));
    }
    form->addRow(QString::fromStdString(o.Name), field);
    fields.emplace_back(&o, field);
  }
  area->setWidget(inner);
  area->setWidgetResizable(true);
  outer->addWidget(area);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
  outer->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return;
  std::vector<std::pair<std::string, std::string>> options;
  for (const auto& [o, field] : fields) {
    QString text;
    if (auto* spin = qobject_cast<QSpinBox*>(field)) text = QString::number(spin->value());
    else if (auto* check = qobject_cast<QCheckBox*>(field)) text = check->isChecked() ? "true" : "false";
    else if (auto* combo = qobject_cast<QComboBox*>(field)) text = combo->currentText();
    else text = static_cast<QLineEdit*>(field)->text().remove('\n').remove('\r');
    // Only what differs from the engine's own default is kept and sent.
    if (text != QString::fromStdString(o->Default)) options.emplace_back(o->Name, text.toStdString());
  }
  if (!SaveOptions(e.Name, options, &error)) ShowError(this, error);
}

}  // namespace tavrel
