// The application object of the program. It catches every exception that escapes an event
// handler (a missing or damaged file, an unwritable folder, ...) and shows its message in a
// box titled "Tavrel"; the handler's remaining steps are skipped and the program goes on.
#pragma once

#include <QApplication>

namespace tavrel {

class TavrelApplication : public QApplication {
  Q_OBJECT
 public:
  TavrelApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Shows the message of an exception that ended a handler: the "general error box".
  static void ShowException(const std::exception& e);
};

}  // namespace tavrel
