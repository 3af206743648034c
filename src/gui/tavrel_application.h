// The application object of the program. It speaks German whatever the system's language:
// Qt's own texts (file and print dialogs, context menus, key names) come from Qt's German
// translation. It catches every exception that escapes an event handler (a missing or damaged
// file, an unwritable folder, ...) and shows its message in a box titled "Tavrel"; the
// handler's remaining steps are skipped and the program goes on.
#pragma once

#include <QApplication>
#include <QTranslator>

namespace tavrel {

class TavrelApplication : public QApplication {
  Q_OBJECT
 public:
  TavrelApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Shows the message of an exception that ended a handler: the "general error box".
  static void ShowException(const std::exception& e);

  // Installs Qt's German translation ("qtbase_de.qm" from Qt's translations folder) into the
  // running application; false if it is not installed, and Qt's texts stay English.
  static bool LoadQtGerman(QTranslator& translator);

 private:
  QTranslator qtGerman_;
};

}  // namespace tavrel
