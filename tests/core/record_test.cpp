// Game record: navigation, the German move list and the record bound.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "board_test_util.h"

namespace tavrel {
namespace {

using testing::SetFen;
using testing::Sq;

void Play(ChessBoard& b, const std::string& moves) {
  std::istringstream in(moves);
  std::string m;
  while (in >> m) ASSERT_TRUE(b.ExecuteMove(Sq(m.substr(0, 2)), Sq(m.substr(2, 2)))) << m;
}

std::vector<std::string> MoveList(ChessBoard& b) {
  std::vector<std::string> lines;
  b.GetMoveList(lines);
  return lines;
}

TEST(MoveListTest, GermanNotationByteForByte) {
  ChessBoard b;
  Play(b, "e2e4 d7d5 e4d5 d8d5 b1c3 d5e5 f1e2 c8g4 g1f3 b8c6 e1g1 e8c8");
  EXPECT_EQ(MoveList(b),
            (std::vector<std::string>{"1. e2-e4", "\td7-d5", "2. e4xd5", "\tDd8xd5", "3. Sb1-c3",
                                      "\tDd5-e5+", "4. Lf1-e2", "\tLc8-g4", "5. Sg1-f3", "\tSb8-c6",
                                      "6. 0-0", "\t0-0-0"}));
  EXPECT_EQ(b.LastMoveFromFile(), 5);
  EXPECT_EQ(b.LastMoveFromRank(), 8);
  EXPECT_EQ(b.LastMoveToFile(), 3);
  EXPECT_EQ(b.LastMoveToRank(), 8);
}

TEST(MoveListTest, EnPassantPromotionAndRookMoves) {
  ChessBoard b;
  SetFen(b, "4k3/1P6/8/3pP3/8/8/8/R3K3 w Q d6 0 1");
  Play(b, "e5d6 e8f7 b7b8 f7g6 a1a7");
  EXPECT_EQ(MoveList(b), (std::vector<std::string>{"1. e5-d6", "\tKe8-f7", "2. b7-b8", "\tKf7-g6",
                                                   "3. Ta1-a7"}));
}

TEST(MoveListTest, PromotionThatChecksGetsPlus) {
  ChessBoard b;
  SetFen(b, "k7/4P3/8/8/8/8/8/K7 w - - 0 1");
  Play(b, "e7e8");
  EXPECT_EQ(MoveList(b), std::vector<std::string>{"1. e7-e8+"});
}

TEST(MoveListTest, EmptyListKeepsLastMoveFields) {
  ChessBoard b;
  Play(b, "e2e4");
  MoveList(b);
  b.NewGame();
  EXPECT_TRUE(MoveList(b).empty());
  EXPECT_EQ(b.LastMoveToFile(), 5);
  EXPECT_EQ(b.LastMoveToRank(), 4);
}

TEST(NavigationTest, BackForwardAndCutOff) {
  ChessBoard b;
  Play(b, "e2e4 e7e5 g1f3 b8c6");
  const std::string end = b.Position();
  ASSERT_TRUE(b.MoveBack());
  ASSERT_TRUE(b.MoveBack());
  ASSERT_TRUE(b.MoveBack());
  EXPECT_EQ(b.CurrentMove(), 1);
  EXPECT_FALSE(b.WhiteToMove());
  EXPECT_EQ(MoveList(b).size(), 4u);  // the whole game is still listed
  EXPECT_EQ(b.Squares()[E4], 'P');
  EXPECT_EQ(b.Squares()[E5], ' ');
  ASSERT_TRUE(b.MoveForward());
  ASSERT_TRUE(b.MoveForward());
  ASSERT_TRUE(b.MoveForward());
  EXPECT_EQ(b.Position(), end);
  EXPECT_FALSE(b.MoveForward());
  ASSERT_TRUE(b.GoToMove(2, true));
  Play(b, "f1c4");
  EXPECT_EQ(MoveList(b), (std::vector<std::string>{"1. e2-e4", "\te7-e5", "2. Lf1-c4"}));
  EXPECT_EQ(b.LastMoveNumber(), 2);
  EXPECT_FALSE(b.WhiteToMoveAtEnd());
}

TEST(NavigationTest, RestoresRightsAndEnPassant) {
  ChessBoard b;
  Play(b, "e2e4 d7d5 e1e2");
  EXPECT_EQ(b.CastlingAllowed(), BlackKingSide | BlackQueenSide);
  ASSERT_TRUE(b.GoToMove(2, true));
  EXPECT_EQ(b.EnPassant(), D6);
  EXPECT_EQ(b.CastlingAllowed(), AllCastling);
  ASSERT_TRUE(b.GoToMove(2, false));
  EXPECT_EQ(b.EnPassant(), None);
}

struct GoToCase {
  const char* name;
  int move;
  bool white;
  bool accepted;
};

class GoToMoveTest : public ::testing::TestWithParam<GoToCase> {};

TEST_P(GoToMoveTest, Bounds) {
  ChessBoard b;
  Play(b, "e2e4 e7e5 g1f3");  // record ends with Black to move at move 2
  const std::string before = b.Position();
  EXPECT_EQ(b.GoToMove(GetParam().move, GetParam().white), GetParam().accepted);
  if (!GetParam().accepted) {
    EXPECT_EQ(b.Position(), before);
    EXPECT_EQ(b.CurrentMove(), 2);
  }
}

INSTANTIATE_TEST_SUITE_P(Record, GoToMoveTest,
                         ::testing::Values(GoToCase{"Start", 1, true, true},
                                           GoToCase{"End", 2, false, true},
                                           GoToCase{"BeyondEnd", 3, true, false},
                                           GoToCase{"FarBeyond", 1000, true, false},
                                           GoToCase{"Zero", 0, false, false},
                                           GoToCase{"Negative", -5, true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(NavigationTest, UnplayedWhiteHalfMoveAtEndRefused) {
  ChessBoard b;
  Play(b, "e2e4 e7e5");
  EXPECT_FALSE(b.GoToMove(2, false));
  EXPECT_TRUE(b.GoToMove(2, true));
}

TEST(NavigationTest, FirstHalfMoveBeforeAnyMoveShowsCurrentPosition) {
  ChessBoard b;
  Play(b, "e2e4");  // leaves an entry (1, 0) behind from an earlier game
  b.NewGame();
  b.SetPosition("k      K");
  ASSERT_TRUE(b.GoToMove(1, true));
  EXPECT_EQ(b.Position(), "k      K" + std::string(56, ' '));
  EXPECT_FALSE(b.MoveBack());
}

TEST(NavigationTest, WritingCurrentMoveChangesNothing) {
  ChessBoard b;
  b.SetCurrentMove(17);
  EXPECT_EQ(b.CurrentMove(), 1);
}

TEST(NavigationTest, RedrawChangedSquaresDrawsOnlyDifferences) {
  struct Recorder : ChessBoard {
    std::vector<int> squares, pieces;
    int marks = 0;
    void DrawSquare(Square s) override { squares.push_back(s); }
    void DrawPiece(Square s, char) override { pieces.push_back(s); }
    void DrawMarks() override { ++marks; }
  } b;
  std::string old = b.Position();
  old[E2 - 1] = ' ';
  old[E4 - 1] = 'P';
  b.RedrawChangedSquares(old);
  EXPECT_EQ(b.squares, (std::vector<int>{E4, E2}));
  EXPECT_EQ(b.pieces, (std::vector<int>{E2}));
  EXPECT_EQ(b.marks, 1);
}

TEST(RecordTest, EntryOutsideRecordThrows) {
  ChessBoard b;
  EXPECT_THROW(b.Entry(257, 0), std::out_of_range);
  EXPECT_THROW(b.Entry(1, 3), std::out_of_range);
  EXPECT_NO_THROW(b.Entry(256, 2));
}

}  // namespace
}  // namespace tavrel
