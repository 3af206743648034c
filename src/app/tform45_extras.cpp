// The main window's commands beyond the game itself: printing and the window copy, the
// start-position variants and the stored openings.
#include <QAction>
#include <QFile>
#include <QSignalBlocker>
#include <QToolButton>
#include <stdexcept>

#include "app/move_list_box.h"
#include "app/openings.h"
#include "app/paths.h"
#include "app/tform45.h"
#include "app/variants.h"
#include "app/window_parts.h"
#include "board/tchessbrd.h"
#include "print/print_settings.h"
#include "print/printing.h"
#include "problems/problem_file.h"

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
  WhiteClock = 0;
  BlackClock = 0;
  ClocksStopped = false;
  P8->clear();
  ChessBrd1->NewGame();
  CopyOpeningToFile(name);
  ChessBrd1->LoadGame((tavrel::DataFolder() + QStringLiteral("000.spa")).toStdString());
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

void Tform45::ConnectExtras() {
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
