// The flow of a game: players, level, clocks, the thinking display, the move list, take-back
// and replay, promotion choice and the end-of-game messages.
#include <QAction>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <cmath>

#include "gui/board_pieces.h"
#include "gui/game_texts.h"
#include "gui/move_list_box.h"
#include "gui/sound.h"
#include "gui/tform45.h"
#include "gui/window_geometry.h"
#include "gui/window_parts.h"
#include "gui/tchessbrd.h"
#include "gui/probleme.h"

namespace tavrel {

namespace {

constexpr int kHuman = 0;
constexpr int kComputer = 1;
constexpr int64_t kTickMs = 200;

const QString kMateMessage = QStringLiteral("      ******** Matt !!! ********      ");
const QString kDrawMessage = QStringLiteral("Remis durch 3mal gleiche Stellung bzw. Patt!");
const QString kRecordFullMessage =
    QStringLiteral("Die Partie ist beendet: Die Zugliste ist mit 256 Zügen voll.");

QString Text(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

void Tform45::CreateBoards() {
  ChessBrd1 = new TChessBrd(P12);
  ChessBrd1->setObjectName(QStringLiteral("ChessBrd1"));
  ChessBrd1->SetAnimateMoves(true);
  ChessBrd1->SetAnimationDelay(0);
  ChessBrd1->SetBoardLines(true);
  ChessBrd1->SetBorderColor(kWindowGrey);
  ChessBrd1->SetCastlingAllowed(AllCastling);
  ChessBrd1->SetComputerPlaysWhite(false);
  ChessBrd1->SetComputerPlaysBlack(false);
  ChessBrd1->SetCoordFont(PixelFont(QStringLiteral("Verdana"), 11));
  ChessBrd1->SetCoordColor(kNavy);
  ChessBrd1->SetDisplayCoords(West | North | East | South);
  ChessBrd1->SetCustomEngine(false);
  ChessBrd1->SetResizable(true);
  ChessBrd1->SetResizeMinSize(100);
  ChessBrd1->SetResizeMaxSize(1000);
  ChessBrd1->SetSearchDepth(kDefaultLevel);
  ChessBrd1->SetSizeOfBorder(24);
  ChessBrd1->SetSizeOfSquare(72);
  ChessBrd1->SetSquareColorDark(QColor(128, 128, 128));
  ChessBrd1->SetSquareColorLight(QColor(192, 192, 192));
  ChessBrd1->SetSquareLight(QImage(QStringLiteral(":/board/square_light.png")));
  ChessBrd1->SetSquareDark(QImage(QStringLiteral(":/board/square_dark.png")));
  ChessBrd1->SetWhiteOnTop(false);
  new BoardPieces(ChessBrd1);  // the pieces fill the squares at every size
  ChessBrd1->OnLegalMove = [this](ChessBoard*, Square, Square) { ChessBrd1LegalMove(); };
  ChessBrd1->OnCheck = [this](ChessBoard*, Square, Square) { ChessBrd1Check(); };
  ChessBrd1->OnMate = [this](ChessBoard*, Square, Square) { ChessBrd1Mate(); };
  ChessBrd1->OnDraw = [this](ChessBoard*) { ChessBrd1Draw(); };
  ChessBrd1->OnRecordFull = [this](ChessBoard*) { ChessBrd1RecordFull(); };
  ChessBrd1->OnPromotion = [this](ChessBoard*, Square, Square, char& piece) {
    piece = ChessBrd1Promotion();
  };

  // The hidden board computes move suggestions; it is never shown.
  ChessBrd2 = new TChessBrd(P8);
  ChessBrd2->setObjectName(QStringLiteral("ChessBrd2"));
  ChessBrd2->SetAnimateMoves(false);
  ChessBrd2->SetBoardLines(false);
  ChessBrd2->SetDisplayCoords(0);
  ChessBrd2->SetResizable(false);
  ChessBrd2->SetSearchDepth(3);
  ChessBrd2->SetSizeOfSquare(23);
  ChessBrd2->SetSizeOfBorder(24);
  ChessBrd2->hide();
}

void Tform45::P12Resize() {
  if (!ChessBrd1) return;
  ChessBrd1->setGeometry(BoardPlace(P12->size(), ChessBrd1->SizeOfBorder()));
}

void Tform45::UpdateListBox() {
  ChessBrd1->YellowHighlight = false;
  ChessBrd1->GreenHighlight = false;
  ChessBrd1->SetKeptMarks(false, {}, false, {});
  ChessBrd1->DrawMarks();
  P8->clear();
  std::vector<std::string> lines;
  ChessBrd1->GetMoveList(lines);
  {
    const QSignalBlocker quiet(LB1);
    LB1->clear();
    for (const std::string& line : lines) LB1->addItem(Text(line));
    LB1->setCurrentRow(-1);
  }
  ThinkStart = TickCount();
  LB1->SetTopLine(FirstVisibleMoveLine(LB1->count()));
  if (MarkLastMove && !lines.empty()) {
    TChessBrd::GreenMark = {ChessBrd1->LastMoveFromFile(), ChessBrd1->LastMoveFromRank(),
                            ChessBrd1->LastMoveToFile(), ChessBrd1->LastMoveToRank()};
    ChessBrd1->GreenHighlight = true;
    ChessBrd1->DrawMarks();
    ChessBrd1->GreenHighlight = false;
    // Also kept over the board, so that a repaint, a resize or a cancelled drag keeps it.
    ChessBrd1->SetKeptMarks(true, TChessBrd::GreenMark, false, {});
  }
}

void Tform45::D5click() {
  if (!ChessBrd1) return;
  WhiteClockMs = 0;
  BlackClockMs = 0;
  GameOver = false;
  ClocksStopped = false;
  // MarkLastMove keeps following its tick: the fresh board lists no move, so the last move of
  // the previous game is not framed (UpdateListBox), and the first move of the new game is.
  P8->clear();
  ChessBrd1->NewGame();
  UpdateListBox();
}

void Tform45::PlayerChanged(TRadioGroup* group, bool white) {
  const bool computer = group->ItemIndex() == kComputer;
  if (GameOver && computer) D5click();
  if (white)
    ChessBrd1->SetComputerPlaysWhite(computer);
  else
    ChessBrd1->SetComputerPlaysBlack(computer);
  if (ChessBrd1->CustomEngine()) ChessBrd1->ResumeCustomEngine();
  D4->setVisible(G1->ItemIndex() == kComputer && G2->ItemIndex() == kComputer);
}

void Tform45::G2C() {
  PlayerChanged(G2, true);
}
void Tform45::G1C() {
  PlayerChanged(G1, false);
}

void Tform45::D4Click() {
  ClocksStopped = true;
  G2->SetItemIndex(kHuman);
  G1->SetItemIndex(kHuman);
  ChessBrd1->StopThinking();
}

void Tform45::BMClick() {
  if (ChessBrd1->CustomEngine()) return ChessBrd1->ResumeCustomEngine();
  ChessBrd1->StartThinking();
}

void Tform45::C1C() {
  ChessBrd1->SetWhiteOnTop(C1->isChecked());
  const QPoint white = G2->pos();
  G2->move(G1->pos());
  G1->move(white);
}

void Tform45::T1Change() {
  ChessBrd1->SetSearchDepth(Rx1->value());
  L3->setText(Text(LevelName(Rx1->value())));
}

void Tform45::Timer1Timer() {
  if (probleme && probleme->Shown()) {
    probleme->ShowElapsedTime();
    return;
  }
  if (ChessBrd1->Thinking()) {
    P10->setText(Text(ThinkingText(TickCount() - ThinkStart)));
    if (G2->ItemIndex() == kHuman) SoundDue = true;
  } else {
    if (SoundOn && SoundDue) {
      PlaySound();
      SoundDue = false;
    }
    P10->clear();
    ThinkStart = TickCount();
  }
  if (!ClocksStopped) {
    if (ChessBrd1->WhiteToMove()) {
      WhiteClockMs += kTickMs;
      L6->setText(Text(ClockText(WhiteClockMs)));
    } else {
      BlackClockMs += kTickMs;
      L7->setText(Text(ClockText(BlackClockMs)));
    }
  }
}

void Tform45::PlaySound() {
  ++SoundsPlayed;
  if (!sound_) sound_ = std::make_unique<TSound>();
  sound_->Play();
}

void Tform45::D2Click() {
  const QString move = ShownMoveWords();
  if (ChessBrd1->MoveBack() && !move.isEmpty())
    Say(QStringLiteral("Zug zurückgenommen: ") + move);
  UpdateListBox();
}

void Tform45::D3Click() {
  if (ChessBrd1->MoveForward()) {
    const QString move = ShownMoveWords();
    if (!move.isEmpty()) Say(QStringLiteral("Zug wiederholt: ") + move);
  }
  UpdateListBox();
}

void Tform45::LB1C() {
  const RecordPlace place = PlaceAfterLine(LB1->currentRow());
  ChessBrd1->GoToMove(place.move_number, place.white_to_move);
}

void Tform45::tonClick() {
  // The menu item has already toggled its tick when this runs.
  SoundOn = ton->isChecked();
}

void Tform45::M23Click() {
  MarkLastMove = M23->isChecked();
}
void Tform45::M24Click() {
  MarkSuggestion = M24->isChecked();
}

void Tform45::ChessBrd1LegalMove() {
  // A move the engine found between two ticks was never seen thinking by the timer; it is
  // due its sound all the same when White is played by a person.
  const bool white_moved = !ChessBrd1->WhiteToMove();
  const bool by_computer =
      white_moved ? ChessBrd1->ComputerPlaysWhite() : ChessBrd1->ComputerPlaysBlack();
  if (by_computer && G2->ItemIndex() == kHuman) SoundDue = true;
  P8->clear();
  UpdateListBox();
}

void Tform45::ChessBrd1Check() {
  P8->setText(QStringLiteral("Tavrel !"));
}

// Clocks frozen, the message shown, and both players "Mensch" once it is closed.
void Tform45::EndGame(const QString& message) {
  ClocksStopped = true;
  ShowMessage(this, message);
  GameOver = true;
  G1->SetItemIndex(kHuman);
  G2->SetItemIndex(kHuman);
}

void Tform45::ChessBrd1Mate() {
  AnnounceResult(ChessBrd1->WhiteToMove() ? QStringLiteral("Matt – Schwarz gewinnt")
                                          : QStringLiteral("Matt – Weiß gewinnt"));
  EndGame(kMateMessage);
  WhiteClockMs = 0;
  BlackClockMs = 0;
}

void Tform45::ChessBrd1Draw() {
  AnnounceResult(kDrawMessage);
  EndGame(kDrawMessage);
}

// The record has no room for another move: the game ends as after a draw, and the computer
// players are switched off so that nobody waits for a move that cannot come.
void Tform45::ChessBrd1RecordFull() {
  AnnounceResult(kRecordFullMessage);
  EndGame(kRecordFullMessage);
}

char Tform45::ChessBrd1Promotion() const {
  if (R2->isChecked()) return 'R';
  if (R3->isChecked()) return 'N';
  if (R4->isChecked()) return 'B';
  return 'Q';
}

void Tform45::ConnectHandlers() {
  connect(G2, &TRadioGroup::Changed, this, &Tform45::G2C);
  connect(G1, &TRadioGroup::Changed, this, &Tform45::G1C);
  connect(C1, &QCheckBox::toggled, this, &Tform45::C1C);
  connect(Rx1, &QSpinBox::valueChanged, this, &Tform45::T1Change);
  // A line chosen by the user, with the mouse or the arrow keys; the list is filled and
  // selected by the program with its signals blocked.
  connect(LB1, &QListWidget::currentRowChanged, this, &Tform45::LB1C);
  LB1->ShownLine = [this] {
    return LineBefore({ChessBrd1->CurrentMove(), ChessBrd1->WhiteToMove()});
  };
  connect(D2, &QPushButton::clicked, this, &Tform45::D2Click);
  connect(D3, &QPushButton::clicked, this, &Tform45::D3Click);
  connect(D4, &QPushButton::clicked, this, &Tform45::D4Click);
  connect(D5, &QPushButton::clicked, this, &Tform45::D5click);
  connect(S7, &QToolButton::clicked, this, &Tform45::S7Click);
  connect(Timer1, &QTimer::timeout, this, &Tform45::Timer1Timer);

  connect(Beenden, &QAction::triggered, this, &Tform45::S7Click);
  connect(NeuesSpiel, &QAction::triggered, this, &Tform45::D5click);
  connect(AbbruchAutomatisch, &QAction::triggered, this, &Tform45::D4Click);
  connect(ZugAusfuehren, &QAction::triggered, this, &Tform45::BMClick);
  connect(ZugZurueck, &QAction::triggered, this, &Tform45::D2Click);
  connect(ZugVorwaerts, &QAction::triggered, this, &Tform45::D3Click);
  connect(m20, &QAction::triggered, this, &Tform45::m20Click);
  connect(M21, &QAction::triggered, this, &Tform45::M21Click);
  connect(M23, &QAction::triggered, this, &Tform45::M23Click);
  connect(M24, &QAction::triggered, this, &Tform45::M24Click);
  connect(ton, &QAction::triggered, this, &Tform45::tonClick);
}

}  // namespace tavrel
