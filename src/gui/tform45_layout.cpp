// The main window's controls, menus and geometry.
#include <QAbstractSpinBox>
#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>

#include "gui/game_texts.h"
#include "gui/move_list_box.h"
#include "core/openings.h"
#include "gui/tform45.h"
#include "gui/tool_glyphs.h"
#include "core/variants.h"
#include "gui/window_geometry.h"
#include "gui/window_parts.h"

namespace tavrel {

namespace {

constexpr int kColumnWidth = 200;
// The column is whole from this height on: its controls, and the problem panel with its entry
// area open, which lies over the column's top.
constexpr int kColumnHeight = 700;
// The board area keeps room for a board of 44-pixel squares beside the column.
constexpr int kMinBoardAreaWidth = 400;

const QString kVerdana = QStringLiteral("Verdana");

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, bool bold = false) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  if (bold) {
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
  }
  label->move(x, y);
  label->adjustSize();
  return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text, int x, int y, int width) {
  auto* button = new QPushButton(text, parent);
  button->setGeometry(x, y, width, 25);
  button->setAutoDefault(false);
  return button;
}

QString Latin(std::string_view s) {
  return QString::fromLatin1(s.data(), s.size());
}
QString Utf8(std::string_view s) {
  return QString::fromUtf8(s.data(), s.size());
}

QAction* MakeItem(QMenu* menu, const QString& name, const QString& caption,
                  const QKeySequence& shortcut = {}) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  if (!shortcut.isEmpty()) {
    // The window's own keys: Esc in the help window, say, must not end the program.
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
  }
  return action;
}

QAction* MakeTick(QMenu* menu, const QString& name, const QString& caption, bool ticked) {
  QAction* action = MakeItem(menu, name, caption);
  action->setCheckable(true);
  action->setChecked(ticked);
  return action;
}

// A menu item whose handler comes with a component that is not part of the program yet.
void AwaitHandler(QAction* action) {
  action->setEnabled(false);
}

}  // namespace

void Tform45::CreateControls() {
  setWindowTitle(QStringLiteral("Tavrel"));
  setObjectName(QStringLiteral("form45"));
  QPalette p = palette();
  p.setColor(QPalette::Window, kWindowGrey);
  setPalette(p);
  setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  auto* row = new QHBoxLayout(client);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  setCentralWidget(client);

  CreateBoardArea();
  CreateColumn();
  row->addWidget(P6, 1);
  row->addWidget(P5, 0);
  CreateMenus();

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(200);
  Timer1->setTimerType(Qt::CoarseTimer);
}

void Tform45::CreateColumn() {
  P5 = new QWidget(centralWidget());
  P5->setObjectName(QStringLiteral("P5"));
  P5->setFixedWidth(kColumnWidth);
  P5->setMinimumHeight(kColumnHeight);
  P5->setAutoFillBackground(true);
  P5->setFont(PixelFont(kVerdana, 12));

  P1 = new TPanel(P5, kWindowGrey);
  P1->setGeometry(0, 0, kColumnWidth, 28);

  const QStringList players = {QStringLiteral("Mensch"), QStringLiteral("Computer")};
  G2 = new TRadioGroup(P5, QStringLiteral("Spieler weiß"), players, 2);
  G2->setObjectName(QStringLiteral("G2"));
  G2->setGeometry(8, 36, 184, 46);
  G2->SetItemIndex(0);
  G1 = new TRadioGroup(P5, QStringLiteral("Spieler schwarz"), players, 2);
  G1->setObjectName(QStringLiteral("G1"));
  G1->setGeometry(8, 86, 184, 46);
  G1->SetItemIndex(0);

  C1 = new QCheckBox(QStringLiteral("Weiß oben darstellen"), P5);
  C1->setObjectName(QStringLiteral("C1"));
  C1->setGeometry(10, 140, 184, 20);

  L4 = MakeLabel(P5, QStringLiteral("Spielstufe"), 10, 171);
  Rx1 = new QSpinBox(P5);
  Rx1->setObjectName(QStringLiteral("Rx1"));
  Rx1->setRange(kMinLevel, kMaxLevel);
  Rx1->setValue(kDefaultLevel);
  Rx1->setGeometry(90, 166, 56, 24);
  L3 = MakeLabel(P5, QString::fromStdString(LevelName(kDefaultLevel)), 90, 194);
  L3->setObjectName(QStringLiteral("L3"));
  L3->setFixedWidth(104);

  L8 = MakeLabel(P5, QStringLiteral("Zeit für Weiß"), 10, 222);
  L6 = MakeLabel(P5, QStringLiteral("0:00"), 140, 222, true);
  L6->setObjectName(QStringLiteral("L6"));
  L6->setFixedWidth(56);
  L9 = MakeLabel(P5, QStringLiteral("Zeit für Schwarz"), 10, 242);
  L7 = MakeLabel(P5, QStringLiteral("0:00"), 140, 242, true);
  L7->setObjectName(QStringLiteral("L7"));
  L7->setFixedWidth(56);

  // Below the lower edge (275) of the problem panel, which lies over the column's top.
  L1 = MakeLabel(P5, QStringLiteral("Zugliste"), 10, 278);
  LB1 = new TMoveListBox(P5);
  LB1->setObjectName(QStringLiteral("LB1"));
  LB1->setGeometry(10, 294, 177, 130);

  L5 = MakeLabel(P5, QStringLiteral("Spielsteuerung"), 10, 426, true);
  D2 = MakeButton(P5, QStringLiteral("Zug zurück"), 10, 445, 87);
  D3 = MakeButton(P5, QStringLiteral("Zug weiter"), 100, 445, 87);
  D4 = MakeButton(P5, QStringLiteral("Abbruch"), 10, 475, 87);
  D4->setObjectName(QStringLiteral("D4"));
  D4->hide();
  D5 = MakeButton(P5, QStringLiteral("Neues Spiel"), 100, 475, 87);

  L13 = MakeLabel(P5, QStringLiteral("Bauernwandel in ..."), 10, 512, true);
  auto radio = [this](const QString& text, int x, int y) {
    auto* button = new QRadioButton(text, P5);
    button->setGeometry(x, y, 88, 20);
    return button;
  };
  R1 = radio(QStringLiteral("Dame"), 10, 530);
  R3 = radio(QStringLiteral("Springer"), 100, 530);
  R2 = radio(QStringLiteral("Turm"), 10, 550);
  R4 = radio(QStringLiteral("Läufer"), 100, 550);
  R1->setChecked(true);

  D6 = MakeButton(P5, QStringLiteral("Zugvorschlag"), 10, 582, 177);
  Label2 = new QLabel(P5);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setTextFormat(Qt::PlainText);
  Label2->setAlignment(Qt::AlignCenter);
  Label2->setGeometry(18, 613, 161, 18);
}

void Tform45::CreateBoardArea() {
  P6 = new QWidget(centralWidget());
  P6->setObjectName(QStringLiteral("P6"));
  P6->setAutoFillBackground(true);
  P6->setMinimumWidth(kMinBoardAreaWidth);
  P6->installEventFilter(this);

  P7 = new TPanel(P6, kWindowGrey, QStringLiteral("Tavrel  "));
  P7->setObjectName(QStringLiteral("P7"));
  P7->setFont(PixelFont(kVerdana, 16, true, true));
  P7->setFrameStyle(QFrame::Panel | QFrame::Raised);
  QPalette title = P7->palette();
  title.setColor(QPalette::WindowText, kNavy);
  P7->setPalette(title);
  // The tool bar B3: flat buttons side by side; a hidden one leaves no gap.
  auto* B3 = new QWidget(P7);
  B3->setObjectName(QStringLiteral("B3"));
  B3->setGeometry(2, 2, 90, 24);
  auto* tools = new QHBoxLayout(B3);
  tools->setContentsMargins(0, 0, 0, 0);
  tools->setSpacing(0);
  auto tool = [B3, tools](const QString& name, const QIcon& icon, const QString& hint) {
    auto* button = new QToolButton(B3);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setIcon(icon);
    button->setIconSize(QSize(18, 18));
    button->setToolTip(hint);
    button->setFixedSize(24, 24);
    button->setFocusPolicy(Qt::NoFocus);
    tools->addWidget(button);
    return button;
  };
  S7 = tool(QStringLiteral("S7"), ExitGlyph(), QStringLiteral("Teilprogramm beenden"));
  S99 = tool(QStringLiteral("S99"), HelpGlyph(), QStringLiteral("Hilfe"));
  S15 = tool(QStringLiteral("S15"), PrintGlyph(), QStringLiteral("Ausdruck der Zugliste"));
  tools->addStretch(1);

  auto line = [this](const QString& name, const QColor& text_colour) {
    auto* panel = new TPanel(P6, Qt::white);
    panel->setObjectName(name);
    panel->setFont(PixelFont(kVerdana, 15, true));
    QPalette pal = panel->palette();
    pal.setColor(QPalette::WindowText, text_colour);
    panel->setPalette(pal);
    return panel;
  };
  P10 = line(QStringLiteral("P10"), kMaroon);
  P8 = line(QStringLiteral("P8"), kRed);
  P9 = new TPanel(P6, Qt::white);
  P9->setObjectName(QStringLiteral("P9"));
  P11 = new TPanel(P6, Qt::white);
  P11->setObjectName(QStringLiteral("P11"));
  P12 = new TPanel(P6, Qt::white);
  P12->setObjectName(QStringLiteral("P12"));
  P12->installEventFilter(this);
  P9->resize(24, 0);
  P11->resize(100, 0);
}

void Tform45::CreateMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MM1"));

  MenuDatei = bar->addMenu(QStringLiteral("Datei"));
  FensterDrucken =
      MakeItem(MenuDatei, QStringLiteral("FensterDrucken"), QStringLiteral("Fenster drucken"));
  FensterKopieren =
      MakeItem(MenuDatei, QStringLiteral("FensterKopieren"), QStringLiteral("Fenster kopieren"));
  Druckeinstellung =
      MakeItem(MenuDatei, QStringLiteral("Druckeinstellung"), QStringLiteral("Druckeinstellung"));
  MenuDatei->addSeparator();
  Beenden = MakeItem(MenuDatei, QStringLiteral("Beenden"), QStringLiteral("Beenden"),
                     QKeySequence(Qt::Key_Escape));

  MenuSpielsteuerung = bar->addMenu(QStringLiteral("Spielsteuerung"));
  NeuesSpiel =
      MakeItem(MenuSpielsteuerung, QStringLiteral("NeuesSpiel"), QStringLiteral("Neues Spiel"));
  AbbruchAutomatisch =
      MakeItem(MenuSpielsteuerung, QStringLiteral("AbbruchAutomatisch"),
               QStringLiteral("Abbruch des automatischen Spiels"), QKeySequence(Qt::Key_Delete));
  MenuSpielsteuerung->addSeparator();
  ZugAusfuehren = MakeItem(MenuSpielsteuerung, QStringLiteral("ZugAusfuehren"),
                           QStringLiteral("Zug ausführen"));
  ZugZurueck =
      MakeItem(MenuSpielsteuerung, QStringLiteral("ZugZurueck"), QStringLiteral("1 Zug zurück"));
  ZugVorwaerts = MakeItem(MenuSpielsteuerung, QStringLiteral("ZugVorwaerts"),
                          QStringLiteral("1 Zug vorwärts"));
  MenuSpielsteuerung->addSeparator();
  m20 = MakeItem(MenuSpielsteuerung, QStringLiteral("m20"), QStringLiteral("Spielstand speichern"));
  M21 = MakeItem(MenuSpielsteuerung, QStringLiteral("M21"), QStringLiteral("Spielstand laden"));
  MenuSpielsteuerung->addSeparator();
  ZuglisteDrucken = MakeItem(MenuSpielsteuerung, QStringLiteral("ZuglisteDrucken"),
                             QStringLiteral("Zugliste drucken"));
  MenuSpielsteuerung->addSeparator();
  M24 = MakeTick(MenuSpielsteuerung, QStringLiteral("M24"),
                 QStringLiteral("Zugvorschlag markieren"), true);
  M23 = MakeTick(MenuSpielsteuerung, QStringLiteral("M23"), QStringLiteral("Letzten Zug markieren"),
                 true);
  ton = MakeTick(MenuSpielsteuerung, QStringLiteral("ton"),
                 QStringLiteral("Tonausgabe bei Computerzug"), false);

  MenuProblemtavrel = bar->addMenu(QStringLiteral("Problemtavrel"));
  Tavrelprobleme = MakeItem(MenuProblemtavrel, QStringLiteral("Tavrelprobleme"),
                            QStringLiteral("Tavrelprobleme"));
  MenuProblemtavrel->addSeparator();
  NeuesProblem = MakeItem(MenuProblemtavrel, QStringLiteral("NeuesProblem"),
                          QStringLiteral("Neues Problem eingeben"));
  SpielfeldKopieren = MakeItem(MenuProblemtavrel, QStringLiteral("SpielfeldKopieren"),
                               QStringLiteral("Spielfeld kopieren"));
  EingabefeldLoeschen = MakeItem(MenuProblemtavrel, QStringLiteral("EingabefeldLoeschen"),
                                 QStringLiteral("Eingabefeld löschen"));

  MenuVarianten = bar->addMenu(QStringLiteral("Varianten"));
  for (const VariantInfo& v : Variants()) {
    VariantItems.push_back(MakeItem(MenuVarianten, Latin(v.MenuItem), Utf8(v.Caption)));
    if (v.SeparatorAfter) MenuVarianten->addSeparator();
  }

  MenuEroeffnungen = bar->addMenu(QStringLiteral("Eröffnungen"));
  for (const OpeningInfo& o : Openings())
    OpeningItems.push_back(MakeItem(MenuEroeffnungen, Latin(o.MenuItem), Utf8(o.Caption)));

  MenuHilfe = bar->addMenu(QStringLiteral("?"));
  M22 =
      MakeItem(MenuHilfe, QStringLiteral("M22"), QStringLiteral("Hilfe"), QKeySequence(Qt::Key_F1));
  M18 = MakeItem(MenuHilfe, QStringLiteral("M18"), QStringLiteral("Info über ..."));

  // Every item starts greyed; each is enabled when its handler is connected.
  for (QAction* a :
       {FensterDrucken, FensterKopieren, Druckeinstellung, ZuglisteDrucken, Tavrelprobleme,
        NeuesProblem, SpielfeldKopieren, EingabefeldLoeschen, M22, M18})
    AwaitHandler(a);
  for (QAction* a : VariantItems) AwaitHandler(a);
  for (QAction* a : OpeningItems) AwaitHandler(a);
  S99->setEnabled(false);
  S15->setEnabled(false);
}

void Tform45::SetClientSize(int width, int height) {
  // The designed client area lies below the menu bar, which Qt puts inside the window.
  resize(width, height + menuBar()->sizeHint().height());
}

void Tform45::CenterOnScreen() {
  QScreen* s = screen();
  if (!s) return;
  const QRect area = s->availableGeometry();
  QRect frame = frameGeometry();
  frame.moveTopLeft(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
  move(KeepOnScreen(frame, area));
}

void Tform45::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  FormResize();
}

// The frame the limit allows for is known only once the window manager has framed the
// window, which it reports without a size change.
void Tform45::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::WindowStateChange || e->type() == QEvent::ActivationChange) FormResize();
}

void Tform45::moveEvent(QMoveEvent* e) {
  QMainWindow::moveEvent(e);
  FormResize();
}

// A size change only lays the window out anew (P6Resize, P12Resize); the game goes on. The
// outer size limit is a size hint that the window manager applies itself: resizing the window
// back from here fought the window manager's own maximising and left the window half off the
// screen.
void Tform45::FormResize() {
  // A maximised or full-screen window is the window manager's, with that state's frame.
  if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) return;
  QScreen* s = screen();
  if (!s) return;
  const QRect frame = frameGeometry();
  const QRect client = geometry();
  const QMargins margins(client.left() - frame.left(), client.top() - frame.top(),
                         frame.right() - client.right(), frame.bottom() - client.bottom());
  const QSize limit = MaximumClientSize(s->availableGeometry(), margins);
  if (maximumSize() != limit) setMaximumSize(limit);
}

// The window's keys work wherever the focus is. Text fields keep the keys they edit with; the
// number fields (level, number of moves) give up Del, which they would only use to empty
// themselves: typing replaces their selected number anyway.
void Tform45::ShareWindowKeys() {
  for (QAbstractSpinBox* box : findChildren<QAbstractSpinBox*>()) box->installEventFilter(this);
}

bool Tform45::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::Resize) {
    if (watched == P6) P6Resize();
    if (watched == P12) P12Resize();
  }
  // Esc in the move field closes the field, not the window.
  if (watched == Zugeingabe &&
      (e->type() == QEvent::ShortcutOverride || e->type() == QEvent::KeyPress) &&
      static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
    e->accept();
    if (e->type() == QEvent::KeyPress) CloseMoveField();
    return true;
  }
  if (e->type() == QEvent::ShortcutOverride && qobject_cast<QAbstractSpinBox*>(watched)) {
    const auto* key = static_cast<QKeyEvent*>(e);
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
      e->ignore();  // not claimed: the shortcut runs
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void Tform45::P6Resize() {
  const int w = P6->width();
  const int h = P6->height();
  const int side = h - 48;
  const int margin = std::max(0, (w - side) / 2);
  // The panels stack as they were aligned: title bar and status line at the top, the check
  // line at the bottom, the margins left and right, the board panel in the middle.
  P7->setGeometry(0, 0, w, 28);
  P10->setGeometry(0, 28, w, 24);
  P8->setGeometry(0, h - 24, w, 24);
  const int middle_top = 52;
  const int middle_height = std::max(0, h - 24 - middle_top);
  P9->setGeometry(0, middle_top, margin, middle_height);
  P11->setGeometry(w - margin, middle_top, margin, middle_height);
  P12->setGeometry(margin, middle_top, std::max(0, w - 2 * margin), middle_height);
  P12Resize();
}

}  // namespace tavrel
