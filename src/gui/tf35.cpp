#include "gui/tf35.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QPainterPath>

#include "core/file_version.h"

namespace tavrel {

namespace {

QFont Verdana(int pixels, bool bold) {
  QFont f(QStringLiteral("Verdana"));
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setItalic(true);
  return f;
}

const QString kDescription = QStringLiteral("Schachprogramm\nmit Problemlöser\nVersion ");
const QString kRights = QStringLiteral("© 2026 Tavrel-Projekt");

}  // namespace

QPixmap TavrelEmblem() {
  QPixmap pm(64, 64);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath knight;
  knight.moveTo(19, 52);
  knight.cubicTo(19, 42, 26, 38, 29, 32);  // chest
  knight.cubicTo(24, 34, 18, 35, 14, 33);  // underside of the jaw
  knight.cubicTo(10, 31, 9, 27, 12, 24);   // muzzle
  knight.lineTo(24, 13);                   // forehead
  knight.lineTo(25, 6);                    // ear
  knight.lineTo(30, 11);
  knight.cubicTo(42, 11, 50, 22, 49, 36);  // neck and mane
  knight.cubicTo(48, 43, 46, 48, 46, 52);
  knight.closeSubpath();
  p.setPen(QPen(QColor(0, 0, 80), 1.5));
  p.setBrush(QColor(0, 0, 128));
  p.drawPath(knight);
  p.setBrush(Qt::white);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(25, 20), 2.2, 2.2);  // eye
  p.setBrush(QColor(128, 0, 0));
  p.drawRoundedRect(QRectF(13, 52, 39, 8), 2, 2);  // plinth
  return pm;
}

TF35::TF35(QWidget* parent, const QString& programFile)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("Info über ..."));
  setFixedSize(259, 142);
  setAutoFillBackground(true);
  QPalette white = palette();
  white.setColor(QPalette::Window, Qt::white);
  setPalette(white);

  L1 = new QLabel(QStringLiteral("Tavrel\nSchach"), this);
  L1->setGeometry(93, 12, 148, 46);
  L1->setAlignment(Qt::AlignRight | Qt::AlignTop);
  L1->setFont(Verdana(19, true));

  I1 = new QLabel(this);
  I1->setGeometry(12, 14, 64, 64);
  I1->setScaledContents(true);
  I1->setPixmap(TavrelEmblem());
  I1->setAccessibleName(QStringLiteral("Tavrel-Emblem"));

  L3 = new QLabel(kDescription, this);
  L3->setGeometry(95, 67, 146, 70);
  L3->setAlignment(Qt::AlignRight | Qt::AlignTop);
  L3->setFont(Verdana(12, false));

  // The box's invisible menu: Enter and Esc close it.
  auto* enter = new QAction(QStringLiteral("enter"), this);
  enter->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  auto* esc = new QAction(QStringLiteral("esc"), this);
  esc->setShortcut(Qt::Key_Escape);
  for (QAction* a : {enter, esc}) {
    addAction(a);
    connect(a, &QAction::triggered, this, &TF35::B1C);
  }

  FormCreate(programFile.isEmpty() ? QCoreApplication::applicationFilePath() : programFile);
}

void TF35::FormCreate(const QString& programFile) {
  const std::string version =
      ReadFileVersion(QFile::encodeName(programFile).toStdString(), "%d.%d.%d.%d");
  L3->setText(kDescription + QString::fromStdString(version) + QLatin1Char('\n') + kRights);
}

void TF35::B1C() {
  accept();
}

}  // namespace tavrel
