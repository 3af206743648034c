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
  // mkpath: on a fresh Linux account ~/.local/share may not exist yet, and without it every
  // start would report an error and new problems would be lost.
  QDir().mkpath(DataFolder());
}

}  // namespace tavrel
