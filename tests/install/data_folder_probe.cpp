// Copied beside an installed program: prints where the program's data is found (the folder
// and the help file) and fails unless the collection and the help file are both there.
#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#include "gui/paths.h"
#include "gui/help.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QString collection = tavrel::ExeFolder() + QStringLiteral("mtavrel.c00");
  const QString help = tavrel::HelpFileName();
  std::printf("%s\n%s\n", qPrintable(collection), qPrintable(help));
  return QFile::exists(collection) && QFile::exists(help) ? 0 : 1;
}
