// Extras → "Gegner …": the built-in program or an external UCI engine as the computer player,
// with its strength and time per move. Known Debian engines are looked for on PATH (and in
// /usr/games); each is started and checked in the background, listed as "wird geprüft …" until
// it has answered, then with its "id name" (or with the German reason it failed). The dialog
// stays usable meanwhile; closing it kills the engines still being checked.
#pragma once

#include <QDialog>

#include <memory>
#include <optional>
#include <vector>

#include "core/engine_strength.h"
#include "gui/external_opponent.h"
#include "gui/uci_client.h"

class QComboBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;

namespace tavrel {

class GegnerDialog : public QDialog {
  Q_OBJECT

 public:
  // current: the engine in use, if any (preselected once it has answered). table: the measured
  // strength steps; null for the shipped ones.
  GegnerDialog(const std::optional<OpponentSettings>& current, QWidget* parent = nullptr,
               const StrengthTable* table = nullptr);
  ~GegnerDialog() override;

  // Starts checking an engine; it is listed at once as "wird geprüft …".
  void CheckEngine(const QString& program, const QStringList& arguments);
  int EnginesBeingChecked() const;

  // After exec() == Accepted: the choice; nothing for "Eingebautes Programm".
  std::optional<OpponentSettings> Choice() const;

  // The options saved for the engine with this "id name": "Name=Wert" lines in a file of its
  // own in the data folder. A file that cannot be read as such is renamed to "….defekt" and
  // *error says so; the options are then empty.
  static std::vector<std::pair<std::string, std::string>> LoadOptions(const QString& engine,
                                                                     QString* error);
  // Written through a temporary file renamed over the old one; false with *error.
  static bool SaveOptions(const QString& engine,
                          const std::vector<std::pair<std::string, std::string>>& options,
                          QString* error);
  static QString OptionsFile(const QString& engine);

  // The known engines: program and arguments.
  static const std::vector<std::pair<QString, QStringList>>& KnownEngines();
  // The measured steps compiled into the program (resources/engines/strength.txt).
  static const StrengthTable& ShippedStrengths();

 private:
  struct Entry {
    QString Program;
    QStringList Arguments;
    QString Name;
    int EloMin = 0, EloMax = 0;  // both 0: no UCI_Elo
    std::vector<UciOption> Options;
    enum class Status { Checking, Ready, Failed };
    Status State = Status::Checking;
    QListWidgetItem* Item = nullptr;
    UciClient* Client = nullptr;  // while it is being checked
  };
  // One choice of the strength list.
  struct Step {
    int Elo = 0;  // UCI_Elo, 0: none
    int RatedElo = 0;
    EngineSettings Settings;
  };
  void Checked(Entry* entry, bool ok);
  void EditOptions();
  void AddByPath();
  void FillStrength();
  void UpdateOk();

  std::vector<std::unique_ptr<Entry>> entries_;  // row 1.. of the list
  std::vector<Step> steps_;                       // the entries of the strength list
  StrengthTable table_;
  std::optional<OpponentSettings> wanted_;  // to preselect when it has answered
  Entry* wantedEntry_ = nullptr;
  bool touched_ = false;  // the person has chosen a row: nothing is preselected any more
  bool filling_ = false;
  QListWidget* list_;
  QComboBox* strength_;
  QSpinBox* seconds_;
  QPushButton* options_;
  QPushButton* ok_;
};

}  // namespace tavrel
