// Helpers shared by the board core tests.
#pragma once

#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "core/chessboard.h"
#include "core/fen.h"

namespace tavrel::testing {

// Resets the board and sets a FEN position on it (side, rights, en passant included).
inline void SetFen(ChessBoard& board, std::string_view fen) {
  auto p = ParseFen(fen);
  if (!p) throw std::invalid_argument("bad FEN in test: " + std::string(fen));
  board.ResetGame();
  board.SetPosition(p->Board);
  board.SetWhiteToMove(p->WhiteToMove);
  board.SetCastlingAllowed(p->Castling);
  board.SetEnPassant(p->EnPassant);
}

// A parsed FEN; a bad one fails the test.
inline FenPosition Fen(std::string_view fen) {
  auto p = ParseFen(fen);
  EXPECT_TRUE(p) << fen;
  return p ? *p : FenPosition{};
}

// Square from algebraic text, "e4" -> E4.
inline Square Sq(std::string_view name) {
  return SquareAt(name[0] - 'a' + 1, name[1] - '0');
}

}  // namespace tavrel::testing
