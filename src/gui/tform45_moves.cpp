// Moves beside the drag: click-click and the keyboard on the board, typed moves in a move
// field, keys for take-back, replay, "Zug ausführen" and turning the board, a hint while the
// computer is to move but halted, and a spoken line for every move, take-back, replay and
// result (see AnnouncementLine).
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <cctype>
#include <cstdlib>

#include "core/fen.h"
#include "core/pgn.h"
#include "core/typed_move.h"
#include "gui/board_accessible.h"
#include "gui/game_texts.h"
#include "gui/move_list_box.h"
#include "gui/probleme.h"
#include "gui/tchessbrd.h"
#include "gui/tform45.h"
#include "gui/window_parts.h"

namespace tavrel {

namespace {

const QString kHaltedHint = QStringLiteral("Computer am Zug – „Zug ausführen“ setzt fort");

QString PieceKind(char letter) {
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'P': return QStringLiteral("Bauer");
    case 'N': return QStringLiteral("Springer");
    case 'B': return QStringLiteral("Läufer");
    case 'R': return QStringLiteral("Turm");
    case 'Q': return QStringLiteral("Dame");
    case 'K': return QStringLiteral("König");
    default: return {};
  }
}

// Places the hint, the move field and the announcement in the lines above and below the
// board, right of the texts those lines already show.
class LineParts : public QObject {
 public:
  LineParts(QWidget* bottom, QWidget* top, QWidget* hint, QLineEdit* field, QWidget* announce)
      : QObject(bottom), bottom_(bottom), top_(top), hint_(hint), field_(field),
        announce_(announce) {
    bottom->installEventFilter(this);
    top->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Resize && (watched == bottom_ || watched == top_)) Place();
    return false;
  }
  void Place() {
    const int w = bottom_->width(), h = bottom_->height();
    const int field = field_->isVisible() ? 150 : 0;
    field_->setGeometry(w - field - 4, 1, field, h - 2);
    hint_->setGeometry(w / 3, 0, w - w / 3 - field - 8, h);
    announce_->setGeometry(top_->width() / 2, 0, top_->width() / 2 - 4, top_->height());
  }

 private:
  QWidget* bottom_;
  QWidget* top_;
  QWidget* hint_;
  QLineEdit* field_;
  QWidget* announce_;
};

}  // namespace

void Tform45::ConnectMoves() {
  ChessBrd1->SetClickMoves(true);
  ChessBrd1->SetShowTargets(true);
  ChessBrd1->SetShowCheck(true);
  ChessBrd1->SetKeyboardMoves(true);
  ChessBrd1->setAccessibleName(QStringLiteral("Schachbrett"));

  HinweisZeile = new AnnouncementLine(P8);
  HinweisZeile->setAccessibleName(QStringLiteral("Hinweis"));
  Hinweis = HinweisZeile->Label();
  Hinweis->setObjectName(QStringLiteral("Hinweis"));
  Hinweis->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Hinweis->setTextFormat(Qt::PlainText);
  Zugeingabe = new QLineEdit(P8);
  Zugeingabe->setObjectName(QStringLiteral("Zugeingabe"));
  Zugeingabe->setAccessibleName(QStringLiteral("Zug eingeben"));
  Zugeingabe->setPlaceholderText(QStringLiteral("z. B. Sf3, e2e4"));
  Zugeingabe->hide();
  AnsageZeile = new AnnouncementLine(P10);
  Ansage = AnsageZeile->Label();
  Ansage->setObjectName(QStringLiteral("Ansage"));
  Ansage->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Ansage->setTextFormat(Qt::PlainText);
  auto* parts = new LineParts(P8, P10, HinweisZeile, Zugeingabe, AnsageZeile);
  parts->Place();
  placeLineParts_ = [parts] { parts->Place(); };

  // Names for what a screen reader would otherwise only call "list" or "label".
  LB1->setAccessibleName(QStringLiteral("Zugliste"));
  L6->setAccessibleDescription(QStringLiteral("Zeit für Weiß"));
  L7->setAccessibleDescription(QStringLiteral("Zeit für Schwarz"));
  Rx1->setAccessibleName(QStringLiteral("Spielstufe"));
  for (QToolButton* b : {S7, S99, S15})
    if (!b->toolTip().isEmpty()) b->setAccessibleName(b->toolTip());
  S99->setAccessibleName(QStringLiteral("Hilfe"));
  for (QAction* title : menuBar()->actions())
    if (QMenu* menu = title->menu()) menu->setAccessibleName(menu->title().remove(QLatin1Char('&')));

  // Keys of the existing commands.
  auto keys = [](QAction* a, const QKeySequence& k) {
    a->setShortcut(k);
    a->setShortcutContext(Qt::WindowShortcut);
  };
  keys(ZugZurueck, QKeySequence(Qt::CTRL | Qt::Key_Z));
  keys(ZugVorwaerts, QKeySequence(Qt::CTRL | Qt::Key_Y));
  keys(ZugAusfuehren, QKeySequence(Qt::CTRL | Qt::Key_R));

  MenuExtras->addSeparator();
  auto tick = [this](const char* name, const QString& caption, bool on) {
    QAction* a = MenuExtras->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setCheckable(true);
    a->setChecked(on);
    return a;
  };
  ZuegePerKlick = tick("ZuegePerKlick", QStringLiteral("Züge per Klick"), true);
  ZielfelderZeigen = tick("ZielfelderZeigen", QStringLiteral("Zielfelder zeigen"), true);
  WeissOben = tick("WeissOben", QStringLiteral("Weiß oben"), false);
  keys(WeissOben, QKeySequence(Qt::CTRL | Qt::Key_F));
  ZugEingeben = MenuExtras->addAction(QStringLiteral("Zug eingeben …"));
  ZugEingeben->setObjectName(QStringLiteral("ZugEingeben"));
  keys(ZugEingeben, QKeySequence(Qt::CTRL | Qt::Key_E));

  connect(ZuegePerKlick, &QAction::toggled, this, [this](bool on) { ChessBrd1->SetClickMoves(on); });
  connect(ZielfelderZeigen, &QAction::toggled, this,
          [this](bool on) { ChessBrd1->SetShowTargets(on); });
  // The menu item and "Weiß oben darstellen" are one switch.
  connect(WeissOben, &QAction::triggered, this, [this](bool on) { C1->setChecked(on); });
  connect(C1, &QCheckBox::toggled, WeissOben, &QAction::setChecked);
  connect(ZugEingeben, &QAction::triggered, this, [this] { OpenMoveField(QString()); });

  ChessBrd1->OnTypedText = [this](const QString& text) { OpenMoveField(text); };
  connect(Zugeingabe, &QLineEdit::returnPressed, this, [this] {
    if (TypeMove(Zugeingabe->text())) CloseMoveField();
  });
  Zugeingabe->installEventFilter(this);

  // The spoken line of a move is put together from the board's events and said once they
  // are all in.
  auto note = [this](const QString& part) {
    pendingAnnouncement_ += part;
    if (announceQueued_) return;
    announceQueued_ = true;
    QTimer::singleShot(0, this, [this] { Announce(); });
  };
  auto legal = ChessBrd1->OnLegalMove;
  ChessBrd1->OnLegalMove = [this, legal, note](ChessBoard* s, Square from, Square to) {
    pendingAnnouncement_.clear();
    if (Hinweis->text() != kHaltedHint) ShowHint({});  // an old typing message is out of date
    const bool white = !ChessBrd1->WhiteToMove();
    note((white ? QStringLiteral("Weiß: ") : QStringLiteral("Schwarz: ")) +
         PieceKind(ChessBrd1->Squares()[to]) + QLatin1Char(' ') + SquareName(from) +
         QStringLiteral(" nach ") + SquareName(to));
    if (legal) legal(s, from, to);
  };
  ChessBrd1->OnCapture = [note](ChessBoard*, Square, Square, char captured) {
    note(QStringLiteral(", schlägt ") + PieceKind(captured));
  };
  auto promotion = ChessBrd1->OnPromotion;
  ChessBrd1->OnPromotion = [this, promotion, note](ChessBoard* s, Square f, Square t, char& piece) {
    if (promotion) promotion(s, f, t, piece);
    if (typedPromotion_) piece = typedPromotion_;
    note(QStringLiteral(", wird ") + PieceKind(piece));
  };
  ChessBrd1->OnCastle = [note](ChessBoard*, Square from, Square to) {
    note(FileOf(to) > FileOf(from) ? QStringLiteral(", kurze Rochade")
                                   : QStringLiteral(", lange Rochade"));
  };
  auto check = ChessBrd1->OnCheck;
  ChessBrd1->OnCheck = [this, check, note](ChessBoard* s, Square from, Square to) {
    if (!ChessBrd1->HasLegalMove()) {
      note(QStringLiteral(", schachmatt"));
    } else {
      note(QStringLiteral(", Schach"));
    }
    if (check) check(s, from, to);
  };
  // A draw or a mate is said with the result, before the end-of-game box (AnnounceResult).
  // The solver's answer appears long after "Lösung" was pressed, away from the focus.
  connect(probleme, &TProbleme::SolutionShown, this, [this] {
    QStringList parts{probleme->L11->text(), probleme->L12->text()};
    parts.removeAll(QString());
    Say(parts.join(QStringLiteral(": ")));
  });

  connect(Timer1, &QTimer::timeout, this, &Tform45::UpdateHint);
  ChessBrd1->setFocus(Qt::OtherFocusReason);
}

void Tform45::Announce() {
  announceQueued_ = false;
  if (pendingAnnouncement_.isEmpty()) return;
  const QString text = pendingAnnouncement_;
  pendingAnnouncement_.clear();
  // Not also the board's description: the reader would say the move again whenever the
  // board gets the focus back, right after the notification (after every typed move).
  AnsageZeile->Say(text);
}

void Tform45::Say(const QString& text) {
  Announce();
  pendingAnnouncement_ = text;
  Announce();
}

// Said at once, in one line with the move: the end-of-game message box would hold a queued
// line back until it is closed.
void Tform45::AnnounceResult(const QString& result) {
  if (!pendingAnnouncement_.isEmpty()) pendingAnnouncement_ += QStringLiteral(". ");
  pendingAnnouncement_ += result;
  Announce();
}

QString Tform45::ShownMoveWords() const {
  const int line = LineBefore({ChessBrd1->CurrentMove(), ChessBrd1->WhiteToMove()});
  if (line < 0) return {};
  const int move = line / 2 + 1, slot = line % 2;
  if (move == 1 && slot == 0 && ChessBrd1->BlackStarts()) return {};
  const MoveEntry& e = ChessBrd1->Entry(move, slot);
  const auto from = static_cast<Square>(e.From), to = static_cast<Square>(e.To);
  if (!IsBoardSquare(from) || !IsBoardSquare(to)) return {};
  QString text = (slot == 0 ? QStringLiteral("Weiß: ") : QStringLiteral("Schwarz: ")) +
                 PieceKind(e.MovedPiece) + QLatin1Char(' ') + SquareName(from) +
                 QStringLiteral(" nach ") + SquareName(to);
  if (PieceColorOf(e.TargetContent) >= 0)
    text += QStringLiteral(", schlägt ") + PieceKind(e.TargetContent);
  const char now = ChessBrd1->Squares()[to];
  const bool king = std::toupper(static_cast<unsigned char>(e.MovedPiece)) == 'K';
  if (king && std::abs(FileOf(to) - FileOf(from)) == 2)
    text += FileOf(to) > FileOf(from) ? QStringLiteral(", kurze Rochade")
                                      : QStringLiteral(", lange Rochade");
  else if (now != e.MovedPiece && PieceColorOf(now) >= 0)
    text += QStringLiteral(", wird ") + PieceKind(now);
  if (e.Check == 1) text += QStringLiteral(", Schach");
  return text;
}

void Tform45::ShowHint(const QString& text) {
  Hinweis->setAccessibleName(text);
  if (text.isEmpty())
    Hinweis->clear();
  else
    HinweisZeile->Say(text);
}

void Tform45::UpdateHint() {
  const bool halted = !ChessBrd1->Thinking() && ChessBrd1->ComputerToMove() &&
                      !ChessBrd1->GameEnded() && !GameOver && !(probleme && probleme->Shown());
  // One tick of grace: between a move and the engine's start nothing is halted.
  haltedTicks_ = halted ? haltedTicks_ + 1 : 0;
  if (haltedTicks_ >= 2 && Hinweis->text().isEmpty())
    ShowHint(kHaltedHint);
  else if (!halted && Hinweis->text() == kHaltedHint)
    ShowHint({});
}

void Tform45::OpenMoveField(const QString& start) {
  Zugeingabe->show();
  if (placeLineParts_) placeLineParts_();
  Zugeingabe->setText(start);
  Zugeingabe->setFocus(Qt::OtherFocusReason);
  Zugeingabe->end(false);
}

void Tform45::CloseMoveField() {
  Zugeingabe->clear();
  Zugeingabe->hide();
  if (placeLineParts_) placeLineParts_();
  ChessBrd1->setFocus(Qt::OtherFocusReason);
}

bool Tform45::TypeMove(const QString& text) {
  const QString shown = text.trimmed();
  if (ChessBrd1->Thinking()) {
    ShowHint(QStringLiteral("Der Computer rechnet – bitte warten."));
    return false;
  }
  const std::optional<FenPosition> position = ParseFen(FenOfBoard(*ChessBrd1));
  if (!position) return false;
  const TypedMove typed = ReadTypedMove(*position, shown.toStdString());
  switch (typed.outcome) {
    case TypedMove::Empty:
      return false;
    case TypedMove::Ambiguous:
      ShowHint(QStringLiteral("„%1“ ist mehrdeutig – bitte das Ausgangsfeld angeben.").arg(shown));
      return false;
    case TypedMove::OtherSide:
      ShowHint(QStringLiteral("„%1“: %2 ist am Zug.")
                   .arg(shown, ChessBrd1->WhiteToMove() ? QStringLiteral("Weiß")
                                                        : QStringLiteral("Schwarz")));
      return false;
    case TypedMove::NoMove:
      ShowHint(QStringLiteral("„%1“ ist kein gültiger Zug.").arg(shown));
      return false;
    case TypedMove::Ok:
      break;
  }
  typedPromotion_ = typed.move.Promotion;
  const bool played = ChessBrd1->PlayMove(typed.move.From, typed.move.To);
  typedPromotion_ = 0;
  if (!played) {
    ShowHint(QStringLiteral("„%1“ ist jetzt nicht möglich.").arg(shown));
    return false;
  }
  if (Hinweis->text() != kHaltedHint) ShowHint({});
  return true;
}

}  // namespace tavrel
