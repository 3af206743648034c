#include "gui/tavrel_application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <exception>
#include <new>

#include "gui/window_parts.h"
#include "core/problem_file.h"

namespace tavrel {

TavrelApplication::TavrelApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Tavrel"));
  // Numbers and dates in Qt's dialogs match their German texts.
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  LoadQtGerman(qtGerman_);
}

bool TavrelApplication::LoadQtGerman(QTranslator& translator) {
  if (!translator.load(QStringLiteral("qtbase_de"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  return QCoreApplication::installTranslator(&translator);
}

bool TavrelApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::bad_alloc&) {
    ShowException(std::runtime_error("Nicht genug Arbeitsspeicher"));
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(std::runtime_error("Unbekannter Fehler"));
  }
  return true;
}

void TavrelApplication::ShowException(const std::exception& e) {
  ShowError(activeWindow(), QString::fromStdString(ErrorMessage(e)));
}

}  // namespace tavrel
