// Behaviour of the mate solver: answers on small known positions, refused placements, the
// building blocks (placement reader, generator, move execution, notation) and stopping.
#include "core/solver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace tavrel {
namespace {

MateSolution Solve(std::string_view placement, int maxMoves, int side = kSolverWhite) {
  std::atomic<bool> stop{false};
  return SolveMate(placement, maxMoves, side, stop);
}

SolverBoard Parsed(std::string_view placement) {
  SolverBoard board;
  EXPECT_TRUE(ParsePlacement(placement, board)) << placement;
  return board;
}

struct SolveCase {
  const char* name;
  const char* placement;
  int maxMoves;
  int side;
  int moves;
  const char* solution;
};

class SolveMateCases : public ::testing::TestWithParam<SolveCase> {};

TEST_P(SolveMateCases, GivesShortestMateAndFirstMove) {
  const SolveCase& c = GetParam();
  const MateSolution result = Solve(c.placement, c.maxMoves, c.side);
  EXPECT_EQ(result.moves, c.moves);
  EXPECT_EQ(result.solution, c.solution);
  EXPECT_EQ(result.firstMove.kind == 0, c.moves == 0);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, SolveMateCases,
    ::testing::Values(
        SolveCase{"StartPositionHasNoMateInTwo", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/", 2,
                  kSolverWhite, 0, ""},
        // The queen comes before the king in list order, a8 is its first square.
        SolveCase{"QueenBeforeKingInListOrder", "6k1/Q7/6K1/8/8/8/8/8/", 3, kSolverWhite, 1,
                  "Qa7-a8"},
        // The rook promotion mates as well; the queen is generated first.
        SolveCase{"QueenPromotionFirst", "7k/5P2/6K1/8/8/8/8/8/", 3, kSolverWhite, 1, "f7-f8=Q"},
        // Qg5-g6 comes before Qg5-g7 in generation order but stalemates.
        SolveCase{"StalemateIsNoMate", "7k/5K2/8/6Q1/8/8/8/8/", 1, kSolverWhite, 1, "Qg5-g7"},
        // The rook alone on f1 leaves g2 free; only the castled king covers it.
        SolveCase{"ShortCastlingMates", "8/8/8/8/4ppp1/5k2/3P3P/2N1K2R/", 1, kSolverWhite, 1,
                  "Ke1-g1 OO"},
        SolveCase{"LongCastlingMates", "8/8/8/8/2ppp3/3k4/1P3P2/R3K1N1/", 1, kSolverWhite, 1,
                  "Ke1-c1 OOO"},
        // Mirror of the queen case: Black mates, with upper-case letters.
        SolveCase{"BlackQueenMates", "8/8/8/8/8/6k1/q7/6K1/", 1, kSolverBlack, 1, "Qa2-g2"},
        SolveCase{"MateInTwoNeedsTwo", "k7/8/2K5/8/8/8/8/7R/", 1, kSolverWhite, 0, ""},
        SolveCase{"RookMateInTwo", "k7/8/2K5/8/8/8/8/7R/", 3, kSolverWhite, 2, "Kc6-c7"},
        SolveCase{"MaxMovesZero", "6k1/Q7/6K1/8/8/8/8/8/", 0, kSolverWhite, 0, ""},
        SolveCase{"MaxMovesNegative", "6k1/Q7/6K1/8/8/8/8/8/", -3, kSolverWhite, 0, ""},
        SolveCase{"SideNotPlusOrMinusOne", "6k1/Q7/6K1/8/8/8/8/8/", 1, 0, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct PlacementCase {
  const char* name;
  const char* placement;
};

class InvalidPlacements : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(InvalidPlacements, AreRefusedWithoutSearching) {
  SolverBoard board;
  EXPECT_FALSE(ParsePlacement(GetParam().placement, board));
  // A raised stop flag would make any search fail too; an already refused placement must not
  // depend on it, so this checks the refusal itself.
  EXPECT_EQ(Solve(GetParam().placement, 2).moves, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Refused, InvalidPlacements,
    ::testing::Values(PlacementCase{"TwoWhiteKings", "6k1/Q7/6K1/8/8/8/8/K7/"},
                      PlacementCase{"NoWhiteKing", "6k1/Q7/8/8/8/8/8/8/"},
                      PlacementCase{"NoBlackKing", "8/Q7/6K1/8/8/8/8/8/"},
                      PlacementCase{"NineWhitePawns", "k7/8/8/8/P7/8/PPPPPPPP/K7/"},
                      PlacementCase{"NineBlackPawns", "k7/pppppppp/8/8/p7/8/8/K7/"},
                      PlacementCase{"SeventeenPieces", "k7/8/8/NNNNNNNN/NNNNNNNN/8/8/K7/"},
                      PlacementCase{"RankOfSevenSquares", "6k1/Q6/6K1/8/8/8/8/8/"},
                      PlacementCase{"RankOfNineSquares", "6k1/Q8/6K1/8/8/8/8/8/"},
                      PlacementCase{"PieceAfterFullRank", "6k1/Q7K/8/8/8/8/8/8/"},
                      PlacementCase{"NoFinalSlash", "6k1/Q7/6K1/8/8/8/8/8"},
                      PlacementCase{"SevenRanks", "6k1/Q7/6K1/8/8/8/8/"},
                      PlacementCase{"TextAfterEighthRank", "6k1/Q7/6K1/8/8/8/8/8/ w"},
                      PlacementCase{"DigitZero", "6k1/Q7/6K1/08/8/8/8/8/"},
                      PlacementCase{"DigitNine", "6k1/Q7/6K1/9/8/8/8/8/"},
                      PlacementCase{"ForeignLetter", "6k1/Q7/6K1/8/7X/8/8/8/"},
                      PlacementCase{"Empty", ""}),
    [](const auto& info) { return std::string(info.param.name); });

class UnsearchablePositions : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(UnsearchablePositions, AreReadButGiveNoSolution) {
  SolverBoard board = Parsed(GetParam().placement);
  EXPECT_FALSE(IsSearchablePosition(board, kSolverWhite));
  EXPECT_EQ(Solve(GetParam().placement, 3).moves, 0);
}

INSTANTIATE_TEST_SUITE_P(Refused, UnsearchablePositions,
                         ::testing::Values(
                             // White to move could take the black king.
                             PlacementCase{"DefenderInCheck", "R5k1/8/6K1/8/8/8/8/8/"},
                             PlacementCase{"AdjacentKings", "6k1/6K1/8/8/8/8/8/Q7/"},
                             PlacementCase{"WhitePawnOnLastRank", "P5k1/Q7/6K1/8/8/8/8/8/"},
                             PlacementCase{"WhitePawnOnFirstRank", "6k1/Q7/6K1/8/8/8/8/P7/"},
                             PlacementCase{"BlackPawnOnFirstRank", "6k1/Q7/6K1/8/8/8/8/p7/"},
                             PlacementCase{"BlackPawnOnLastRank", "p5k1/Q7/6K1/8/8/8/8/8/"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SolveMate, AttackerInCheckIsSearched) {
  // White is in check from the rook on g1: Qa7-a8 would mate but is illegal, and no legal move
  // mates.
  const MateSolution result = Solve("6k1/Q7/6K1/8/8/8/8/6r1/", 1);
  EXPECT_EQ(result.moves, 0);
}

TEST(ParsePlacement, SetsCastlingFlagsFromPlacementAlone) {
  const SolverBoard board = Parsed("r3k2r/8/8/8/8/8/8/R3K1R1/");
  EXPECT_TRUE(board.white.king);
  EXPECT_TRUE(board.white.aRook);
  EXPECT_FALSE(board.white.hRook);
  EXPECT_TRUE(board.black.king);
  EXPECT_TRUE(board.black.aRook);
  EXPECT_TRUE(board.black.hRook);
  EXPECT_EQ(board.epCell, 0);
  EXPECT_EQ(board.whiteKing, CellOf(5, 1));
  EXPECT_EQ(board.blackKing, CellOf(5, 8));
}

TEST(ParsePlacement, ReadsOnlyTheFirstEightyCharacters) {
  SolverBoard board;
  // 80 characters of a valid text followed by more: the extra text is never seen, but a valid
  // placement is at most 72 characters, so the last "/" is not the end of the read text.
  EXPECT_FALSE(ParsePlacement(std::string("6k1/Q7/6K1/8/8/8/8/8/") + std::string(70, '1'), board));
}

TEST(CellAttacked, SeesEveryKindOfAttacker) {
  // Black pieces around e4; White's e4 is attacked by each of them.
  struct Row {
    const char* name;
    const char* placement;
    bool attacked;
  };
  const Row rows[] = {
      {"King", "8/8/8/5k2/8/8/8/7K/", true},
      {"BishopDiagonal", "k7/8/8/8/8/8/8/b6K/", false},
      {"BishopOnDiagonal", "k7/1b6/8/8/8/8/8/7K/", true},
      {"RookOnFile", "k3r3/8/8/8/8/8/8/7K/", true},
      {"RookBlocked", "k3r3/4p3/8/8/8/8/8/7K/", false},
      {"QueenOnRank", "k7/8/8/8/q7/8/8/7K/", true},
      {"Knight", "k7/8/3n4/8/8/8/8/7K/", true},
      {"BlackPawnAttacksDownwards", "k7/8/8/3p4/8/8/8/7K/", true},
      {"BlackPawnBehindDoesNot", "k7/8/8/8/8/3p4/8/7K/", false},
  };
  for (const Row& row : rows) {
    SolverBoard board;
    ASSERT_TRUE(ParsePlacement(row.placement, board)) << row.name;
    EXPECT_EQ(CellAttacked(board, kSolverWhite, CellOf(5, 4), board.blackKing), row.attacked)
        << row.name;
  }
}

TEST(GeneratePieceMoves, PromotionsInQueenRookBishopKnightOrder) {
  const SolverBoard board = Parsed("1n5k/P7/8/8/8/8/8/7K/");
  SolverMoveList list;
  GeneratePieceMoves(board, CellOf(1, 7), kSolverWhite, {}, list);
  ASSERT_EQ(list.count, 8);
  const int expected[] = {5, 4, 3, 2, -5, -4, -3, -2};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(list.moves[i].kind, expected[i]) << i;
  EXPECT_EQ(list.moves[0].to, CellOf(1, 8));
  EXPECT_EQ(list.moves[4].to, CellOf(2, 8));
}

TEST(GeneratePieceMoves, PawnStepsAndEnPassant) {
  SolverBoard board = Parsed("7k/8/8/3pP3/8/8/1P6/7K/");
  board.epCell = CellOf(4, 6);
  SolverMoveList list;
  GeneratePieceMoves(board, CellOf(5, 5), kSolverWhite, {.legalOnly = true}, list);
  ASSERT_EQ(list.count, 2);
  EXPECT_EQ(list.moves[0], (SolverMove{CellOf(5, 5), CellOf(5, 6), 1}));
  EXPECT_EQ(list.moves[1], (SolverMove{CellOf(5, 5), CellOf(4, 6), -8}));
  list.count = 0;
  GeneratePieceMoves(board, CellOf(2, 2), kSolverWhite, {}, list);
  ASSERT_EQ(list.count, 2);
  EXPECT_EQ(list.moves[1].to, CellOf(2, 4));
}

TEST(GeneratePieceMoves, LegalOnlyDropsPinnedMoves) {
  // The knight on e2 is pinned against the king by the rook on e8.
  const SolverBoard board = Parsed("k3r3/8/8/8/8/8/4N3/4K3/");
  SolverMoveList list;
  GeneratePieceMoves(board, CellOf(5, 2), kSolverWhite, {}, list);
  EXPECT_EQ(list.count, 6);
  list.count = 0;
  GeneratePieceMoves(board, CellOf(5, 2), kSolverWhite, {.legalOnly = true}, list);
  EXPECT_EQ(list.count, 0);
}

TEST(GeneratePieceMoves, NoCastlingOutOfOrThroughCheck) {
  struct Row {
    const char* name;
    const char* placement;
    int castlings;
  };
  const Row rows[] = {
      {"BothFree", "k7/8/8/8/8/8/8/R3K2R/", 2},
      {"KingInCheck", "k3r3/8/8/8/8/8/8/R3K2R/", 0},
      {"ThroughF1", "k4r2/8/8/8/8/8/8/R3K2R/", 1},
      {"IntoC1", "k1r5/8/8/8/8/8/8/R3K2R/", 1},
      {"B1AttackedDoesNotMatter", "kr6/8/8/8/8/8/8/R3K2R/", 2},
      {"B1Occupied", "k7/8/8/8/8/8/8/RN2K2R/", 1},
      {"RookNotOnCorner", "k7/8/8/8/8/8/8/1R2K1R1/", 0},
  };
  for (const Row& row : rows) {
    const SolverBoard board = Parsed(row.placement);
    SolverMoveList list;
    GeneratePieceMoves(board, CellOf(5, 1), kSolverWhite, {.legalOnly = true}, list);
    int castlings = 0;
    for (int i = 0; i < list.count; ++i) castlings += std::abs(list.moves[i].kind) >= 6;
    EXPECT_EQ(castlings, row.castlings) << row.name;
  }
}

TEST(ApplySolverMove, CastlingMovesTheRookAndClearsFlags) {
  SolverBoard board = Parsed("r3k2r/8/8/8/8/8/8/R3K2R/");
  ApplySolverMove(board, {CellOf(5, 1), CellOf(7, 1), 6}, kSolverWhite);
  EXPECT_EQ(board.cells[CellOf(6, 1)], kRook);
  EXPECT_EQ(board.cells[CellOf(7, 1)], kKing);
  EXPECT_EQ(board.cells[CellOf(8, 1)], 0);
  EXPECT_EQ(board.whiteKing, CellOf(7, 1));
  EXPECT_FALSE(board.white.king || board.white.aRook || board.white.hRook);
  ApplySolverMove(board, {CellOf(5, 8), CellOf(3, 8), 7}, kSolverBlack);
  EXPECT_EQ(board.cells[CellOf(4, 8)], -kRook);
  EXPECT_EQ(board.cells[CellOf(1, 8)], 0);
  EXPECT_EQ(board.blackKing, CellOf(3, 8));
}

TEST(ApplySolverMove, CapturedCornerRookLosesItsFlag) {
  SolverBoard board = Parsed("r3k2r/8/8/8/8/8/8/R3K2R/");
  ApplySolverMove(board, {CellOf(1, 1), CellOf(1, 8), -1}, kSolverWhite);  // Ra1xa8
  EXPECT_FALSE(board.white.aRook);
  EXPECT_FALSE(board.black.aRook);
  EXPECT_TRUE(board.black.hRook);
  EXPECT_TRUE(board.white.king);
  ApplySolverMove(board, {CellOf(8, 8), CellOf(8, 1), -1}, kSolverBlack);  // Rh8xh1
  EXPECT_FALSE(board.white.hRook);
  EXPECT_FALSE(board.black.hRook);
}

TEST(ApplySolverMove, DoubleStepSetsAndNextMoveClearsEnPassantCell) {
  SolverBoard board = Parsed("7k/3p4/8/4P3/8/8/8/7K/");
  ApplySolverMove(board, {CellOf(4, 7), CellOf(4, 5), 1}, kSolverBlack);
  EXPECT_EQ(board.epCell, CellOf(4, 6));
  ApplySolverMove(board, {CellOf(5, 5), CellOf(4, 6), -8}, kSolverWhite);
  EXPECT_EQ(board.cells[CellOf(4, 5)], 0);
  EXPECT_EQ(board.cells[CellOf(4, 6)], kPawn);
  EXPECT_EQ(board.epCell, 0);
}

TEST(ApplySolverMove, PromotionPutsTheNewPiece) {
  SolverBoard board = Parsed("7k/8/8/8/8/8/p7/7K/");
  ApplySolverMove(board, {CellOf(1, 2), CellOf(1, 1), 2}, kSolverBlack);
  EXPECT_EQ(board.cells[CellOf(1, 1)], -kKnight);
}

TEST(SideHasLegalMove, MateStalemateAndPlay) {
  EXPECT_FALSE(SideHasLegalMove(Parsed("k7/2K5/1Q6/8/8/8/8/8/"), kSolverBlack));  // stalemate
  EXPECT_FALSE(SideHasLegalMove(Parsed("k7/1Q6/1K6/8/8/8/8/8/"), kSolverBlack));  // mate
  EXPECT_TRUE(SideHasLegalMove(Parsed("k7/8/1K6/8/8/8/8/7Q/"), kSolverBlack));
  // Only a pawn can move: the king is boxed in but not in check.
  EXPECT_TRUE(SideHasLegalMove(Parsed("k7/2K5/1Q6/8/8/7p/8/8/"), kSolverBlack));
}

TEST(FormatSolution, EveryKindOfMove) {
  struct Row {
    const char* placement;
    SolverMove move;
    const char* text;
  };
  const Row rows[] = {
      {"4k3/5p2/8/7Q/8/8/8/4K3/", {CellOf(8, 5), CellOf(6, 7), -1}, "Qh5xf7"},
      {"k7/4P3/8/8/8/8/8/4K3/", {CellOf(5, 7), CellOf(5, 8), 5}, "e7-e8=Q"},
      {"k7/4P3/8/8/8/8/8/4K3/", {CellOf(5, 7), CellOf(5, 8), 2}, "e7-e8=N"},
      {"k3r3/3P4/8/8/8/8/8/4K3/", {CellOf(4, 7), CellOf(5, 8), -4}, "d7xe8=R"},
      {"k7/3P4/8/8/8/8/8/4K3/", {CellOf(4, 7), CellOf(4, 8), 3}, "d7-d8=B"},
      {"k7/8/8/8/8/8/8/4K2R/", {CellOf(5, 1), CellOf(7, 1), 6}, "Ke1-g1 OO"},
      {"k7/8/8/8/8/8/8/R3K3/", {CellOf(5, 1), CellOf(3, 1), 7}, "Ke1-c1 OOO"},
      {"k7/8/8/3pP3/8/8/8/4K3/", {CellOf(5, 5), CellOf(4, 6), -8}, "e5xd6 e.p"},
      {"k7/8/8/8/8/2N5/8/4K3/", {CellOf(3, 3), CellOf(2, 5), 1}, "Nc3-b5"},
      {"k7/8/8/8/8/2n5/8/4K3/", {CellOf(3, 3), CellOf(2, 5), 1}, "Nc3-b5"},
      {"k7/8/8/8/8/2b5/8/4K3/", {CellOf(3, 3), CellOf(1, 1), 1}, "Bc3-a1"},
      {"k7/8/8/8/8/8/8/r3K3/", {CellOf(1, 1), CellOf(1, 7), 1}, "Ra1-a7"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FormatSolution(Parsed(row.placement), row.move), row.text);
  }
}

TEST(SquareMoves, CellsToBoardSquaresAndUci) {
  EXPECT_EQ(CellToSquare(22), 1);
  EXPECT_EQ(CellToSquare(99), 64);
  EXPECT_EQ(SquareToCell(CellToSquare(CellOf(5, 1))), CellOf(5, 1));
  const SolverMove promotion{CellOf(5, 7), CellOf(4, 8), -3};
  const SolverSquareMove squares = ToSquareMove(promotion);
  EXPECT_EQ(squares.fromSquare, 13);  // e7
  EXPECT_EQ(squares.toSquare, 4);     // d8
  EXPECT_EQ(squares.promotion, 'b');
  EXPECT_EQ(ToUciMove(promotion), "e7d8b");
  EXPECT_EQ(ToUciMove({CellOf(5, 1), CellOf(7, 1), 6}), "e1g1");
  EXPECT_EQ(ToUciMove({}), "0000");
}

TEST(BoardTextToPlacement, InitialPosition) {
  const std::string text = "rnbqkbnrpppppppp" + std::string(32, ' ') + "PPPPPPPPRNBQKBNR";
  EXPECT_EQ(BoardTextToPlacement(text), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/");
  EXPECT_EQ(BoardTextToPlacement("      k Q"), "6k1/Q7/8/8/8/8/8/8/");
}

// A long search: no mate in 12 from the initial position would take far too long to prove.
constexpr const char* kLongSearch = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/";

TEST(Stopping, FlagRaisedFromAnotherThreadEndsTheSearch) {
  std::atomic<bool> stop{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stop = true;
  });
  const MateSolution result = SolveMate(kLongSearch, 12, kSolverWhite, stop);
  stopper.join();
  EXPECT_EQ(result.moves, 0);
  EXPECT_EQ(result.solution, "");
}

TEST(Stopping, YieldCallbackCanRaiseTheFlag) {
  std::atomic<bool> stop{false};
  int yields = 0;
  const MateSolution result = SolveMate(kLongSearch, 12, kSolverWhite, stop, [&] {
    ++yields;
    stop = true;
  });
  EXPECT_EQ(result.moves, 0);
  EXPECT_EQ(yields, 1);
}

TEST(Stopping, StoppedCallLeavesNothingBehind) {
  // Stop a mate-in-five search part way, then solve the same position in full. The stopped
  // call may only answer nothing or the right answer (if it finished first).
  const char* lasker = "rn3r2/pbppq1p1/1p2pN1k/4N3/3P4/3B4/PPP2PPP/R3K2R/";
  std::atomic<bool> stop{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
  });
  const MateSolution stopped = SolveMate(lasker, 5, kSolverWhite, stop);
  stopper.join();
  if (stopped.moves != 0) {
    EXPECT_EQ(stopped.solution, "Ne5-g4");
  }
  const MateSolution full = Solve(lasker, 5);
  EXPECT_EQ(full.moves, 5);
  EXPECT_EQ(full.solution, "Ne5-g4");
}

TEST(Stopping, AlreadyRaisedFlagGivesNoSolution) {
  std::atomic<bool> stop{true};
  EXPECT_EQ(SolveMate("6k1/Q7/6K1/8/8/8/8/8/", 3, kSolverWhite, stop).moves, 0);
}

}  // namespace
}  // namespace tavrel
