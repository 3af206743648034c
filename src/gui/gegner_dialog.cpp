#include "gui/gegner_dialog.h"

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
#include <QStandardPaths>

#include "gui/paths.h"
#include "gui/window_parts.h"

namespace tavrel {

const std::vector<std::pair<QString, QStringList>>& GegnerDialog::KnownEngines() {
  static const std::vector<std::pair<QString, QStringList>> engines{
      {"stockfish", {}}, {"gnuchess", {"--uci"}}, {"toga2", {}},  {"glaurung", {}},
      {"fruit", {}},     {"crafty", {}},          {"ethereal", {}}};
  return engines;
}

namespace {

// The program a bare name stands for, as the engine client finds it; empty when there is none.
QString Found(const QString& program) {
  if (program.contains('/')) return program;
  QString path = QStandardPaths::findExecutable(program);
  if (path.isEmpty()) path = QStandardPaths::findExecutable(program, {QStringLiteral("/usr/games")});
  return path;
}

}  // namespace

const StrengthTable& GegnerDialog::ShippedStrengths() {
  static const StrengthTable table = [] {
    QFile file(QStringLiteral(":/engines/strength.txt"));
    file.open(QIODevice::ReadOnly);
    StrengthTable t = ParseStrengthTable(file.readAll().toStdString());
    for (const std::string& problem : t.Problems)
      qWarning("strength.txt: %s", problem.c_str());
    return t;
  }();
  return table;
}

GegnerDialog::GegnerDialog(const std::optional<OpponentSettings>& current, QWidget* parent,
                           const StrengthTable* table)
    : QDialog(parent), table_(table ? *table : ShippedStrengths()), wanted_(current) {
  setWindowTitle(QStringLiteral("Gegner"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("Der Computer spielt mit:"), this));
  list_ = new QListWidget(this);
  list_->setAccessibleName(QStringLiteral("Gegner"));
  list_->setObjectName(QStringLiteral("GegnerListe"));
  list_->addItem(QStringLiteral("Eingebautes Programm"));
  list_->setMinimumWidth(420);
  list_->setWordWrap(true);  // a failed engine's reason in full
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
  seconds_->setValue(current && current->MoveTimeMs > 0 ? std::max(1, current->MoveTimeMs / 1000)
                                                        : 1);
  form->addRow(QStringLiteral("Spielstärke:"), strength_);
  form->addRow(QStringLiteral("Bedenkzeit je Zug:"), seconds_);
  layout->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Abbrechen"));
  ok_ = buttons->button(QDialogButtonBox::Ok);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(add, &QPushButton::clicked, this, &GegnerDialog::AddByPath);
  connect(list_, &QListWidget::currentRowChanged, this, [this] {
    if (!filling_) touched_ = true;
    FillStrength();
  });
  connect(strength_, &QComboBox::currentIndexChanged, this, [this](int index) {
    // A measured step with a limit of its own needs no time per move.
    const bool own = index >= 0 && index < static_cast<int>(steps_.size()) &&
                     steps_[static_cast<std::size_t>(index)].Settings.HasLimit();
    seconds_->setEnabled(list_->currentRow() > 0 && !own);
  });

  filling_ = true;
  list_->setCurrentRow(0);
  filling_ = false;
  for (const auto& [program, arguments] : KnownEngines())
    if (!Found(program).isEmpty()) CheckEngine(program, arguments);
  if (current) {
    auto same = [&] {
      for (const auto& e : entries_)
        if (e->Program == current->Program && e->Arguments == current->Arguments) return e.get();
      return static_cast<Entry*>(nullptr);
    };
    if (!same()) CheckEngine(current->Program, current->Arguments);
    wantedEntry_ = same();
  }
  UpdateOk();
}

GegnerDialog::~GegnerDialog() {
  for (const auto& e : entries_) {
    if (!e->Client) continue;
    e->Client->disconnect(this);
    e->Client->Kill();
    delete e->Client;
    e->Client = nullptr;
  }
}

int GegnerDialog::EnginesBeingChecked() const {
  int n = 0;
  for (const auto& e : entries_) n += e->State == Entry::Status::Checking;
  return n;
}

void GegnerDialog::CheckEngine(const QString& program, const QStringList& arguments) {
  auto entry = std::make_unique<Entry>();
  entry->Program = program;
  entry->Arguments = arguments;
  entry->Item = new QListWidgetItem(QStringLiteral("%1 – wird geprüft …").arg(program), list_);
  entry->Item->setFlags(Qt::NoItemFlags);
  entry->Client = new UciClient(this);
  Entry* e = entry.get();
  entries_.push_back(std::move(entry));
  connect(e->Client, &UciClient::handshakeDone, this, [this, e](bool ok) { Checked(e, ok); });
  e->Client->StartAsync(program, arguments);
}

void GegnerDialog::Checked(Entry* entry, bool ok) {
  UciClient* client = entry->Client;
  entry->Client = nullptr;
  client->disconnect(this);
  client->deleteLater();  // quits the engine: it is started again for the game
  if (!ok) {
    entry->State = Entry::Status::Failed;
    entry->Item->setText(client->Error());  // it names the program
    entry->Item->setToolTip(client->Error());
    entry->Item->setFlags(Qt::ItemIsEnabled);  // readable, not choosable
    entry->Item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
    if (entry == wantedEntry_) wantedEntry_ = nullptr;
    UpdateOk();
    return;
  }
  entry->State = Entry::Status::Ready;
  entry->Name = client->Name();
  entry->Options = client->Options();
  for (const UciOption& o : entry->Options)
    if (o.Name == "UCI_Elo" && o.Type == "spin") {
      entry->EloMin = QString::fromStdString(o.Min).toInt();
      entry->EloMax = QString::fromStdString(o.Max).toInt();
    }
  // The same program found twice (a known name and its path) is listed once.
  Entry* same = nullptr;
  for (const auto& e : entries_)
    if (e.get() != entry && e->State == Entry::Status::Ready && e->Name == entry->Name &&
        e->Arguments == entry->Arguments)
      same = e.get();
  if (same) {
    entry->Item->setHidden(true);
    entry->State = Entry::Status::Failed;
    if (entry == wantedEntry_) wantedEntry_ = same;
    else return UpdateOk();
  } else {
    entry->Item->setText(QStringLiteral("%1 (%2)").arg(entry->Name, entry->Program));
    entry->Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  }
  if (wantedEntry_ && wantedEntry_->State == Entry::Status::Ready && !touched_) {
    filling_ = true;
    list_->setCurrentItem(wantedEntry_->Item);
    filling_ = false;
    if (wanted_) {
      for (std::size_t i = 0; i < steps_.size(); ++i)
        if (steps_[i].Elo == wanted_->Elo && steps_[i].RatedElo == wanted_->RatedElo)
          strength_->setCurrentIndex(static_cast<int>(i));
    }
    wantedEntry_ = nullptr;
  }
  UpdateOk();
}

// OK would choose the built-in program while the engine in use is still being checked.
void GegnerDialog::UpdateOk() {
  ok_->setEnabled(touched_ || !wantedEntry_ || wantedEntry_->State != Entry::Status::Checking);
}

void GegnerDialog::AddByPath() {
  const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Engine hinzufügen"));
  if (file.isEmpty()) return;
  touched_ = true;
  wantedEntry_ = nullptr;
  CheckEngine(file, {});
  wantedEntry_ = entries_.back().get();
  touched_ = false;  // chosen once it has answered
  wanted_.reset();
  list_->scrollToItem(wantedEntry_->Item);
  UpdateOk();
}

void GegnerDialog::FillStrength() {
  filling_ = true;
  strength_->clear();
  steps_.clear();
  filling_ = false;
  const int row = list_->currentRow();
  if (row <= 0) {
    strength_->addItem(QStringLiteral("nach der Spielstufe"));
    strength_->setEnabled(false);
    seconds_->setEnabled(false);
    options_->setEnabled(false);
    UpdateOk();
    return;
  }
  strength_->setEnabled(true);
  seconds_->setEnabled(true);
  options_->setEnabled(true);
  const Entry& e = *entries_[static_cast<std::size_t>(row - 1)];
  if (e.State != Entry::Status::Ready) {
    strength_->setEnabled(false);
    seconds_->setEnabled(false);
    options_->setEnabled(false);
    return UpdateOk();
  }
  // Measured steps below, the engine's own UCI_Elo above them, full strength last.
  for (const StrengthStep& s : StepsFor(table_, e.Name.toStdString())) {
    steps_.push_back({0, s.Elo, s.Settings});
    strength_->addItem(QStringLiteral("≈ %1 Elo (± %2, gemessen)").arg(s.Elo).arg(s.Error95));
  }
  if (e.EloMax > e.EloMin && e.EloMin > 0) {
    for (int elo = (e.EloMin + 99) / 100 * 100; elo < e.EloMax; elo += 100) {
      steps_.push_back({elo, elo, {}});
      strength_->addItem(QStringLiteral("%1 Elo").arg(elo));
    }
  }
  steps_.push_back({});
  strength_->addItem(QStringLiteral("volle Stärke"));
  strength_->setCurrentIndex(0);
  UpdateOk();
}

std::optional<OpponentSettings> GegnerDialog::Choice() const {
  const int row = list_->currentRow();
  if (row <= 0) return std::nullopt;
  const Entry& e = *entries_[static_cast<std::size_t>(row - 1)];
  if (e.State != Entry::Status::Ready) return std::nullopt;
  OpponentSettings s;
  s.Program = e.Program;
  s.Arguments = e.Arguments;
  s.MoveTimeMs = seconds_->value() * 1000;
  QString error;
  s.Options = LoadOptions(e.Name, &error);
  if (!error.isEmpty()) ShowError(const_cast<GegnerDialog*>(this), error);
  const int index = strength_->currentIndex();
  if (index >= 0 && index < static_cast<int>(steps_.size())) {
    const Step& step = steps_[static_cast<std::size_t>(index)];
    s.Elo = step.Elo;
    s.RatedElo = step.RatedElo;
    s.Options.insert(s.Options.end(), step.Settings.Options.begin(), step.Settings.Options.end());
    if (step.Settings.HasLimit()) {
      s.Depth = step.Settings.Depth;
      s.Nodes = step.Settings.Nodes;
      s.MoveTimeMs = static_cast<int>(std::min<long long>(step.Settings.MoveTimeMs, 3'600'000));
    }
  }
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
  const Entry& e = *entries_[static_cast<std::size_t>(row - 1)];
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
