#include "core/placement.h"

#include <gtest/gtest.h>

#include <string>

namespace tavrel {
namespace {

const std::string kInitial = "rnbqkbnrpppppppp" + std::string(32, ' ') + "PPPPPPPPRNBQKBNR";

// A board text with pieces on the named squares ("Kg6", "qa7", ...; upper case White).
std::string Board(std::initializer_list<const char*> pieces) {
  std::string board(64, ' ');
  for (const char* p : pieces)
    board[static_cast<std::size_t>((8 - (p[2] - '0')) * 8 + (p[1] - 'a'))] = p[0];
  return board;
}

struct PlacementCase {
  const char* name;
  std::string board;
  const char* placement;
};

class PositionToPlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PositionToPlacementTest, Converts) {
  EXPECT_EQ(PositionToPlacement(GetParam().board), GetParam().placement);
}

INSTANTIATE_TEST_SUITE_P(
    Boards, PositionToPlacementTest,
    ::testing::Values(
        PlacementCase{"initial", kInitial, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/"},
        PlacementCase{"empty", std::string(64, ' '), "8/8/8/8/8/8/8/8/"},
        PlacementCase{"runs of every length", Board({"Ka1", "kh8", "Qb7", "Rg6", "pc5", "Nd4"}),
                      "7k/1Q6/6R1/2p5/3N4/8/8/K7/"},
        PlacementCase{"full rank then singles", Board({"Ka8", "Bc8", "Ne8", "Rg8", "kh1"}),
                      "K1B1N1R1/8/8/8/8/8/8/7k/"},
        PlacementCase{"short text counts as blanks", "rnbqkbnr", "rnbqkbnr/8/8/8/8/8/8/8/"},
        PlacementCase{"foreign characters copied", "x" + std::string(63, ' '),
                      "x7/8/8/8/8/8/8/8/"}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& c : n)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return n;
    });

TEST(TranslateSolutionLetters, PieceLettersBecomeGerman) {
  const struct {
    const char* solver;
    const char* shown;
  } cases[] = {
      {"Qa7-a8", "Da7-a8"},
      {"Rh1xh8", "Th1xh8"},
      {"Nf3-g5", "Sf3-g5"},
      {"Bc4xf7", "Lc4xf7"},
      {"Ke1-g1 OO", "Ke1-g1 OO"},
      {"f7-f8=Q", "f7-f8=D"},
      {"e7xd8=N", "e7xd8=S"},
      {"b7-b8=B", "b7-b8=L"},
      {"a7-a8=R", "a7-a8=T"},
      {"e5xd6 e.p", "e5xd6 e.p"},
      {"P", "B"},  // a pawn letter becomes B only after bishops became L
      {"BP", "LB"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TranslateSolutionLetters(c.solver), c.shown) << c.solver;
}

TEST(GridLetters, GridToBoard) {
  const std::string grid = "BLSTDKblstdk";
  const std::string board = "PBNRQKpbnrqk";
  for (std::size_t i = 0; i < grid.size(); ++i) EXPECT_EQ(GridLetterToBoard(grid[i]), board[i]);
  for (char other : {'P', 'p', 'N', 'Q', 'R', 'x', '1', ' ', '\0', '\xC3'})
    EXPECT_EQ(GridLetterToBoard(other), ' ') << int(other);
}

TEST(GridLetters, BoardToGridAndBack) {
  const std::string board = "PBNRQKpbnrqk ";
  const std::string grid = "BLSTDKblstdk ";
  for (std::size_t i = 0; i < board.size(); ++i) {
    EXPECT_EQ(BoardLetterToGrid(board[i]), grid[i]) << board[i];
    if (board[i] != ' ') {
      EXPECT_EQ(GridLetterToBoard(BoardLetterToGrid(board[i])), board[i]);
    }
  }
}

TEST(GridLetters, GridToPositionTakesFirstCharacters) {
  std::string cells[64];
  cells[0] = "Txyz";  // a rook whatever follows
  cells[1] = "P";     // no piece letter of the grid
  cells[2] = "7";
  cells[7] = "k";
  cells[63] = "K";
  cells[62] = " ";
  const std::string board = GridToPosition(cells);
  ASSERT_EQ(board.size(), 64u);
  EXPECT_EQ(board[0], 'R');
  EXPECT_EQ(board[1], ' ');
  EXPECT_EQ(board[2], ' ');
  EXPECT_EQ(board[7], 'k');
  EXPECT_EQ(board[62], ' ');
  EXPECT_EQ(board[63], 'K');
}

TEST(StoredMoveCount, Rules) {
  const struct {
    const char* typed;
    int stored;
  } cases[] = {
      {"0", 3},
      {"abc", 3},
      {"", 3},
      {"20", 12},
      {"5a", 5},
      {"  7", 7},
      {"+4", 4},
      {"-2", 3},
      {"12", 12},
      {"1", 1},
      {" x5", 3},
      {"13", 12},
      {"99999999999999999999", 12},
      {"-99999999999999999999", 3},
      {"8 9", 8},
  };
  for (const auto& c : cases) EXPECT_EQ(StoredMoveCount(c.typed), c.stored) << c.typed;
}

TEST(ParseMoveCountLine, AcceptsOnlyWholeIntegers) {
  EXPECT_EQ(ParseMoveCountLine("12"), 12);
  EXPECT_EQ(ParseMoveCountLine(" 3"), 3);
  EXPECT_EQ(ParseMoveCountLine("+2"), 2);
  EXPECT_EQ(ParseMoveCountLine("-1"), -1);
  EXPECT_EQ(ParseMoveCountLine("0"), 0);
  for (const char* bad : {"", " ", "x", "3 ", "3a", "+", "-", "+-1", "--1", "1.5", "99999999999"})
    EXPECT_FALSE(ParseMoveCountLine(bad).has_value()) << '"' << bad << '"';
  EXPECT_EQ(InvalidIntegerMessage("zwei"), "'zwei' ist kein gültiger Integerwert");
}

TEST(ProblemCaption, SplitsAtTheFirstDot) {
  EXPECT_EQ(ProblemCaption("3. Turmleiter"), "3.Problem :  Turmleiter     ");
  EXPECT_EQ(ProblemCaption("Ohne Nummer"), "Problem : Ohne Nummer     ");
  EXPECT_EQ(ProblemCaption("1. Dr. Nimm"), "1.Problem :  Dr. Nimm     ");
  EXPECT_EQ(ProblemCaption(""), "Problem :      ");
  // At most 255 characters after the dot, counted as characters, not bytes.
  const std::string longName(300, 'x');
  EXPECT_EQ(ProblemCaption("4." + longName), "4.Problem : " + std::string(255, 'x') + "     ");
  std::string umlauts;
  for (int i = 0; i < 300; ++i) umlauts += "ä";
  std::string kept;
  for (int i = 0; i < 255; ++i) kept += "ä";
  EXPECT_EQ(ProblemCaption("5." + umlauts), "5.Problem : " + kept + "     ");
}

TEST(Texts, TitlesAndAnnouncements) {
  EXPECT_EQ(NewProblemTitle(2, "Mein Matt"), "2. Mein Matt");
  EXPECT_EQ(NewProblemTitle(0, ""), "0. ");
  EXPECT_EQ(MateAnnouncement(1), "Matt in 1 Zug");
  EXPECT_EQ(MateAnnouncement(3), "Matt in 3 Zügen");
  EXPECT_EQ(MateAnnouncement(12), "Matt in 12 Zügen");
}

}  // namespace
}  // namespace tavrel
