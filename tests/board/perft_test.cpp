// The rules against published perft counts: every (from, to) pair that IsLegalMove accepts is
// played through ExecuteMove and taken back with GoToMove; a promotion counts four times.
#include <gtest/gtest.h>

#include <cstdint>

#include "board_test_util.h"

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

struct PerftCase {
  const char* name;
  const char* fen;
  int depth;
  uint64_t nodes;
};

class PerftTest : public ::testing::TestWithParam<PerftCase> {};

TEST_P(PerftTest, MatchesPublishedCount) {
  ChessBoard board;
  SetFen(board, GetParam().fen);
  EXPECT_EQ(Perft(board, GetParam().depth), GetParam().nodes);
}

// Counts from the Chess Programming Wiki perft results page.
INSTANTIATE_TEST_SUITE_P(
    Published, PerftTest,
    ::testing::Values(
        PerftCase{"StartDepth4", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 4,
                  197281},
        PerftCase{"KiwipeteDepth3",
                  "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3, 97862},
        PerftCase{"Position3Depth4", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4, 43238},
        PerftCase{"Position4Depth3",
                  "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3, 9467},
        PerftCase{"Position4MirroredDepth3",
                  "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1", 3, 9467},
        PerftCase{"Position5Depth3", "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3,
                  62379},
        PerftCase{"Position6Depth3",
                  "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 3,
                  89890}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tavrel
