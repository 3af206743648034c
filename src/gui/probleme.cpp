// The problem panel's controls, geometry and menu wiring. The handlers are in
// probleme_handlers.cpp.
#include "gui/probleme.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <cmath>

#include "core/problem_file.h"

static void InitPanelResources() {
  Q_INIT_RESOURCE(panel);
}

namespace tavrel {

namespace {

constexpr int kPanelWidth = 200;
constexpr int kListHeight = 275;
constexpr int kEntryHeight = 700;
const QColor kPanelGrey(240, 240, 240);
const QColor kNavy(0, 0, 128);

QFont Verdana(int pixels, bool bold = false) {
  QFont font(QStringLiteral("Verdana"));
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, bool bold = false) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  if (bold) label->setFont(Verdana(12, true));
  label->move(x, y);
  label->adjustSize();
  return label;
}

// A bold black label that centres its text on the given span.
QLabel* MakeResultLabel(QWidget* parent, const QString& name, int x, int y, int width) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setFont(Verdana(12, true));
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, Qt::black);
  label->setPalette(p);
  label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  label->setGeometry(x, y, width, 16);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text, int x, int y,
                        int width) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  button->setGeometry(x, y, width, 25);
  button->setAutoDefault(false);
  return button;
}

QToolButton* MakeSpeedButton(QWidget* parent, const QString& name, const QString& icon,
                             const QString& hint, int x, int y) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setAutoRaise(true);
  button->setIcon(QIcon(icon));
  button->setIconSize(QSize(16, 16));
  button->setToolTip(hint);
  button->setAccessibleName(hint);
  button->setGeometry(x, y, 23, 22);
  return button;
}

// Height that shows the whole text of a memo at its width, lines wrapped.
int HelpTextHeight(const QPlainTextEdit& memo) {
  QTextDocument doc;
  doc.setDefaultFont(memo.font());
  doc.setDocumentMargin(memo.document()->documentMargin());
  doc.setPlainText(memo.toPlainText());
  doc.setTextWidth(memo.width() - 2 * memo.frameWidth());
  return static_cast<int>(std::ceil(doc.size().height())) + 2 * memo.frameWidth() + 2;
}

}  // namespace

TProbleme::TProbleme(QWidget* parent, ProblemeLinks links)
    : QFrame(parent), links_(std::move(links)) {
  InitPanelResources();
  Q_ASSERT(links_.Board && links_.Problems && links_.Timer1 && links_.P7 && links_.P8 && links_.D6);
  solver_ = MateSolverCall();
  CreateControls();
  M11 = new QAction(QStringLiteral("Tavrelprobleme"), this);
  M6 = new QAction(QStringLiteral("Neues Problem eingeben"), this);
  M15 = new QAction(QStringLiteral("Spielfeld kopieren"), this);
  M3 = new QAction(QStringLiteral("Eingabefeld löschen"), this);
  AttachMenu(M11, M6, M15, M3);
  ConnectHandlers();
  // An application that quits without destroying its window still must not leave the worker.
  connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
          &TProbleme::StopSolution);
  hide();
}

TProbleme::~TProbleme() {
  StopSolution();
}

void TProbleme::CreateControls() {
  setObjectName(QStringLiteral("probleme"));
  setGeometry(0, 0, kPanelWidth, kListHeight);
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, kPanelGrey);
  p.setColor(QPalette::WindowText, kNavy);
  setPalette(p);
  setFont(Verdana(12));

  L10 = MakeLabel(this, QStringLiteral("Tavrelprobleme"), 32, 8, true);
  L11 = new QLabel(this);
  L11->setObjectName(QStringLiteral("L11"));
  L11->setTextFormat(Qt::PlainText);
  L11->setGeometry(16, 43, 176, 16);
  L12 = MakeResultLabel(this, QStringLiteral("L12"), 16, 59, 168);
  D7 = MakeButton(this, QStringLiteral("D7"), QStringLiteral("Lösung"), 16, 80, 75);
  L14 = MakeResultLabel(this, QStringLiteral("L14"), 112, 83, 80);
  L16 = MakeLabel(this, QStringLiteral("Zugzahl"), 31, 116);

  t2 = new QSpinBox(this);
  t2->setObjectName(QStringLiteral("t2"));
  t2->setRange(2, 8);
  t2->setValue(3);
  t2->setGeometry(104, 112, 57, 22);
  t2->setAccessibleName(QStringLiteral("Zugzahl"));

  LB2 = new QListWidget(this);
  LB2->setObjectName(QStringLiteral("LB2"));
  LB2->setFont(Verdana(11));
  // Long titles wrap instead of ending in "...": cut short, several read the same.
  LB2->setWordWrap(true);
  LB2->setTextElideMode(Qt::ElideNone);
  LB2->setResizeMode(QListView::Adjust);
  LB2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  LB2->setGeometry(12, 148, 177, 108);
  LB2->setAccessibleName(QStringLiteral("Probleme"));
  setAccessibleName(QStringLiteral("Tavrelprobleme"));

  CreateEntryArea();
}

void TProbleme::CreateEntryArea() {
  p15 = new QFrame(this);
  p15->setObjectName(QStringLiteral("p15"));
  p15->setGeometry(-1, 256, 200, 401);
  p15->setAccessibleName(QStringLiteral("Neues Problem eingeben"));

  L17 = MakeLabel(p15, QStringLiteral("Neues Problem eingeben"), 15, 24);

  SG1 = new QTableWidget(8, 8, p15);
  SG1->setObjectName(QStringLiteral("SG1"));
  SG1->setGeometry(8, 48, 184, 168);
  SG1->setAccessibleName(QStringLiteral("Stellung des neuen Problems"));
  SG1->horizontalHeader()->hide();
  SG1->verticalHeader()->hide();
  for (QHeaderView* header : {SG1->horizontalHeader(), SG1->verticalHeader()}) {
    header->setMinimumSectionSize(1);
    header->setSectionResizeMode(QHeaderView::Fixed);
  }
  SG1->horizontalHeader()->setDefaultSectionSize(22);
  SG1->verticalHeader()->setDefaultSectionSize(20);
  SG1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SG1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SG1->setSelectionMode(QAbstractItemView::SingleSelection);
  SG1->setTabKeyNavigation(true);
  SG1->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                       QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  SG1->setFont(Verdana(12, true));
  QPalette grid = SG1->palette();
  grid.setColor(QPalette::Base, Qt::white);
  grid.setColor(QPalette::Text, Qt::black);
  SG1->setPalette(grid);
  for (int row = 0; row < 8; ++row)
    for (int column = 0; column < 8; ++column) {
      auto* cell = new QTableWidgetItem;
      cell->setTextAlignment(Qt::AlignCenter);
      SG1->setItem(row, column, cell);
    }
  // The grid starts with a current cell, as a string grid does, so that merely moving the focus
  // into it does not make a cell current and rebuild the board.
  SG1->setCurrentCell(0, 0);

  L18 = MakeLabel(p15, QStringLiteral("Name"), 15, 228);
  E1 = new QLineEdit(p15);
  E1->setObjectName(QStringLiteral("E1"));
  E1->setGeometry(64, 224, 129, 22);
  E1->setAccessibleName(QStringLiteral("Name"));
  L19 = MakeLabel(p15, QStringLiteral("Zugzahl"), 7, 260);
  E2 = new QLineEdit(QStringLiteral("3"), p15);
  E2->setObjectName(QStringLiteral("E2"));
  E2->setGeometry(64, 256, 41, 22);
  E2->setAccessibleName(QStringLiteral("Zugzahl"));
  D1 = MakeButton(p15, QStringLiteral("D1"), QStringLiteral("Speichern"), 112, 256, 81);

  Me1 = new QPlainTextEdit(p15);
  Me1->setObjectName(QStringLiteral("Me1"));
  Me1->setAccessibleName(QStringLiteral("Figurenbuchstaben"));
  Me1->setFrameShape(QFrame::NoFrame);
  Me1->setReadOnly(true);
  Me1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Me1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // A line too wide for the font at hand wraps rather than being cut off at the edge.
  Me1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  QPalette memo = Me1->palette();
  memo.setColor(QPalette::Base, kPanelGrey);
  memo.setColor(QPalette::Text, kNavy);
  Me1->setPalette(memo);
  Me1->setPlainText(
      QStringLiteral("Abkürzungen:\nB = Bauer, L = Läufer, S = \nSpringer, T = Turm, K = König, "
                     "\nD = Dame\nWeiß = Großbuchstaben\nSchwarz = Kleinbuchstaben"));
  Me1->setGeometry(8, 288, 185, 89);
  Me1->resize(Me1->width(), std::max(89, HelpTextHeight(*Me1)));

  // The buttons and the entry area's lower edge follow the help text down where it needs
  // more lines than designed; the entry area stays inside the 700-pixel panel.
  const int buttons = std::max(376, Me1->geometry().bottom() + 1);
  S11 = MakeSpeedButton(p15, QStringLiteral("S11"), QStringLiteral(":/panel/s11.png"),
                        QStringLiteral("Spielstand übernehmen"), 8, buttons);
  S12 = MakeSpeedButton(p15, QStringLiteral("S12"), QStringLiteral(":/panel/s12.png"),
                        QStringLiteral("Eingabefeld löschen"), 32, buttons);
  p15->resize(p15->width(), std::clamp(buttons + 25, 401, kEntryHeight - p15->y()));
}

void TProbleme::AttachMenu(QAction* m11, QAction* m6, QAction* m15, QAction* m3) {
  for (QAction* own : {M11, M6, M15, M3})
    if (own && own->parent() == this && own != m11 && own != m6 && own != m15 && own != m3)
      delete own;
  M11 = m11;
  M6 = m6;
  M15 = m15;
  M3 = m3;
  M11->setCheckable(true);
  M11->setChecked(Shown());
  M11->setEnabled(true);
  M6->setCheckable(true);
  M6->setChecked(Shown() && height() == 700);
  for (QAction* item : {M6, M15, M3}) item->setEnabled(Shown());
  // triggered, not toggled: the handlers set the check marks themselves.
  connect(M11, &QAction::triggered, this, [this] { S6C(); });
  connect(M6, &QAction::triggered, this, [this] { SB10Click(); });
  connect(M15, &QAction::triggered, this, [this] { S11Click(); });
  connect(M3, &QAction::triggered, this, [this] { S12Click(); });
}

void TProbleme::ConnectHandlers() {
  connect(LB2, &QListWidget::currentRowChanged, this, [this] { LB2C(); });
  connect(t2, &QSpinBox::valueChanged, this, [this] { T2Change(); });
  connect(D7, &QPushButton::clicked, this, [this] { D7Click(); });
  connect(D1, &QPushButton::clicked, this, [this] { B2C(); });
  connect(S11, &QToolButton::clicked, this, [this] { S11Click(); });
  connect(S12, &QToolButton::clicked, this, [this] { S12Click(); });
  // The grid's click notification: a cell becomes current by keyboard or mouse, or the current
  // cell is pressed again. A press that made its cell current has already run SG1Click through
  // the change; the note of that change lasts until the event loop turns.
  connect(SG1, &QTableWidget::currentCellChanged, this, [this](int row, int column) {
    changedRow_ = row;
    changedColumn_ = column;
    QTimer::singleShot(0, this, [this] { changedRow_ = changedColumn_ = -1; });
    SG1Click();
  });
  connect(SG1, &QTableWidget::cellPressed, this, [this](int row, int column) {
    if (row != changedRow_ || column != changedColumn_) SG1Click();
  });
}

void TProbleme::SetPanelHeight(int height) {
  resize(kPanelWidth, height);
}

}  // namespace tavrel
