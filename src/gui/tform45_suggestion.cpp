// The move suggestion: the hidden board ChessBrd2 computes a move for the visible game and the
// window shows it under "Zugvorschlag" and, if wanted, as a yellow frame on the visible board.
#include <QLabel>
#include <QPushButton>

#include "gui/game_texts.h"
#include "gui/move_list_box.h"
#include "gui/paths.h"
#include "gui/tform45.h"
#include "gui/tchessbrd.h"

namespace tavrel {

void Tform45::Button7Click() {
  ChessBrd2->NewGame();
  if (LB1->count() == 0) {
    // Before the first move: a suggestion for the position shown (start, variant or set-up).
    ChessBrd2->StartFromPosition(ChessBrd1->Position(), ChessBrd1->WhiteToMove(),
                                 ChessBrd1->CastlingAllowed(), ChessBrd1->EnPassant());
    ChessBrd2->SetComputerPlaysBlack(!ChessBrd2->WhiteToMove());
    ChessBrd2->SetComputerPlaysWhite(ChessBrd2->WhiteToMove());
    return;
  }
  const int line = LB1->currentRow() >= 0 ? LB1->currentRow() : LB1->count() - 1;
  const std::string tip = (tavrel::DataFolder() + QStringLiteral("tavrel.tip")).toStdString();
  ChessBrd1->SaveGameUpTo(tip, line);
  ChessBrd2->LoadGame(tip);
  std::vector<std::string> lines;
  ChessBrd2->GetMoveList(lines);
  const RecordPlace place = PlaceAfterLine(static_cast<int>(lines.size()) - 1);
  ChessBrd2->GoToMove(place.move_number, place.white_to_move);
  // Setting the switches starts the hidden board's engine for the side to move.
  if (ChessBrd2->WhiteToMoveAtEnd()) {
    ChessBrd2->SetComputerPlaysBlack(false);
    ChessBrd2->SetComputerPlaysWhite(true);
  } else {
    ChessBrd2->SetComputerPlaysBlack(true);
    ChessBrd2->SetComputerPlaysWhite(false);
  }
}

void Tform45::ChessBrd2LegalMove() {
  std::vector<std::string> lines;
  ChessBrd2->GetMoveList(lines);
  if (lines.empty()) return;
  Label2->setText(QString::fromStdString(lines.back()).trimmed());
  if (MarkSuggestion) {
    TChessBrd::YellowMark = {ChessBrd2->LastMoveFromFile(), ChessBrd2->LastMoveFromRank(),
                             ChessBrd2->LastMoveToFile(), ChessBrd2->LastMoveToRank()};
    ChessBrd1->YellowHighlight = true;
    ChessBrd1->DrawMarks();
    ChessBrd1->YellowHighlight = false;
    ChessBrd1->SetKeptMarks(ChessBrd1->KeepGreen, ChessBrd1->KeptGreen, true,
                            TChessBrd::YellowMark);
  }
}

void Tform45::ConnectSuggestion() {
  ChessBrd2->OnLegalMove = [this](ChessBoard*, Square, Square) { ChessBrd2LegalMove(); };
  connect(D6, &QPushButton::clicked, this, &Tform45::Button7Click);
  D6->setEnabled(true);
}

}  // namespace tavrel
