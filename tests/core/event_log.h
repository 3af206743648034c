// Records every board event as one line, so tests can compare whole sequences.
#pragma once

#include <string>
#include <vector>

#include "core/chessboard.h"

namespace tavrel::testing {

inline std::string SqName(Square s) {
  if (!IsBoardSquare(s)) return "--";
  return {static_cast<char>('a' + FileOf(s) - 1), static_cast<char>('0' + RankOf(s))};
}

struct EventLog {
  std::vector<std::string> lines;
  ChessBoard* expectedSender = nullptr;
  bool wrongSender = false;

  // Assigns every event of the board; `promotion` (when not 0) is what the promotion handler
  // chooses, `withMate` leaves OnMate unassigned when false.
  void Attach(ChessBoard& b, char promotion = 0, bool withMate = true, bool withPromotion = true) {
    expectedSender = &b;
    auto move = [this](const char* name) {
      return [this, name](ChessBoard* s, Square o, Square n) {
        Note(s, std::string(name) + " " + SqName(o) + SqName(n));
      };
    };
    auto notify = [this](const char* name) {
      return [this, name](ChessBoard* s) { Note(s, name); };
    };
    b.OnLegalMove = move("LegalMove");
    b.OnCastle = move("Castle");
    b.OnCheck = move("Check");
    if (withMate) b.OnMate = move("Mate");
    b.OnStaleMate = move("StaleMate");
    b.OnCapture = [this](ChessBoard* s, Square o, Square n, char c) {
      Note(s, "Capture " + SqName(o) + SqName(n) + " " + c);
    };
    if (withPromotion) {
      b.OnPromotion = [this, promotion](ChessBoard* s, Square o, Square n, char& piece) {
        Note(s, "Promotion " + SqName(o) + SqName(n) + " " + piece);
        if (promotion) piece = promotion;
      };
    }
    b.OnNoMatingMaterial = notify("NoMatingMaterial");
    b.OnThreefoldPosition = notify("ThreefoldPosition");
    b.OnDraw = notify("Draw");
    b.OnPaint = notify("Paint");
  }

  void Note(ChessBoard* sender, std::string line) {
    if (sender != expectedSender) wrongSender = true;
    lines.push_back(std::move(line));
  }
};

}  // namespace tavrel::testing
