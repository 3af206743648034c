// The board driving its real engine thread: searching when the computer is to move, stopping,
// automatic play, the custom-engine path and shutting down while a search runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "board_test_util.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;
using testing::SetFen;

constexpr auto kPatience = 60s;  // the machine is shared; a depth-1 search takes milliseconds

int HalfMoves(const ChessBoard& b) {
  return (b.LastMoveNumber() - 1) * 2 + (b.WhiteToMoveAtEnd() ? 0 : 1);
}

// A record with room for one more half-move: the start position, White to move at move 256.
void LoadNearlyFullRecord(ChessBoard& b) {
  std::vector<uint8_t> bytes(kEntrySize + kGroupSize * kMaxMoveNumber, 0);
  uint8_t* last = bytes.data() + kEntrySize + kGroupSize * (kMaxMoveNumber - 1);
  last[0] = 64;
  std::copy(kInitialPosition.begin(), kInitialPosition.end(), last + 1);
  last[84] = AllCastling;
  b.LoadGameBytes(bytes, "full");
  ASSERT_TRUE(b.GoToMove(kMaxMoveNumber, true));
}

TEST(EngineDriverTest, AFullRecordEndsTheGameAndTheComputerStops) {
  ChessBoard b;
  LoadNearlyFullRecord(b);
  int full = 0;
  b.OnRecordFull = [&](ChessBoard* sender) {
    EXPECT_EQ(sender, &b);
    ++full;
  };
  b.SetSearchDepth(1);
  b.SetComputerPlaysBlack(true);
  b.SetComputerPlaysWhite(true);
  ASSERT_TRUE(b.ProcessUiCallsUntil([&] { return b.RecordFull(); }, kPatience));
  EXPECT_EQ(full, 1);
  EXPECT_TRUE(b.GameEnded());
  // Black's move has no room: the engine parks instead of searching it again and again.
  ASSERT_TRUE(b.ProcessUiCallsUntil([&] { return b.EngineParked(); }, kPatience));
  b.StartThinking();
  EXPECT_TRUE(b.EngineParked());
  EXPECT_FALSE(b.Thinking());
  // A move of the user is refused visibly.
  EXPECT_FALSE(b.PlayMove(E7, E5));
  EXPECT_EQ(full, 2);
  EXPECT_TRUE(b.EngineParked());
  // Back in the record there is room again.
  ASSERT_TRUE(b.MoveBack());
  b.StartThinking();
  EXPECT_TRUE(b.ProcessUiCallsUntil([&] { return b.RecordFull(); }, kPatience));
  b.StopThinking();
}

TEST(EngineDriverTest, ComputerSideToMoveSearchesAtOnce) {
  ChessBoard b;
  b.SetSearchDepth(1);
  b.SetComputerPlaysWhite(true);
  EXPECT_TRUE(b.ProcessUiCallsUntil([&] { return !b.WhiteToMove(); }, kPatience));
  EXPECT_EQ(HalfMoves(b), 1);
  b.StopThinking();
  EXPECT_FALSE(b.Thinking());
}

TEST(EngineDriverTest, SwitchingComputerOffDuringSearchPlaysNothing) {
  ChessBoard b;
  b.SetSearchDepth(8);  // long enough to be caught thinking
  b.SetComputerPlaysWhite(true);
  ASSERT_TRUE(b.ProcessUiCallsUntil([&] { return b.Thinking(); }, kPatience));
  b.SetComputerPlaysWhite(false);
  EXPECT_FALSE(b.Thinking());
  b.ProcessUiCalls(200ms);
  EXPECT_EQ(b.Position(), kInitialPosition);
  EXPECT_TRUE(b.WhiteToMove());
  EXPECT_EQ(HalfMoves(b), 0);
}

TEST(EngineDriverTest, BothSidesPlayUntilStoppedAndContinueWhenStarted) {
  ChessBoard b;
  b.SetSearchDepth(1);
  b.SetComputerPlaysWhite(true);
  b.SetComputerPlaysBlack(true);
  ASSERT_TRUE(b.ProcessUiCallsUntil([&] { return HalfMoves(b) >= 6; }, kPatience));
  b.StopThinking();
  const int stoppedAt = HalfMoves(b);
  EXPECT_FALSE(b.Thinking());
  b.ProcessUiCalls(300ms);
  EXPECT_EQ(HalfMoves(b), stoppedAt);  // parked between two moves
  b.StartThinking();
  EXPECT_TRUE(b.ProcessUiCallsUntil([&] { return HalfMoves(b) >= stoppedAt + 2; }, kPatience));
  b.StopThinking();
}

TEST(EngineDriverTest, UserMoveRestartsEngineForItsReply) {
  ChessBoard b;
  b.SetSearchDepth(1);
  b.SetComputerPlaysBlack(true);
  ASSERT_TRUE(b.PlayMove(E2, E4));
  EXPECT_FALSE(b.EngineHalted());
  EXPECT_TRUE(b.ProcessUiCallsUntil([&] { return b.WhiteToMove(); }, kPatience));
  EXPECT_EQ(HalfMoves(b), 2);
  EXPECT_FALSE(b.PlayMove(E4, E6));  // refused, the engine still restarts without a move due
  b.StopThinking();
}

TEST(EngineDriverTest, HandlerEndingGameInsideEngineMoveDoesNotBlock) {
  ChessBoard b;
  SetFen(b, "k7/8/1K6/8/8/8/8/7Q w - - 0 1");  // Qh1-h8 or -a1 mates
  int mates = 0;
  b.OnMate = [&mates](ChessBoard* s, Square, Square) {
    ++mates;
    // Runs inside the engine's hand-over: must neither wait for the engine nor block.
    s->SetComputerPlaysWhite(false);
    s->NewGame();
  };
  b.SetSearchDepth(2);
  b.SetComputerPlaysWhite(true);
  ASSERT_TRUE(b.ProcessUiCallsUntil([&] { return mates == 1; }, kPatience));
  b.ProcessUiCalls(200ms);
  EXPECT_EQ(b.Position(), kInitialPosition);
  EXPECT_EQ(HalfMoves(b), 0);
  b.StopThinking();
}

TEST(EngineDriverTest, DestroyingBoardDuringSearchReturns) {
  auto b = std::make_unique<ChessBoard>();
  b->SetSearchDepth(8);
  b->SetComputerPlaysWhite(true);
  ASSERT_TRUE(b->ProcessUiCallsUntil([&] { return b->Thinking(); }, kPatience));
  const auto start = std::chrono::steady_clock::now();
  b.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
}

TEST(EngineDriverTest, StartServedDuringStopStillParks) {
  // A deferred StartThinking (the widget's first-paint timer, say) that runs while StopThinking
  // serves hand-overs must not keep the engine running.
  struct Board : ChessBoard {
    int starts = 0;
    void ServeUiCalls() override {
      if (starts++ < 3) StartThinking();
      ChessBoard::ServeUiCalls();
    }
  } b;
  b.StartThinking();
  b.ProcessUiCalls(50ms);
  b.starts = 0;
  b.StopThinking();
  EXPECT_GE(b.starts, 1);
  b.starts = 100;
  b.ProcessUiCalls(100ms);  // parked: no pass hands anything over
  EXPECT_FALSE(b.Thinking());
}

TEST(EngineDriverTest, SearchDepthKeptWithinOneToEight) {
  ChessBoard b;
  for (auto [in, out] : {std::pair{0, 1}, {-5, 1}, {1, 1}, {5, 5}, {8, 8}, {9, 8}, {15, 8}}) {
    b.SetSearchDepth(in);
    EXPECT_EQ(b.SearchDepth(), out) << in;
  }
}

TEST(EngineDriverTest, ThinkingReadsFalseWhenIdleAndIgnoresWrites) {
  ChessBoard b;
  EXPECT_FALSE(b.Thinking());
  b.SetThinking(true);
  EXPECT_FALSE(b.Thinking());
  b.SetThinkingPriority(tpLowest);
  EXPECT_EQ(b.ThinkingPriority(), tpLowest);
}

TEST(CustomEngineTest, WithoutHandlerNeverMoves) {
  ChessBoard b;
  b.SetCustomEngine(true);
  b.SetComputerPlaysWhite(true);
  for (int i = 0; i < 5; ++i) b.CustomEngineCheck();
  b.ProcessUiCalls(100ms);
  EXPECT_EQ(HalfMoves(b), 0);
}

TEST(CustomEngineTest, PlaysHandlersMoveAndReportsRefusedOnes) {
  ChessBoard b;
  b.SetCustomEngine(true);
  Square give[2] = {E2, E4};
  std::vector<std::pair<Square, Square>> failed;
  int asked = 0;
  b.OnCalculateMove = [&](ChessBoard*, Square& from, Square& to) {
    ++asked;
    EXPECT_EQ(from, None);
    EXPECT_EQ(to, None);
    from = give[0];
    to = give[1];
  };
  b.OnCalculationFailed = [&](ChessBoard*, Square from, Square to) {
    failed.emplace_back(from, to);
  };
  b.SetComputerPlaysWhite(true);  // stops (halting the custom engine), then starts
  EXPECT_EQ(asked, 0);            // halted until the user moves
  b.CustomEngineCheck();
  EXPECT_EQ(asked, 0);
  b.SetComputerPlaysWhite(false);
  b.SetComputerPlaysBlack(true);
  give[0] = E7;
  give[1] = E5;
  ASSERT_TRUE(b.PlayMove(D2, D4));  // the user's move releases it: Black answers at once
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(b.Squares()[E5], 'p');
  EXPECT_TRUE(failed.empty());
  give[0] = None;
  give[1] = None;
  ASSERT_TRUE(b.PlayMove(D4, E5));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(failed, (std::vector<std::pair<Square, Square>>{{None, None}}));
  b.CustomEngineCheck();  // not halted, Black still to move: asked again
  EXPECT_EQ(asked, 3);
  b.StopThinking();
  b.CustomEngineCheck();
  EXPECT_EQ(asked, 3);
}

}  // namespace
}  // namespace tavrel
