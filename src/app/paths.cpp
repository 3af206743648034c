#include "app/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

namespace tavrel {

QString ExeFolder() { return QCoreApplication::applicationDirPath() + "/"; }

QString DataFolder() {
  QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (base.isEmpty()) base = QDir::homePath() + "/.local/share";
  return base + "/Orvanel 2014/";
}

void EnsureDataFolder() {
  // mkdir, not mkpath: only the last level is created, as the program always did.
  QDir().mkdir(DataFolder());
}

}  // namespace tavrel
