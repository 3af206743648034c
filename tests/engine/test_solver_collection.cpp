// The shipped problem collection: every entry is well formed and has a forced mate in exactly
// its stated number of moves, White to move, with a legal first move.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/solver.h"

namespace tavrel {
namespace {

struct Problem {
  std::string title;
  int moves = 0;
  std::string position;
};

std::vector<Problem> ReadCollection() {
  const char* root = std::getenv("TAVREL_SOURCE_DIR");
  if (root == nullptr) return {};
  std::ifstream in(std::string(root) + "/resources/problems/mtavrel.txt");
  std::vector<Problem> problems;
  std::string title, moves, position;
  while (std::getline(in, title)) {
    Problem p;
    p.title = title;
    if (!std::getline(in, moves) || !std::getline(in, position)) {
      ADD_FAILURE() << "incomplete entry " << title;
      break;
    }
    p.moves = std::stoi(moves);
    EXPECT_EQ(std::to_string(p.moves), moves) << title;
    // Trailing blanks of a position are empty squares; an editor may have cut them.
    EXPECT_LE(position.size(), 64u) << title;
    position.resize(64, ' ');
    p.position = position;
    problems.push_back(p);
  }
  return problems;
}

TEST(ProblemCollection, EntriesAreWellFormedAndNumberedFromZero) {
  const std::vector<Problem> problems = ReadCollection();
  ASSERT_GE(problems.size(), 40u);
  for (size_t i = 0; i < problems.size(); ++i) {
    const Problem& p = problems[i];
    const std::string prefix = std::to_string(i) + ". ";
    EXPECT_EQ(p.title.substr(0, prefix.size()), prefix) << p.title;
    EXPECT_GT(p.title.size(), prefix.size()) << "entry " << i << " has no name";
    EXPECT_GE(p.moves, 2) << p.title;
    EXPECT_LE(p.moves, 5) << p.title;
    EXPECT_EQ(p.position.find_first_not_of(" PNBRQKpnbrqk"), std::string::npos) << p.title;
  }
}

TEST(ProblemCollection, EveryProblemIsMateInExactlyItsMoves) {
  for (const Problem& p : ReadCollection()) {
    const std::string placement = BoardTextToPlacement(p.position);
    std::atomic<bool> stop{false};
    // Searching one move further than stated proves that no shorter mate exists, since the
    // solver gives the shortest one.
    const MateSolution result = SolveMate(placement, p.moves + 1, kSolverWhite, stop);
    EXPECT_EQ(result.moves, p.moves) << p.title;
    ASSERT_NE(result.firstMove.kind, 0) << p.title;

    SolverBoard board;
    ASSERT_TRUE(ParsePlacement(placement, board)) << p.title;
    SolverMoveList legal;
    GeneratePieceMoves(board, result.firstMove.from, kSolverWhite, {.legalOnly = true}, legal);
    bool found = false;
    for (int i = 0; i < legal.count; ++i) found |= legal.moves[i] == result.firstMove;
    EXPECT_TRUE(found) << p.title << ": " << result.solution << " is not a legal move";
  }
}

}  // namespace
}  // namespace tavrel
