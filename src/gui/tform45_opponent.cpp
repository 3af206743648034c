// Extras → "Gegner …": an external UCI engine in place of the built-in program.
#include "gui/analysis.h"
#include "gui/external_opponent.h"
#include "gui/gegner_dialog.h"
#include "gui/tchessbrd.h"
#include "gui/tform45.h"
#include "gui/window_parts.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QScreen>
#include <QSignalBlocker>

namespace tavrel {

void Tform45::ConnectOpponent() {
  MenuExtras->addSeparator();
  Gegner = MenuExtras->addAction(QStringLiteral("Gegner …"));
  Gegner->setObjectName(QStringLiteral("Gegner"));
  Opponent = new ExternalOpponent(ChessBrd1, this);
  connect(Gegner, &QAction::triggered, this, &Tform45::GegnerClick);
  Analyse = MenuExtras->addAction(QStringLiteral("Analyse"));
  Analyse->setObjectName(QStringLiteral("Analyse"));
  Analyse->setCheckable(true);
  connect(Analyse, &QAction::toggled, this, &Tform45::AnalyseClick);
  connect(Opponent, &ExternalOpponent::failed, this, [this](const QString& message) {
    ShowError(this, message + QStringLiteral(" Das eingebaute Programm spielt weiter."));
  });
}

void Tform45::AnalyseClick(bool on) {
  delete Analysefenster;
  Analysefenster = nullptr;
  if (!on) return;
  auto* window = new AnalyseFenster(ChessBrd1, this);
  QString error;
  const OpponentSettings* opponent = Opponent->Attached() ? &Opponent->Settings() : nullptr;
  const AnalysisEngine engine =
      ChooseAnalysisEngine(opponent, FindStockfish(), QCoreApplication::applicationDirPath());
  if (!window->Start(engine, &error)) {
    delete window;
    const QSignalBlocker quiet(Analyse);
    Analyse->setChecked(false);
    return ShowError(this, error);
  }
  Analysefenster = window;
  window->adjustSize();
  // Beside the window, right or left, where it fits on the screen; else in the screen's
  // bottom right corner, where it hides least of the window.
  const QRect screen = this->screen()->availableGeometry();
  const QRect own = frameGeometry();
  const int width = window->width() + 16, height = window->height() + 40;  // with its frame
  QPoint at(own.right() + 8, geometry().top());
  if (at.x() + width > screen.right()) at.setX(own.left() - 8 - width);
  if (at.x() < screen.left()) at = {screen.right() - width, screen.bottom() - height};
  at.setY(std::clamp(at.y(), screen.top(), std::max(screen.top(), screen.bottom() - height)));
  window->move(at);
  window->show();
}

void Tform45::GegnerClick() {
  std::optional<OpponentSettings> current;
  if (Opponent->Attached()) current = Opponent->Settings();
  GegnerDialog dialog(current, this);
  if (dialog.exec() != QDialog::Accepted) return;
  const auto choice = dialog.Choice();
  if (!choice) {
    if (Opponent->Attached()) {
      Opponent->Detach();
      ChessBrd1->StartThinking();
    }
    return;
  }
  if (!Opponent->Attach(*choice))
    ShowError(this, Opponent->Error() + QStringLiteral(" Das eingebaute Programm spielt weiter."));
}

}  // namespace tavrel
