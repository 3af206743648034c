// Position model and move rules: setting positions, the square functions, castling, king
// safety on the complete resulting position, and the mating-material rule.
#include <gtest/gtest.h>

#include "core/fen.h"
#include "core/rules.h"
#include "board_test_util.h"

namespace tavrel {
namespace {

using testing::SetFen;
using testing::Sq;

TEST(SquaresTest, NumberingAndColours) {
  EXPECT_EQ(A8, 1);
  EXPECT_EQ(H8, 8);
  EXPECT_EQ(A7, 9);
  EXPECT_EQ(A1, 57);
  EXPECT_EQ(H1, 64);
  for (int sq = 1; sq <= 64; ++sq) EXPECT_EQ(SquareAt(FileOf(sq), RankOf(sq)), sq);
  EXPECT_EQ(SquareAt(9, 1), None);
  EXPECT_EQ(SquareAt(1, 0), None);
  EXPECT_TRUE(IsLightSquare(A8));
  EXPECT_TRUE(IsLightSquare(H1));
  EXPECT_FALSE(IsLightSquare(H8));
  EXPECT_FALSE(IsLightSquare(A1));
}

struct SetPositionCase {
  const char* name;
  std::string text;
  std::string expected;
};

class SetPositionTest : public ::testing::TestWithParam<SetPositionCase> {};

TEST_P(SetPositionTest, YieldsBoardText) {
  ChessBoard b;
  b.SetPosition(GetParam().text);
  EXPECT_EQ(b.Position(), GetParam().expected);
  EXPECT_EQ(b.Position().size(), 64u);
  EXPECT_EQ(b.Squares()[65], '\0');
  EXPECT_EQ(b.PieceColor(None), -1);
}

const std::string kInit(kInitialPosition);

INSTANTIATE_TEST_SUITE_P(
    Texts, SetPositionTest,
    ::testing::Values(
        SetPositionCase{"InitLowerCase", "init", kInit},
        SetPositionCase{"NewGameMixedCase", "NeWgAmE", kInit},
        SetPositionCase{"SeventyCharactersUseFirst64", std::string(64, 'p') + "KKKKKK",
                        std::string(64, 'p')},
        SetPositionCase{"ForeignCharacterLeavesSquareEmpty", "xnbqkbnr" + kInit.substr(8),
                        " nbqkbnr" + kInit.substr(8)},
        SetPositionCase{"ShortTextLeavesRestEmpty", "rnbqkbnr", "rnbqkbnr" + std::string(56, ' ')},
        SetPositionCase{"NulEndsText", std::string("kq\0Q", 4), "kq" + std::string(62, ' ')},
        SetPositionCase{"ControlBytesAreEmpty", std::string(64, '\x7f'), std::string(64, ' ')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PositionTest, IndexZeroNeverHoldsAPiece) {
  ChessBoard b;
  EXPECT_EQ(b.Squares()[0], '_');
  b.SetPosition("k");
  EXPECT_EQ(b.Squares()[0], ' ');
  b.SetPosition("init");
  EXPECT_EQ(b.Squares()[0], '_');
}

TEST(PositionTest, EnPassantSetterAcceptsOnlyThirdAndSixthRank) {
  ChessBoard b;
  b.SetEnPassant(E4);
  EXPECT_EQ(b.EnPassant(), None);
  b.SetEnPassant(E3);
  EXPECT_EQ(b.EnPassant(), E3);
  b.SetEnPassant(None);
  EXPECT_EQ(b.EnPassant(), E3);
  b.SetEnPassant(H6);
  EXPECT_EQ(b.EnPassant(), H6);
}

// The en-passant square comes from files and setters unchecked; a capture there is accepted only
// where it is one: the square empty, on the mover's sixth rank, an enemy pawn behind it.
TEST(PositionTest, EnPassantOnlyWhereAPawnHasJustPassed) {
  struct Row {
    const char* name;
    const char* fen;  // without en passant; the square below is set afterwards
    const char* ep;
    const char* move;
    bool legal;
    const char* after;  // the pieces that must stand afterwards ("" if refused)
  } rows[] = {
      {"white takes", "4k3/8/8/3pP3/8/8/8/4K3 w - -", "d6", "e5d6", true, "d6P d5 "},
      {"black takes", "4k3/8/8/8/3Pp3/8/8/4K3 b - -", "d3", "e4d3", true, "d3p d4 "},
      {"white onto rank 3", "4k3/8/8/8/8/8/4P3/4K3 w - -", "d3", "e2d3", false, ""},
      {"black onto rank 6", "4k3/4p3/8/8/8/8/8/4K3 b - -", "d6", "e7d6", false, ""},
      {"no pawn behind", "4k3/8/8/4P3/8/8/8/4K3 w - -", "d6", "e5d6", false, ""},
      {"a knight behind", "4k3/8/8/3nP3/8/8/8/4K3 w - -", "d6", "e5d6", false, ""},
      {"own pawn behind", "4k3/8/8/3PP3/8/8/8/4K3 w - -", "d6", "e5d6", false, ""},
      {"own piece on the square", "4k3/8/3N4/3pP3/8/8/8/4K3 w - -", "d6", "e5d6", false, ""},
      {"enemy piece on the square: a plain capture", "4k3/8/3n4/3pP3/8/8/8/4K3 w - -", "d6", "e5d6",
       true, "d6P d5p"},
  };
  for (const Row& r : rows) {
    ChessBoard b;
    SetFen(b, r.fen);
    b.SetEnPassant(Sq(r.ep));
    const Square from = Sq(std::string_view(r.move, 2)), to = Sq(std::string_view(r.move + 2, 2));
    EXPECT_EQ(b.IsLegalMove(from, to), r.legal) << r.name;
    EXPECT_EQ(b.PawnMoveValid(from, to), r.legal) << r.name;
    const std::string before = b.Position();
    EXPECT_EQ(b.ExecuteMove(from, to), r.legal) << r.name;
    if (!r.legal) {
      EXPECT_EQ(b.Position(), before) << r.name;
    }
    for (std::string_view a = r.after; a.size() >= 3;
         a.remove_prefix(std::min<size_t>(4, a.size())))
      EXPECT_EQ(b.Squares()[Sq(a.substr(0, 2))], a[2]) << r.name << " " << a.substr(0, 2);
  }
}

TEST(PositionTest, PieceColor) {
  ChessBoard b;
  EXPECT_EQ(b.PieceColor(E1), 1);
  EXPECT_EQ(b.PieceColor(E8), 0);
  EXPECT_EQ(b.PieceColor(E4), -1);
  EXPECT_EQ(b.PieceColor(65), -1);
}

struct LegalCase {
  const char* name;
  const char* fen;
  const char* move;
  bool legal;
};

class LegalityTest : public ::testing::TestWithParam<LegalCase> {};

TEST_P(LegalityTest, Judges) {
  ChessBoard b;
  SetFen(b, GetParam().fen);
  std::string m = GetParam().move;
  EXPECT_EQ(b.IsLegalMove(Sq(m.substr(0, 2)), Sq(m.substr(2, 2))), GetParam().legal);
}

// clang-format off
const LegalCase kLegalCases[] = {
    {"EnPassantWithSquare", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", true},
    {"EnPassantWithoutSquare", "4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", "e5d6", false},
    {"EnPassantRemovingCheckingPawn", "8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1", "e4d3", true},
    {"EnPassantUncoveringRankAttack", "8/8/8/KPp4r/8/8/8/7k w - c6 0 1", "b5c6", false},
    {"ShortCastle", "4k3/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", true},
    {"ShortCastleWithoutRight", "4k3/8/8/8/8/8/8/4K2R w Q - 0 1", "e1g1", false},
    {"ShortCastleInCheck", "4k3/8/8/8/8/8/8/r3K2R w K - 0 1", "e1g1", false},
    {"ShortCastleThroughAttackedF1", "4kr2/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", false},
    {"ShortCastleIntoAttackedG1", "4k1r1/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", false},
    {"ShortCastlePieceOnF1", "4k3/8/8/8/8/8/8/4KB1R w K - 0 1", "e1g1", false},
    {"ShortCastlePieceOnG1", "4k3/8/8/8/8/8/8/4K1NR w K - 0 1", "e1g1", false},
    {"ShortCastleWithoutRook", "4k3/8/8/8/8/8/8/4K2Q w K - 0 1", "e1g1", false},
    {"LongCastleWithB1Attacked", "1r2k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1c1", true},
    {"LongCastleThroughAttackedD1", "3rk3/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1c1", false},
    {"LongCastlePieceOnB1", "4k3/8/8/8/8/8/8/RN2K3 w Q - 0 1", "e1c1", false},
    {"BlackLongCastle", "r3k3/8/8/8/8/8/8/4K3 b q - 0 1", "e8c8", true},
    {"KingNextToEnemyKing", "8/8/8/3k4/8/3K4/8/8 w - - 0 1", "d3d4", false},
    {"KingAwayFromEnemyKing", "8/8/8/3k4/8/3K4/8/8 w - - 0 1", "d3c3", true},
    {"PinnedPieceMayNotLeaveLine", "4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1", "e2d3", false},
    {"OwnPieceOnTarget", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", "e1e2", false},
    {"WrongSideToMove", "4k3/8/8/8/8/8/4P3/4K3 b - - 0 1", "e2e3", false},
    {"PawnDoubleStepBlocked", "4k3/8/8/8/8/4n3/4P3/4K3 w - - 0 1", "e2e4", false},
    {"KnightJumps", "4k3/8/8/8/8/8/PPP5/1N2K3 w - - 0 1", "b1c3", true},
    {"BishopBlocked", "4k3/8/8/8/8/2P5/8/B3K3 w - - 0 1", "a1d4", false},
    {"NoBlackKingRefusesBlackMoves", "8/8/8/8/8/8/p7/4K3 b - - 0 1", "a2a1", false},
    {"NoWhiteKingNeverRefusedForSafety", "4k3/8/8/8/8/8/r7/R7 w - - 0 1", "a1a2", true},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Moves, LegalityTest, ::testing::ValuesIn(kLegalCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RulesTest, SquaresOutsideBoardAndEmptySourceRefused) {
  ChessBoard b;
  EXPECT_FALSE(b.IsLegalMove(0, E4));
  EXPECT_FALSE(b.IsLegalMove(E2, 65));
  EXPECT_FALSE(b.IsLegalMove(-3, 200));
  EXPECT_FALSE(b.IsLegalMove(E4, E5));
  EXPECT_FALSE(b.IsLegalMove(E2, E2));
}

TEST(RulesTest, MissingBlackKingCountsAsAttacked) {
  ChessBoard b;
  SetFen(b, "8/8/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_TRUE(b.BlackKingInCheckAfter(E1, E2));
  EXPECT_TRUE(b.BlackKingInCheckAfter(E1, E1));
  EXPECT_FALSE(b.WhiteKingInCheckAfter(E1, E1));
}

TEST(RulesTest, CheckTestsSeeTheCompleteMove) {
  ChessBoard b;
  SetFen(b, "5k2/8/8/8/8/8/8/4K2R w K - 0 1");
  EXPECT_TRUE(b.BlackKingInCheckAfter(E1, G1));  // the rook arrives on f1
  SetFen(b, "k7/4P3/8/8/8/8/8/K7 w - - 0 1");
  EXPECT_TRUE(b.BlackKingInCheckAfter(E7, E8));  // the promoted queen checks along rank 8
  b.SetPromotionPiece('n');
  EXPECT_FALSE(b.BlackKingInCheckAfter(E7, E8));
}

TEST(RulesTest, HasLegalMove) {
  ChessBoard b;
  EXPECT_TRUE(b.HasLegalMove());
  SetFen(b, "k7/8/1Q6/8/8/8/8/K7 b - - 0 1");  // stalemate
  EXPECT_FALSE(b.HasLegalMove());
  SetFen(b, "k7/1Q6/1K6/8/8/8/8/8 b - - 0 1");  // mate
  EXPECT_FALSE(b.HasLegalMove());
  SetFen(b, "k7/1Q6/8/8/8/8/8/K7 b - - 0 1");  // the king takes the queen
  EXPECT_TRUE(b.HasLegalMove());
}

struct MaterialCase {
  const char* name;
  const char* placement;
  bool insufficient;
};

class MaterialTest : public ::testing::TestWithParam<MaterialCase> {};

TEST_P(MaterialTest, Counts) {
  auto p = ParseFen(std::string(GetParam().placement) + " w - - 0 1");
  ASSERT_TRUE(p);
  ChessBoard b;
  b.SetPosition(p->Board);
  EXPECT_EQ(b.NoMatingMaterial(), GetParam().insufficient);
}

INSTANTIATE_TEST_SUITE_P(
    Sides, MaterialTest,
    ::testing::Values(MaterialCase{"BareKings", "4k3/8/8/8/8/8/8/4K3", true},
                      MaterialCase{"KnightAgainstKnight", "4kn2/8/8/8/8/8/8/4KN2", true},
                      MaterialCase{"TwoKnightsAgainstBareKing", "4k3/8/8/8/8/8/8/3NKN2", true},
                      MaterialCase{"BishopAgainstBishop", "4kb2/8/8/8/8/8/8/4KB2", true},
                      MaterialCase{"BishopAndKnight", "4k3/8/8/8/8/8/8/3BKN2", false},
                      MaterialCase{"TwoBishops", "4k3/8/8/8/8/8/8/2B1KB2", false},
                      MaterialCase{"OnePawn", "4k3/8/8/8/8/8/7p/4K3", false},
                      MaterialCase{"OneRook", "4k3/8/8/8/8/8/8/R3K3", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FenTest, RoundTripAndErrors) {
  auto p = ParseFen(kStartFen);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->Board, kInitialPosition);
  EXPECT_EQ(p->Castling, AllCastling);
  EXPECT_EQ(FormatFen(*p), kStartFen);
  auto q = ParseFen("4k3/8/8/3pP3/8/8/8/4K3 w - d6");
  ASSERT_TRUE(q);
  EXPECT_EQ(q->EnPassant, D6);
  std::string error;
  for (const char* bad : {"", "8/8/8 w - -", "9/8/8/8/8/8/8/8 w - -", "8/8/8/8/8/8/8/8 x - -",
                          "8/8/8/8/8/8/8/8 w X -", "8/8/8/8/8/8/8/8 w - e4",
                          "8/8/8/8/8/8/8/7 w - -", "8/8/8/8/8/8/8/8 w - - -1 1"}) {
    EXPECT_FALSE(ParseFen(bad, &error)) << bad;
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace tavrel
