// Extras → "Probleme üben …": the problem trainer in a window of its own, on the collection as
// the main window holds it and the solved marks in the data folder.
#include <QMenu>

#include "core/solved_problems.h"
#include "gui/paths.h"
#include "gui/problem_trainer.h"
#include "gui/tform45.h"

namespace tavrel {

void Tform45::ConnectTrainer() {
  MenuExtras->addSeparator();
  ProblemeUeben = MenuExtras->addAction(QStringLiteral("Probleme üben …"));
  ProblemeUeben->setObjectName(QStringLiteral("ProblemeUeben"));
  connect(ProblemeUeben, &QAction::triggered, this, [this] {
    if (!Trainer) {
      EnsureDataFolder();
      Trainer = new ProblemTrainer(
          ProblemList, tavrel::DataFolder() + QString::fromLatin1(kSolvedFileName), this);
      Trainer->setAttribute(Qt::WA_DeleteOnClose);
    }
    Trainer->show();
    Trainer->raise();
    Trainer->activateWindow();
  });
}

}  // namespace tavrel
