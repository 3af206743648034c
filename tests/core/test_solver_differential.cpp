// The fast solver against the literal reference search: same (moves, solution) on positions of
// the shipped collection and on a few hundred generated ones, both sides to move.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "test_solver_reference.h"

namespace tavrel {
namespace {

struct Position {
  std::string placement;
  int maxMoves;
  int side;
};

// Returns whether a mate was found, so that tests can check they compared real answers.
bool ExpectSameAnswer(const Position& p) {
  std::atomic<bool> stop{false};
  const MateSolution fast = SolveMate(p.placement, p.maxMoves, p.side, stop);
  const MateSolution reference = ReferenceSolveMate(p.placement, p.maxMoves, p.side);
  EXPECT_EQ(fast.moves, reference.moves) << p.placement << " side " << p.side;
  EXPECT_EQ(fast.solution, reference.solution) << p.placement << " side " << p.side;
  EXPECT_EQ(fast.firstMove, reference.firstMove) << p.placement;
  return reference.moves > 0;
}

int CountMates(const std::vector<Position>& positions) {
  int mates = 0;
  for (const Position& p : positions) mates += ExpectSameAnswer(p);
  return mates;
}

// Random positions: both kings, a few pieces per side, pawns off the first and last rank. Many
// are refused (side not to move in check); both solvers must refuse the same ones.
std::vector<Position> RandomPositions(uint32_t seed, int count, const char* whitePieces,
                                      const char* blackPieces, int maxWhite, int maxBlack,
                                      int maxMoves, bool castlingSetup) {
  std::mt19937 rng(seed);
  std::vector<Position> positions;
  const std::string white = whitePieces, black = blackPieces;
  while (static_cast<int>(positions.size()) < count) {
    std::string text(64, ' ');
    auto put = [&](char piece) {
      for (;;) {
        const int square = static_cast<int>(rng() % 64);
        const bool pawn = piece == 'P' || piece == 'p';
        if (text[square] != ' ' || (pawn && (square < 8 || square >= 56))) continue;
        text[square] = piece;
        return;
      }
    };
    if (castlingSetup) {
      text[60] = 'K';  // e1
      text[63] = 'R';  // h1
      text[56] = 'R';  // a1
      text[4] = 'k';   // e8
      if (rng() % 2) text[7] = 'r';
      if (rng() % 2) text[0] = 'r';
    } else {
      put('K');
      put('k');
    }
    const int whiteCount = 1 + static_cast<int>(rng() % maxWhite);
    const int blackCount = static_cast<int>(rng() % (maxBlack + 1));
    for (int i = 0; i < whiteCount; ++i) put(white[rng() % white.size()]);
    for (int i = 0; i < blackCount; ++i) put(black[rng() % black.size()]);
    const int side = rng() % 4 == 0 ? kSolverBlack : kSolverWhite;
    positions.push_back({BoardTextToPlacement(text), maxMoves, side});
  }
  return positions;
}

TEST(SolverDifferential, RandomPositionsMateInTwo) {
  EXPECT_GT(CountMates(RandomPositions(11, 400, "QRRBBNNPPP", "rbnpppp", 4, 4, 2, false)), 0);
}

TEST(SolverDifferential, RandomPositionsMateInThree) {
  EXPECT_GT(CountMates(RandomPositions(23, 80, "QRBNPP", "bnpp", 2, 2, 3, false)), 0);
}

TEST(SolverDifferential, CastlingAndPawnDoubleSteps) {
  // Kings and rooks on their start squares and pawns that can step twice bring castling and
  // en passant into the tree.
  EXPECT_GT(CountMates(RandomPositions(37, 120, "QBNPPPP", "nbpppp", 3, 3, 2, true)), 0);
}

TEST(SolverDifferential, EnPassantInsideTheTree) {
  const Position positions[] = {
      // Black's d7-d5 is forced sooner or later; e5xd6 e.p. is then a move of the tree.
      {"7k/3p4/8/4P3/8/8/8/R5K1/", 3, kSolverWhite},
      {"8/8/8/8/3p4/8/2P1P3/3K2k1/", 2, kSolverBlack},
      {"k7/2p5/8/1P6/8/8/8/1R4K1/", 3, kSolverWhite},
      {"4k3/8/8/8/4p3/8/3P1P2/4K2R/", 2, kSolverWhite},
  };
  for (const Position& p : positions) ExpectSameAnswer(p);
}

TEST(SolverDifferential, ShippedMatesInTwo) {
  const char* root = std::getenv("TAVREL_SOURCE_DIR");
  ASSERT_NE(root, nullptr);
  std::ifstream in(std::string(root) + "/resources/problems/mtavrel.txt");
  ASSERT_TRUE(in.good());
  std::string title, moves, position;
  int compared = 0;
  while (std::getline(in, title) && std::getline(in, moves) && std::getline(in, position)) {
    const int n = std::stoi(moves);
    if (n > 2) continue;  // the reference is far too slow beyond two moves
    EXPECT_TRUE(ExpectSameAnswer({BoardTextToPlacement(position), n, kSolverWhite})) << title;
    ++compared;
  }
  EXPECT_GT(compared, 5);
}

}  // namespace
}  // namespace tavrel
