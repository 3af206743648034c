// ExecuteMove: the whole sequence of events for each kind of move, and the board afterwards.
#include <gtest/gtest.h>

#include <sstream>

#include "board_test_util.h"
#include "event_log.h"

namespace tavrel {
namespace {

using testing::EventLog;
using testing::SetFen;
using testing::Sq;

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

void Play(ChessBoard& b, const std::string& moves) {
  std::istringstream in(moves);
  std::string m;
  while (in >> m) ASSERT_TRUE(b.ExecuteMove(Sq(m.substr(0, 2)), Sq(m.substr(2, 2)))) << m;
}

struct EventCase {
  const char* name;
  const char* fen;
  const char* before;  // played before the events are recorded
  const char* move;
  char promotion = 0;  // what the promotion handler picks (0: keeps the offered piece)
  bool withMate = true;
  bool withPromotion = true;
  bool played = true;
  std::vector<std::string> events;
};

class EventOrderTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(EventOrderTest, FiresExactSequence) {
  const EventCase& c = GetParam();
  ChessBoard b;
  SetFen(b, c.fen);
  Play(b, c.before);
  EventLog log;
  log.Attach(b, c.promotion, c.withMate, c.withPromotion);
  const std::string before = b.Position();
  std::string m = c.move;
  EXPECT_EQ(b.ExecuteMove(Sq(m.substr(0, 2)), Sq(m.substr(2, 2))), c.played);
  EXPECT_EQ(log.lines, c.events);
  EXPECT_FALSE(log.wrongSender);
  if (!c.played) {
    EXPECT_EQ(b.Position(), before);
  }
}

// clang-format off
const EventCase kEventCases[] = {
    {"Capture", kStart, "e2e4 d7d5", "e4d5", 0, true, true, true,
     {"LegalMove e4d5", "Capture e4d5 p", "Paint"}},
    {"IllegalMoveFiresNothing", kStart, "", "e2e5", 0, true, true, false, {}},
    {"PromotionHandlerPicksKnight", "k7/4P3/8/8/8/8/8/K7 w - - 0 1", "", "e7e8", 'N', true, true, true,
     {"LegalMove e7e8", "Promotion e7e8 q", "NoMatingMaterial", "Draw", "Paint"}},
    {"PromotionWithoutHandlerQueenChecks", "k7/4P3/8/8/8/8/8/K7 w - - 0 1", "", "e7e8", 0, true, false, true,
     {"LegalMove e7e8", "Check e7e8", "Paint"}},
    {"PromotionCaptureFiresCaptureFirst", "k2r4/4P3/8/8/8/8/8/K7 w - - 0 1", "", "e7d8", 'R', true, true, true,
     {"LegalMove e7d8", "Capture e7d8 r", "Promotion e7d8 q", "Check e7d8", "Paint"}},
    {"EnPassant", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "", "e5d6", 0, true, true, true,
     {"LegalMove e5d6", "Capture e5d6 p", "Paint"}},
    {"BlackEnPassant", "4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1", "", "e4d3", 0, true, true, true,
     {"LegalMove e4d3", "Capture e4d3 P", "Paint"}},
    {"EnPassantUncoveringRankAttackRefused", "8/8/8/KPp4r/8/8/8/7k w - c6 0 1", "", "b5c6", 0, true, true, false,
     {}},
    {"CastleShort", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "", "e1g1", 0, true, true, true,
     {"LegalMove e1g1", "Castle e1g1", "Paint"}},
    {"CastleLongBlack", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "", "e8c8", 0, true, true, true,
     {"LegalMove e8c8", "Castle e8c8", "Paint"}},
    {"CastlingRookGivesCheck", "5k2/8/8/8/8/8/8/4K2R w K - 0 1", "", "e1g1", 0, true, true, true,
     {"LegalMove e1g1", "Castle e1g1", "Check e1g1", "Paint"}},
    {"CastlingRookMates", "4rkr1/4p1p1/8/8/8/8/8/4K2R w K - 0 1", "", "e1g1", 0, true, true, true,
     {"LegalMove e1g1", "Castle e1g1", "Check e1g1", "Mate e1g1", "Paint"}},
    {"Check", kStart, "e2e4 f7f6", "d1h5", 0, true, true, true,
     {"LegalMove d1h5", "Check d1h5", "Paint"}},
    {"FoolsMate", kStart, "f2f3 e7e5 g2g4", "d8h4", 0, true, true, true,
     {"LegalMove d8h4", "Check d8h4", "Mate d8h4", "Paint"}},
    {"MateWithoutMateHandler", kStart, "f2f3 e7e5 g2g4", "d8h4", 0, false, true, true,
     {"LegalMove d8h4", "Check d8h4", "Paint"}},
    {"StaleMate", "k7/8/8/2Q5/8/8/8/K7 w - - 0 1", "", "c5b6", 0, true, true, true,
     {"LegalMove c5b6", "StaleMate c5b6", "Draw", "Paint"}},
    {"StaleMateWithNoMatingMaterialDrawsOnce", "k7/8/1K6/8/5B2/8/8/8 w - - 0 1", "", "f4d6", 0, true, true, true,
     {"LegalMove f4d6", "StaleMate f4d6", "NoMatingMaterial", "Draw", "Paint"}},
    {"KingAndBishopAgainstKing", "4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", "", "c1d2", 0, true, true, true,
     {"LegalMove c1d2", "NoMatingMaterial", "Draw", "Paint"}},
    {"CaptureLeavesBareKings", "4k3/8/8/8/8/8/3p4/4K3 w - - 0 1", "", "e1d2", 0, true, true, true,
     {"LegalMove e1d2", "Capture e1d2 p", "NoMatingMaterial", "Draw", "Paint"}},
    {"ThirdRepetition", kStart, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1", "f6g8", 0, true, true, true,
     {"LegalMove f6g8", "ThreefoldPosition", "Draw", "Paint"}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Moves, EventOrderTest, ::testing::ValuesIn(kEventCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ExecuteMoveTest, PromotionPieceFollowsRankAndIsKept) {
  ChessBoard b;
  SetFen(b, "4k3/P7/8/8/8/8/p7/4K3 w - - 0 1");
  b.OnPromotion = [](ChessBoard*, Square, Square, char& piece) { piece = 'N'; };
  ASSERT_TRUE(b.ExecuteMove(A7, A8));
  EXPECT_EQ(b.Squares()[A8], 'N');
  b.OnPromotion = nullptr;
  ASSERT_TRUE(b.ExecuteMove(A2, A1));
  EXPECT_EQ(b.Squares()[A1], 'n');  // the letter last chosen, lower case for Black
  EXPECT_EQ(b.PromotionPiece(), 'N');
}

TEST(ExecuteMoveTest, PromotionWithoutHandlerGivesQueen) {
  ChessBoard b;
  SetFen(b, "k7/4P3/8/8/8/8/8/K7 w - - 0 1");
  ASSERT_TRUE(b.ExecuteMove(E7, E8));
  EXPECT_EQ(b.Squares()[E8], 'Q');
  EXPECT_EQ(b.Entry(1, 0).Check, 1);
}

TEST(ExecuteMoveTest, PromotionHandlerCannotPutOtherLetters) {
  ChessBoard b;
  SetFen(b, "k7/4P3/8/8/8/8/8/K7 w - - 0 1");
  b.OnPromotion = [](ChessBoard*, Square, Square, char& piece) { piece = 'K'; };
  ASSERT_TRUE(b.ExecuteMove(E7, E8));
  EXPECT_EQ(b.Squares()[E8], 'Q');
}

TEST(ExecuteMoveTest, CheckOfPromotionEntryFollowsChosenPiece) {
  ChessBoard b;
  SetFen(b, "k7/4P3/8/8/8/8/8/K7 w - - 0 1");
  b.OnPromotion = [](ChessBoard*, Square, Square, char& piece) { piece = 'n'; };
  ASSERT_TRUE(b.ExecuteMove(E7, E8));
  EXPECT_EQ(b.Squares()[E8], 'N');
  EXPECT_EQ(b.Entry(1, 0).Check, 0);
}

TEST(ExecuteMoveTest, EnPassantRemovesVictimAndRecordsBlankTarget) {
  ChessBoard b;
  SetFen(b, "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
  ASSERT_TRUE(b.ExecuteMove(E5, D6));
  EXPECT_EQ(b.Squares()[D5], ' ');
  EXPECT_EQ(b.Squares()[D6], 'P');
  EXPECT_EQ(b.Entry(1, 0).TargetContent, ' ');
  EXPECT_EQ(b.EnPassant(), None);
}

TEST(ExecuteMoveTest, CastlingMovesRookAndRights) {
  ChessBoard b;
  SetFen(b, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  ASSERT_TRUE(b.ExecuteMove(E1, G1));
  EXPECT_EQ(b.Squares()[F1], 'R');
  EXPECT_EQ(b.Squares()[H1], ' ');
  EXPECT_EQ(b.CastlingAllowed(), BlackKingSide | BlackQueenSide);
  ASSERT_TRUE(b.ExecuteMove(H8, H7));  // a rook leaving its corner removes only its own side
  EXPECT_EQ(b.CastlingAllowed(), BlackQueenSide);
  EXPECT_EQ(b.Entry(1, 1).CastlingRights, BlackKingSide | BlackQueenSide);
}

TEST(ExecuteMoveTest, CaptureOnCornerKeepsRight) {
  ChessBoard b;
  SetFen(b, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  ASSERT_TRUE(b.ExecuteMove(H1, H8));
  EXPECT_EQ(b.CastlingAllowed(), WhiteQueenSide | BlackKingSide | BlackQueenSide);
}

TEST(ExecuteMoveTest, DoubleStepSetsEnPassant) {
  ChessBoard b;
  ASSERT_TRUE(b.ExecuteMove(E2, E4));
  EXPECT_EQ(b.EnPassant(), E3);
  ASSERT_TRUE(b.ExecuteMove(D7, D5));
  EXPECT_EQ(b.EnPassant(), D6);
  ASSERT_TRUE(b.ExecuteMove(G1, F3));
  EXPECT_EQ(b.EnPassant(), None);
}

TEST(ExecuteMoveTest, GameEndedClearedByNextMoveAttempt) {
  ChessBoard b;
  b.OnDraw = [](ChessBoard*) {};
  SetFen(b, "4k3/8/8/8/8/8/8/2B1K3 w - - 0 1");
  ASSERT_TRUE(b.ExecuteMove(C1, D2));
  EXPECT_TRUE(b.GameEnded());
  EXPECT_FALSE(b.ExecuteMove(E8, E1));
  EXPECT_FALSE(b.GameEnded());
}

TEST(ExecuteMoveTest, AfterThirdRepetitionNoMoveIsLegalUntilGoingBack) {
  ChessBoard b;
  Play(b, "g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8");
  EXPECT_TRUE(b.IsThreefoldRepetition());
  EXPECT_FALSE(b.HasLegalMove());
  EXPECT_FALSE(b.ExecuteMove(E2, E4));
  ASSERT_TRUE(b.MoveBack());
  EXPECT_TRUE(b.ExecuteMove(F6, E4));
}

TEST(ExecuteMoveTest, AbandonedLineDoesNotTurnMateIntoAnythingElse) {
  // Play into a line, go back, then reach a mate where the old line's entry would sit.
  ChessBoard b;
  Play(b, "f2f3 e7e5 g2g4 d8h4");
  ASSERT_TRUE(b.GoToMove(2, true));
  EventLog log;
  log.Attach(b);
  ASSERT_TRUE(b.ExecuteMove(G2, G4));
  ASSERT_TRUE(b.ExecuteMove(D8, H4));
  EXPECT_EQ(log.lines, (std::vector<std::string>{"LegalMove g2g4", "Paint", "LegalMove d8h4",
                                                 "Check d8h4", "Mate d8h4", "Paint"}));
}

TEST(ExecuteMoveTest, DrawingHooksFollowTheMove) {
  struct Recorder : ChessBoard {
    std::vector<std::string> calls;
    bool dragged = false;
    void DrawSquare(Square s) override { calls.push_back("sq " + testing::SqName(s)); }
    void DrawPiece(Square s, char c) override { calls.push_back("pc " + testing::SqName(s) + c); }
    void DrawMarks() override { calls.push_back("marks"); }
    void AnimateMove(Square f, Square t) override {
      calls.push_back("anim " + testing::SqName(f) + testing::SqName(t));
    }
    bool IsDraggedMove(Square, Square) const override { return dragged; }
  } b;
  SetFen(b, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  ASSERT_TRUE(b.ExecuteMove(E1, G1));
  EXPECT_EQ(b.calls, (std::vector<std::string>{"sq e1", "marks", "anim e1g1", "sq g1", "pc g1K",
                                               "marks", "sq h1", "pc f1R", "marks"}));
  b.calls.clear();
  b.dragged = true;
  ASSERT_TRUE(b.ExecuteMove(E8, E7));
  EXPECT_EQ(b.calls, (std::vector<std::string>{"sq e8", "sq e7", "pc e7k", "marks"}));
  b.calls.clear();
  b.dragged = false;
  b.SetAnimateMoves(false);
  ASSERT_TRUE(b.ExecuteMove(A1, A8));
  EXPECT_EQ(b.calls, (std::vector<std::string>{"sq a1", "sq a8", "pc a8R", "marks"}));
}

}  // namespace
}  // namespace tavrel
