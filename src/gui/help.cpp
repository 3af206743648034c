#include "gui/help.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>

#include "gui/paths.h"
#include "gui/window_geometry.h"
#include "gui/chm_file.h"
#include "gui/help_window.h"

namespace tavrel {

namespace {

QPointer<THelpWindow> help_window;

// Puts a window that is about to appear over the window that asked for it, wholly on that
// window's screen: left to the window manager it could open half below the screen. The frame
// it will get is taken to be the caller's.
void PlaceOverCaller(QWidget* window, QWidget* caller) {
  QWidget* top = caller ? caller->window() : nullptr;
  QScreen* screen = top ? top->screen() : window->screen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  QMargins frame;
  if (top && top->isVisible()) {
    const QRect outer = top->frameGeometry(), inner = top->geometry();
    frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(),
                     outer.right() - inner.right(), outer.bottom() - inner.bottom());
  }
  window->resize(window->size().boundedTo(area.size().shrunkBy(frame)));
  QRect outer(QPoint(), window->size().grownBy(frame));
  outer.moveCenter(top && top->isVisible() ? top->frameGeometry().center() : area.center());
  window->move(KeepOnScreen(outer, area));
}

}  // namespace

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
  if (!help_window->isVisible()) PlaceOverCaller(help_window, caller);
  help_window->show();
  help_window->raise();
  help_window->activateWindow();
}

}  // namespace tavrel
