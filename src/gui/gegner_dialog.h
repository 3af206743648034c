// Extras → "Gegner …": the built-in program or an external UCI engine as the computer player,
// with its strength and time per move. Known Debian engines are looked for on PATH (and in
// /usr/games); each is started and checked before it is listed with its "id name".
#pragma once

#include <QDialog>

#include <optional>
#include <vector>

#include "gui/external_opponent.h"
#include "gui/uci_client.h"

class QComboBox;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace tavrel {

class GegnerDialog : public QDialog {
  Q_OBJECT

 public:
  // current: the engine in use, if any (preselected).
  GegnerDialog(const std::optional<OpponentSettings>& current, QWidget* parent = nullptr);

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

 private:
  struct Entry {
    QString Program;
    QStringList Arguments;
    QString Name;
    int EloMin = 0, EloMax = 0;  // both 0: no UCI_Elo
    std::vector<UciOption> Options;
  };
  void EditOptions();
  bool AddEngine(const QString& program, const QStringList& arguments, QString* error);
  void AddByPath();
  void FillStrength();

  std::vector<Entry> entries_;  // row 1.. of the list
  QListWidget* list_;
  QComboBox* strength_;
  QSpinBox* seconds_;
  QPushButton* options_;
};

}  // namespace tavrel
