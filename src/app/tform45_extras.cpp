// The main window's commands that hand over to other components: printing and the window copy.
#include <QAction>
#include <QToolButton>

#include "app/move_list_box.h"
#include "app/tform45.h"
#include "print/print_settings.h"
#include "print/printing.h"

namespace tavrel {

void Tform45::S13C() { CopyWindowToClipboard(GrabWidgetImage(P6)); }

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
}

}  // namespace tavrel
