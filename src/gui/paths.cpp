#include "gui/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

// Set by the build from the install directories (GNUInstallDirs).
#ifndef TAVREL_RELATIVE_DATA_DIR
#define TAVREL_RELATIVE_DATA_DIR "../share/tavrel"
#endif
#ifndef TAVREL_INSTALL_DATA_DIR
#define TAVREL_INSTALL_DATA_DIR "/usr/local/share/tavrel"
#endif

namespace tavrel {

namespace {

QString WithSlash(const QString& folder) {
  return folder.endsWith('/') ? folder : folder + '/';
}

// The first candidate that holds the shipped collection, otherwise the first candidate.
QString FirstFolderWithData(const QStringList& candidates) {
  for (const QString& folder : candidates)
    if (QFileInfo::exists(WithSlash(folder) + QStringLiteral("mtavrel.c00")))
      return WithSlash(folder);
  return WithSlash(candidates.first());
}

}  // namespace

QString ExeFolder() {
  const QString own = QCoreApplication::applicationDirPath();
  return FirstFolderWithData({own,
                              QDir::cleanPath(own + QStringLiteral("/" TAVREL_RELATIVE_DATA_DIR)),
                              QStringLiteral(TAVREL_INSTALL_DATA_DIR)});
}

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
