// The main window's commands beyond the game itself: printing and the window copy, the
// print settings, help and the about box, the problem panel, the start-position variants and
// the stored openings.
#include <QAction>
#include <QFile>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolButton>
#include <stdexcept>

#include "gui/move_list_box.h"
#include "core/openings.h"
#include "gui/paths.h"
#include "gui/tform45.h"
#include "core/variants.h"
#include "gui/window_parts.h"
#include "gui/tchessbrd.h"
#include "gui/help.h"
#include "gui/tf35.h"
#include "gui/print_settings.h"
#include "gui/printing.h"
#include "gui/tdruckein.h"
#include "core/problem_file.h"
#include "gui/probleme.h"

namespace tavrel {

void Tform45::VariantClick(std::string_view board) {
  D5click();
  ChessBrd1->SetPosition(board);
}

void Tform45::CopyOpeningToFile(const QString& item) {
  const OpeningInfo* opening = FindOpening(item.toStdString());
  const QString resource =
      QStringLiteral(":/openings/") +
      (opening ? QString::fromLatin1(opening->DataItem.data(), opening->DataItem.size())
               : item.toUpper());
  QFile data(resource);
  if (!data.open(QIODevice::ReadOnly))
    throw std::runtime_error("Ressource " + item.toStdString() + " nicht gefunden");
  const QByteArray bytes = data.readAll();
  WriteFileAtomically((tavrel::DataFolder() + QStringLiteral("000.spa")).toStdString(),
                      std::string_view(bytes.constData(), bytes.size()));
}

void Tform45::eladen(QAction* item) {
  const QString name = item->objectName().remove(QLatin1Char('&'));
  WhiteClockMs = 0;
  BlackClockMs = 0;
  ClocksStopped = false;
  P8->clear();
  ChessBrd1->NewGame();
  try {
    CopyOpeningToFile(name);
    ChessBrd1->LoadGame((tavrel::DataFolder() + QStringLiteral("000.spa")).toStdString());
  } catch (...) {
    UpdateListBox();  // the board holds the new game: the list must not show the old one
    throw;
  }
  UpdateListBox();
  {
    const QSignalBlocker quiet(LB1);
    LB1->setCurrentRow(LB1->count() - 1);
  }
  LB1C();
}

void Tform45::S13C() {
  CopyWindowToClipboard(GrabWidgetImage(P6));
}

void Tform45::S14Click() {
  PrintWindow(P6, CurrentPrinter(), SharedPrintSettings(), ScreenPixelsPerInch);
}

void Tform45::S15Click() {
  QStringList lines;
  for (int i = 0; i < LB1->count(); ++i) lines << LB1->item(i)->text();
  PrintMoveList(this, CurrentPrinter(), lines, SharedPrintSettings(), ScreenPixelsPerInch);
}

void Tform45::DruckeinstellungClick() {
  Tdruckein dialog(this);
  dialog.exec();
}

void Tform45::S99Click() {
  ShowHelpTopic(kMainWindowHelpContext, this);
}

void Tform45::S10C() {
  TF35 box(this);
  box.exec();
}

void Tform45::CreateProblemPanel() {
  ProblemeLinks links;
  links.Board = ChessBrd1;
  links.Problems = &ProblemList;
  links.DataFolder = [] { return tavrel::DataFolder(); };
  links.Timer1 = Timer1;
  links.P7 = P7;
  links.P8 = P8;
  links.D6 = D6;
  links.UpdateListBox = [this] { UpdateListBox(); };
  probleme = new TProbleme(P5, std::move(links));
  probleme->setObjectName(QStringLiteral("probleme"));
  probleme->AttachMenu(Tavrelprobleme, NeuesProblem, SpielfeldKopieren, EingabefeldLoeschen);
}

void Tform45::ConnectExtras() {
  CreateProblemPanel();

  connect(Druckeinstellung, &QAction::triggered, this, &Tform45::DruckeinstellungClick);
  Druckeinstellung->setEnabled(true);
  // The help button and menu item are hidden at every activation; F1 opens the help all the
  // same, as the hidden item's shortcut did.
  connect(S99, &QToolButton::clicked, this, &Tform45::S99Click);
  connect(M22, &QAction::triggered, this, &Tform45::S99Click);
  auto* help_key = new QShortcut(QKeySequence(Qt::Key_F1), this);
  help_key->setContext(Qt::WindowShortcut);
  connect(help_key, &QShortcut::activated, this, &Tform45::S99Click);
  M22->setShortcut({});
  connect(M18, &QAction::triggered, this, &Tform45::S10C);
  for (QAction* a : {M22, M18}) a->setEnabled(true);
  S99->setEnabled(true);

  connect(FensterKopieren, &QAction::triggered, this, &Tform45::S13C);
  connect(FensterDrucken, &QAction::triggered, this, &Tform45::S14Click);
  connect(ZuglisteDrucken, &QAction::triggered, this, &Tform45::S15Click);
  connect(S15, &QToolButton::clicked, this, &Tform45::S15Click);
  for (QAction* a : {FensterKopieren, FensterDrucken, ZuglisteDrucken}) a->setEnabled(true);
  S15->setEnabled(true);

  for (size_t i = 0; i < VariantItems.size(); ++i) {
    const std::string_view board = Variants()[i].Board;
    connect(VariantItems[i], &QAction::triggered, this, [this, board] { VariantClick(board); });
    VariantItems[i]->setEnabled(true);
  }
  for (QAction* item : OpeningItems) {
    connect(item, &QAction::triggered, this, [this, item] { eladen(item); });
    item->setEnabled(true);
  }
}

}  // namespace tavrel
