// The program a person starts: the application object and the main window.
#include <QIcon>
#include <cstdio>

#include "core/command_line.h"
#include "gui/tavrel_application.h"
#include "gui/tform45.h"

int main(int argc, char** argv) {
  tavrel::TavrelApplication app(argc, argv);  // takes the toolkit's own options out of argv
  const tavrel::CommandLine command = tavrel::ParseCommandLine({argv + 1, argv + argc});
  const std::string usage = tavrel::UsageText("tavrel");
  if (command.action == tavrel::CommandLine::Action::Refuse) {
    std::fprintf(stderr, "tavrel: %s\n%s", command.error.c_str(), usage.c_str());
    return 2;
  }
  if (command.action == tavrel::CommandLine::Action::Help) {
    std::fputs(usage.c_str(), stdout);
    return 0;
  }
  // The installed icon and desktop entry (for the task bar and window lists).
  QGuiApplication::setDesktopFileName(QStringLiteral("tavrel"));
  QIcon icon;
  for (const char* size : {"48x48", "128x128", "256x256"})
    icon.addFile(QStringLiteral(":/icons/%1/tavrel.png").arg(QLatin1String(size)));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tavrel"), icon));
  tavrel::Tform45 window;
  window.StartFile = command.file;  // the name's own bytes: it need not be UTF-8
  window.show();
  return app.exec();
}
