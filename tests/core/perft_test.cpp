// The rules against published perft counts: every (from, to) pair that IsLegalMove accepts is
// played through ExecuteMove and taken back with GoToMove; a promotion counts four times.
#include <gtest/gtest.h>

#include <cstdint>

#include "board_test_util.h"
#include "perft_table.h"

namespace tavrel {
namespace {

using testing::SetFen;

bool IsPromotion(const ChessBoard& b, int from, int to) {
  char c = b.Squares()[from];
  return (c == 'P' && RankOf(to) == 8) || (c == 'p' && RankOf(to) == 1);
}

uint64_t Perft(ChessBoard& b, int depth) {
  uint64_t nodes = 0;
  const int move = b.CurrentMove();
  const bool white = b.WhiteToMove();
  for (int from = 1; from <= 64; ++from) {
    if (b.PieceColor(from) != (white ? 1 : 0)) continue;
    for (int to = 1; to <= 64; ++to) {
      if (!b.IsLegalMove(from, to)) continue;
      const bool promo = IsPromotion(b, from, to);
      if (depth == 1) {
        nodes += promo ? 4 : 1;
        continue;
      }
      for (char piece : promo ? std::string_view("qrbn") : std::string_view("q")) {
        b.SetPromotionPiece(piece);
        EXPECT_TRUE(b.ExecuteMove(from, to));
        nodes += Perft(b, depth - 1);
        EXPECT_TRUE(b.GoToMove(move, white));
      }
    }
  }
  return nodes;
}

class PerftTest : public ::testing::TestWithParam<testing::PerftCase> {};

TEST_P(PerftTest, MatchesPublishedCount) {
  const auto& c = GetParam();
  ChessBoard board;
  SetFen(board, c.fen);
  EXPECT_EQ(Perft(board, c.boardDepth), c.nodes[c.boardDepth]);
}

INSTANTIATE_TEST_SUITE_P(Published, PerftTest, ::testing::ValuesIn(testing::kPerftTable),
                         testing::PerftName);

}  // namespace
}  // namespace tavrel
