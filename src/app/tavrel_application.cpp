#include "app/tavrel_application.h"

#include <exception>

#include "app/window_parts.h"
#include "problems/problem_file.h"

namespace tavrel {

TavrelApplication::TavrelApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Tavrel"));
}

bool TavrelApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
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
