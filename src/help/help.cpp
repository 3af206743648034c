#include "help/help.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

#include "app/paths.h"
#include "help/chm_file.h"
#include "help/help_window.h"

namespace tavrel {

namespace {
QPointer<THelpWindow> help_window;
}

QString HelpFileName() {
  return ExeFolder() + QStringLiteral("kovrin.chm");
}

void ShowHelpTopic(int context, QWidget* caller) {
  ShowHelpTopic(HelpFileName(), context, caller);
}

void ShowHelpTopic(const QString& helpFile, int context, QWidget* caller) {
  if (!HelpEngineLoadAttempted()) LoadHelpEngine();
  if (!HelpEngineLoaded()) return;
  std::unique_ptr<ChmFile> file = ChmFile::Open(QFile::encodeName(helpFile).toStdString());
  if (!file) {
    QMessageBox::warning(caller, QStringLiteral("Tavrel – Hilfe"),
                         QStringLiteral("Die Hilfedatei „%1“ kann nicht geöffnet werden.")
                             .arg(QDir::toNativeSeparators(helpFile)));
    return;
  }
  std::string topic = file->TopicForContext(std::uint32_t(context));
  if (topic.empty()) topic = file->DefaultTopic();
  if (!help_window) {
    help_window = new THelpWindow(caller);
    help_window->setAttribute(Qt::WA_DeleteOnClose);
  }
  help_window->Open(std::move(file), QFileInfo(helpFile).absoluteFilePath(), topic);
  help_window->show();
  help_window->raise();
  help_window->activateWindow();
}

}  // namespace tavrel
