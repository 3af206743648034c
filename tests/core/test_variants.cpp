// The seven start-position variants: well-formed boards, play from them under the normal rules,
// and the record returning to the variant position.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/variants.h"
#include "core/chessboard.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;

Square Sq(std::string_view name) {
  return SquareAt(name[0] - 'a' + 1, name[1] - '0');
}

// What choosing a variant does to the board: a new game, then the variant's position.
void StartVariant(ChessBoard& board, const VariantInfo& v) {
  board.NewGame();
  board.SetPosition(v.Board);
}

std::string CaseName(const ::testing::TestParamInfo<VariantInfo>& info) {
  return std::string(info.param.MenuItem);
}

class Variant : public ::testing::TestWithParam<VariantInfo> {};

TEST_P(Variant, StartsWithOneKingEachAndWhiteToMove) {
  const VariantInfo& v = GetParam();
  ASSERT_EQ(v.Board.size(), 64u);
  EXPECT_TRUE(std::all_of(v.Board.begin(), v.Board.end(), IsBoardChar));
  EXPECT_EQ(std::count(v.Board.begin(), v.Board.end(), 'K'), 1);
  EXPECT_EQ(std::count(v.Board.begin(), v.Board.end(), 'k'), 1);

  ChessBoard board;
  StartVariant(board, v);
  EXPECT_EQ(board.Position(), v.Board);
  EXPECT_TRUE(board.WhiteToMove());
  EXPECT_EQ(board.CurrentMove(), 1);
  EXPECT_TRUE(board.HasLegalMove());
  std::vector<std::string> lines;
  board.GetMoveList(lines);
  EXPECT_TRUE(lines.empty());
}

// Two moves each side, then back to the start: the variant position returns, not the normal one.
TEST_P(Variant, TakingBackEveryMoveReturnsToTheVariant) {
  const VariantInfo& v = GetParam();
  ChessBoard board;
  StartVariant(board, v);
  // The h-pawns move in every variant ("32 Bauern": the front pawns on h3 / h6).
  const bool doubled = v.MenuItem == "M26";
  ASSERT_TRUE(board.ExecuteMove(Sq(doubled ? "h3" : "h2"), Sq("h4")));
  ASSERT_TRUE(board.ExecuteMove(Sq(doubled ? "h6" : "h7"), Sq("h5")));
  ASSERT_TRUE(board.ExecuteMove(Sq(doubled ? "a3" : "a2"), Sq("a4")));
  while (board.MoveBack()) {
  }
  EXPECT_EQ(board.Position(), v.Board);
  EXPECT_TRUE(board.WhiteToMove());
  EXPECT_EQ(board.CurrentMove(), 1);
}

TEST_P(Variant, SavedGameReplaysFromTheVariant) {
  const VariantInfo& v = GetParam();
  const bool doubled = v.MenuItem == "M26";
  ChessBoard board;
  StartVariant(board, v);
  ASSERT_TRUE(board.ExecuteMove(Sq(doubled ? "g3" : "g2"), Sq("g4")));
  ASSERT_TRUE(board.ExecuteMove(Sq(doubled ? "b6" : "b7"), Sq("b5")));
  const fs::path file =
      fs::temp_directory_path() / ("test_variants." + std::string(v.MenuItem) + "." +
                                   std::to_string(reinterpret_cast<uintptr_t>(&board)) + ".spa");
  board.SaveGame(file.string());

  ChessBoard loaded;
  loaded.NewGame();
  loaded.LoadGame(file.string());
  fs::remove(file);
  ASSERT_TRUE(loaded.GoToMove(1, true));
  EXPECT_EQ(loaded.Position(), v.Board);
  ASSERT_TRUE(loaded.GoToMove(loaded.LastMoveNumber(), loaded.WhiteToMoveAtEnd()));
  EXPECT_EQ(loaded.Position(), board.Position());
}

INSTANTIATE_TEST_SUITE_P(All, Variant, ::testing::ValuesIn(Variants()), CaseName);

TEST(Variants, MenuOrderAndSeparator) {
  const auto all = Variants();
  ASSERT_EQ(all.size(), 7u);
  const char* captions[] = {"Schwarz ohne Dame", "Damenloses Spiel",       "Schwarz ohne Pferde",
                            "König-Dame-Tausch", "Springer-Läufer-Tausch", "König in der Ecke",
                            "32 Bauern"};
  for (size_t i = 0; i < all.size(); ++i) {
    EXPECT_EQ(all[i].Caption, captions[i]);
    EXPECT_EQ(all[i].SeparatorAfter, i == 2) << i;
  }
}

TEST(Variants, ThirtyTwoPawnsAreBlockedUntilTheFrontPawnsMove) {
  const VariantInfo& v = Variants()[6];
  ASSERT_EQ(v.Caption, "32 Bauern");
  EXPECT_EQ(std::count(v.Board.begin(), v.Board.end(), 'P'), 16);
  EXPECT_EQ(std::count(v.Board.begin(), v.Board.end(), 'p'), 16);
  ChessBoard board;
  StartVariant(board, v);
  for (char file = 'a'; file <= 'h'; ++file) {
    const std::string f(1, file);
    EXPECT_FALSE(board.IsLegalMove(Sq(f + "2"), Sq(f + "3"))) << f;
    EXPECT_FALSE(board.IsLegalMove(Sq(f + "2"), Sq(f + "4"))) << f;
    EXPECT_TRUE(board.IsLegalMove(Sq(f + "3"), Sq(f + "4"))) << f;
  }
  // Once e3 has moved, e2 may follow; the black pawns behave the same.
  ASSERT_TRUE(board.ExecuteMove(Sq("e3"), Sq("e4")));
  for (char file = 'a'; file <= 'h'; ++file) {
    const std::string f(1, file);
    EXPECT_FALSE(board.IsLegalMove(Sq(f + "7"), Sq(f + "6"))) << f;
    EXPECT_TRUE(board.IsLegalMove(Sq(f + "6"), Sq(f + "5"))) << f;
  }
  ASSERT_TRUE(board.ExecuteMove(Sq("d6"), Sq("d5")));
  EXPECT_TRUE(board.IsLegalMove(Sq("e2"), Sq("e3")));
  EXPECT_FALSE(board.IsLegalMove(Sq("e2"), Sq("e4")));  // e4 is occupied by the first pawn
  ASSERT_TRUE(board.ExecuteMove(Sq("e2"), Sq("e3")));
  EXPECT_TRUE(board.IsLegalMove(Sq("d7"), Sq("d6")));
}

TEST(Variants, NewGameAfterAVariantRestoresTheNormalStart) {
  // "Neues Spiel" after a variant restores the normal start position.
  ChessBoard board;
  StartVariant(board, Variants()[5]);
  board.NewGame();
  EXPECT_EQ(board.Position(), kInitialPosition);
}

}  // namespace
}  // namespace tavrel
