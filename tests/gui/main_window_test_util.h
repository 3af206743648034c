// Helpers for the tests that drive the real main window offscreen.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTest>
#include <QWidget>
#include <functional>

#include "gui/tchessbrd.h"

namespace tavrel::test {

// Points XDG_DATA_HOME at `home` and puts the shipped problem collection's working copy in
// place there, as after the program's first start. False when the copy failed.
inline bool PrepareDataFolder(const QTemporaryDir& home) {
  qputenv("XDG_DATA_HOME", home.path().toUtf8());
  const QString folder = home.filePath(QStringLiteral("Orvanel 2014"));
  return QDir().mkpath(folder) &&
         QFile::copy(qEnvironmentVariable("TAVREL_DATA_DIR") + QStringLiteral("/mtavrel.c00"),
                     folder + QStringLiteral("/mtavrel.c00"));
}

// Answers the next modal box or dialog while the code under test waits in its exec(): `answer`
// gets the active modal widget. A fail-safe closes whatever is left so that a test never hangs.
class ModalAnswer : public QObject {
 public:
  explicit ModalAnswer(std::function<void(QWidget*)> answer) : answer_(std::move(answer)) {
    connect(&poll_, &QTimer::timeout, this, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (!modal || done_) return;
      done_ = true;
      answer_(modal);
    });
    poll_.start(10);
    failsafe_.setSingleShot(true);
    connect(&failsafe_, &QTimer::timeout, this, [] {
      while (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    failsafe_.start(20000);
  }
  bool Answered() const { return done_; }

 private:
  std::function<void(QWidget*)> answer_;
  QTimer poll_, failsafe_;
  bool done_ = false;
};

// Closes the next message box with OK and keeps its title and text.
struct MessageCatcher {
  QString title, text;
  int buttons = 0;
  ModalAnswer answer{[this](QWidget* w) {
    if (auto* box = qobject_cast<QMessageBox*>(w)) {
      title = box->windowTitle();
      text = box->text();
      buttons = static_cast<int>(box->buttons().size());
      box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click() : box->accept();
    } else {
      w->close();
    }
  }};
};

// Chooses file in the next (non-native) file dialog and confirms it.
struct FileDialogAnswer {
  explicit FileDialogAnswer(const QString& file)
      : answer([file](QWidget* w) {
          if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
            // The full path typed into the name field, as a user would; selectFile alone
            // depends on the folder view having caught up.
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
              name->setText(file);
            else
              dialog->selectFile(file);
            QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
          } else {
            w->close();
          }
        }) {}
  ModalAnswer answer;
};

// Whether the board's computer player answers at all: a board of its own makes White's first
// move at depth 1. The deadline is generous (a loaded machine is slow, not broken); a test that
// needs an engine move fails when it never comes.
inline bool EngineAnswers() {
  static const bool answers = [] {
    TChessBrd board;
    board.SetSearchDepth(1);
    board.SetComputerPlaysWhite(true);
    board.StartThinking();
    const bool moved = QTest::qWaitFor([&] { return !board.WhiteToMove(); }, 60000);
    board.SetComputerPlaysWhite(false);
    return moved;
  }();
  return answers;
}

#define REQUIRE_ENGINE() \
  QVERIFY2(tavrel::test::EngineAnswers(), "the board's computer player never moved")

}  // namespace tavrel::test
