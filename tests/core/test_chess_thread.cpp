#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "core/chess_thread.h"
#include "core/search.h"
#include "test_search_position.h"

namespace tavrel {
namespace {

using namespace std::chrono_literals;

// The UI thread's side: hand-overs queue up here and the test thread runs them when it pumps.
class FakeUi {
 public:
  void Run(const std::function<void()>& fn) {
    Call call{&fn, false};
    std::unique_lock lock(mutex_);
    queue_.push_back(&call);
    cv_.notify_all();
    cv_.wait(lock, [&] { return call.done; });
  }
  // Serves what is queued, waiting up to `wait` for the first call.
  void Pump(std::chrono::milliseconds wait = 2ms) {
    std::unique_lock lock(mutex_);
    if (queue_.empty()) cv_.wait_for(lock, wait);
    while (!queue_.empty()) {
      Call* call = queue_.front();
      queue_.pop_front();
      lock.unlock();
      (*call->fn)();
      lock.lock();
      call->done = true;
      cv_.notify_all();
    }
  }
  // Waits, serving nothing, until a hand-over is queued.
  bool WaitForCall(std::chrono::milliseconds timeout = 30s) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, timeout, [&] { return !queue_.empty(); });
  }
  template <class Pred>
  bool PumpUntil(Pred pred, std::chrono::milliseconds timeout = 10s) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!pred()) {
      if (std::chrono::steady_clock::now() > end) return false;
      Pump();
    }
    return true;
  }

 private:
  struct Call {
    const std::function<void()>* fn;
    bool done;
  };
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Call*> queue_;
};

// A board reduced to the fields the engine reads and a pass handler like the real one: clear the
// thinking flag, park, and release again unless a stop was requested.
struct FakeBoard {
  char squares[66];
  bool whiteToMove = true;
  bool computerPlaysWhite = false;
  bool computerPlaysBlack = false;
  uint8_t castling = 15;
  uint8_t enPassant = 0;
  int searchDepth = 1;
  int priority = tpNormal;

  FakeUi ui;
  std::vector<std::pair<int, int>> moves;  // MoveFound calls, board squares
  int passes = 0;
  bool applyMoves = false;
  std::unique_ptr<TChessThread> thread;

  explicit FakeBoard(const char* fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -") {
    SetFen(fen);
    thread = std::make_unique<TChessThread>(
        EngineLink{squares, &whiteToMove, &computerPlaysWhite, &computerPlaysBlack, &castling,
                   &enPassant, &searchDepth, &priority},
        [this](uint8_t from, uint8_t to) { MoveFound(from, to); },
        [this](TChessThread& t) { PassFinished(t); },
        [this](const std::function<void()>& fn) { ui.Run(fn); });
  }
  ~FakeBoard() {
    if (thread) thread->Shutdown([this] { ui.Pump(); });
  }
  void SetFen(const char* fen) {
    const EnginePosition p = testing::FromFen(fen);
    squares[0] = ' ';
    std::memcpy(squares + 1, p.squares, 64);
    squares[65] = 0;
    whiteToMove = p.whiteToMove;
    castling = p.castling;
    enPassant = p.enPassant;
  }
  void MoveFound(int from, int to) {
    moves.emplace_back(from, to);
    if (!applyMoves) return;
    squares[to] = squares[from];
    squares[from] = ' ';
    whiteToMove = !whiteToMove;
    enPassant = 0;
  }
  void PassFinished(TChessThread& t) {
    ++passes;
    t.ThinkingFlag = false;
    t.Suspend();
    if (!t.StopRequested) StartThinking();
  }
  void StartThinking() {
    thread->StopRequested = false;
    thread->Resume();
  }
  void StopThinking() {
    thread->StopRequested = true;
    ASSERT_TRUE(ui.PumpUntil([&] { return thread->Suspended(); }));
  }
};

TEST(ChessThread, CreatedParked) {
  FakeBoard b;
  b.computerPlaysWhite = true;  // even with a move due nothing happens before Resume
  for (int i = 0; i < 20; ++i) b.ui.Pump();
  EXPECT_TRUE(b.thread->Suspended());
  EXPECT_EQ(b.passes, 0);
  EXPECT_TRUE(b.moves.empty());
}

TEST(ChessThread, IdlePassesEndInPassFinished) {
  FakeBoard b;
  b.StartThinking();
  ASSERT_TRUE(b.ui.PumpUntil([&] { return b.passes >= 3; }));
  EXPECT_FALSE(b.thread->Suspended());
  b.StopThinking();
  EXPECT_TRUE(b.thread->Suspended());
  const int passes = b.passes;
  for (int i = 0; i < 20; ++i) b.ui.Pump();
  EXPECT_EQ(b.passes, passes);  // parked: no further pass
  EXPECT_TRUE(b.moves.empty());
}

TEST(ChessThread, SearchesWhenTheComputerIsToMove) {
  FakeBoard b;
  b.computerPlaysWhite = true;
  b.searchDepth = 3;
  b.StartThinking();
  ASSERT_TRUE(b.ui.PumpUntil([&] { return !b.moves.empty(); }));
  // The same move as a search of its own.
  Searcher s;
  std::atomic<bool> stop{false};
  const SearchResult r =
      s.Think(testing::FromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), 3, stop);
  EXPECT_EQ(b.moves[0], std::make_pair(r.move.from + 1, r.move.to + 1));
  EXPECT_FALSE(b.thread->ThinkingFlag);
  b.StopThinking();
}

TEST(ChessThread, PlaysBothSidesUntilStopped) {
  FakeBoard b;
  b.applyMoves = true;
  b.computerPlaysWhite = b.computerPlaysBlack = true;
  b.searchDepth = 2;
  b.StartThinking();
  ASSERT_TRUE(b.ui.PumpUntil([&] { return b.moves.size() >= 4; }));
  b.StopThinking();
  const size_t played = b.moves.size();
  for (int i = 0; i < 20; ++i) b.ui.Pump();
  EXPECT_EQ(b.moves.size(), played);
  // Released again, it goes on with the game.
  b.StartThinking();
  ASSERT_TRUE(b.ui.PumpUntil([&] { return b.moves.size() > played; }));
  b.StopThinking();
}

TEST(ChessThread, StopDuringTheSearchReportsNothing) {
  FakeBoard b("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
  b.computerPlaysWhite = true;
  b.searchDepth = 40;  // far beyond what finishes: only the stop ends it
  b.StartThinking();
  ASSERT_TRUE(b.ui.PumpUntil([&] { return b.thread->ThinkingFlag.load(); }));
  for (int i = 0; i < 10; ++i) b.ui.Pump();
  b.StopThinking();
  EXPECT_TRUE(b.moves.empty());
  EXPECT_EQ(b.passes, 1);
  EXPECT_FALSE(b.thread->ThinkingFlag);  // cleared by the pass handler
}

// The search has ended and its move waits for the UI thread when the stop comes: the stopped
// search reports nothing, so the move never reaches the board.
TEST(ChessThread, AMoveHandedOverAfterTheStopIsDropped) {
  FakeBoard b;
  b.computerPlaysWhite = true;
  b.searchDepth = 1;
  b.StartThinking();
  ASSERT_TRUE(b.ui.WaitForCall());  // the found move, not yet served
  b.StopThinking();
  EXPECT_TRUE(b.moves.empty());
  EXPECT_EQ(b.passes, 1);
}

TEST(ChessThread, ShutdownWhileSearchingReturnsPromptly) {
  FakeBoard b("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
  b.computerPlaysWhite = true;
  b.searchDepth = 40;
  b.StartThinking();
  ASSERT_TRUE(b.ui.PumpUntil([&] { return b.thread->ThinkingFlag.load(); }));
  const auto start = std::chrono::steady_clock::now();
  b.thread->Shutdown([&] { b.ui.Pump(); });
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);  // a hang guard, not a speed goal
  EXPECT_TRUE(b.moves.empty());
  EXPECT_EQ(b.passes, 0);  // the pass handler is not run once shutdown began
}

TEST(ChessThread, ShutdownOfAParkedOrIdleThread) {
  { FakeBoard parked; }
  FakeBoard idle;
  idle.StartThinking();
  ASSERT_TRUE(idle.ui.PumpUntil([&] { return idle.passes >= 1; }));
  idle.thread->Shutdown([&] { idle.ui.Pump(); });
  idle.thread->Shutdown([&] { idle.ui.Pump(); });  // a second call does nothing
}

TEST(ChessThread, NoLegalMoveHandsNothingToTheBoard) {
  FakeBoard b("k7/8/1Q6/8/8/8/8/7K b - -");  // Black is stalemated
  b.computerPlaysBlack = true;
  b.searchDepth = 3;
  b.StartThinking();
  ASSERT_TRUE(b.ui.PumpUntil([&] { return b.passes >= 2; }));
  b.StopThinking();
  EXPECT_TRUE(b.moves.empty());
}

TEST(ChessThread, ResumeWhileRunningChangesNothing) {
  FakeBoard b;
  b.StartThinking();
  for (int i = 0; i < 5; ++i) b.thread->Resume();
  ASSERT_TRUE(b.ui.PumpUntil([&] { return b.passes >= 2; }));
  b.StopThinking();
  EXPECT_TRUE(b.thread->Suspended());
}

TEST(ChessThread, PriorityBecomesTheThreadsNiceValue) {
  EXPECT_EQ(TChessThread::NiceFor(tpIdle, 0), 19);
  EXPECT_EQ(TChessThread::NiceFor(tpNormal, 0), 0);
  EXPECT_EQ(TChessThread::NiceFor(tpTimeCritical, 0), -20);
  EXPECT_EQ(TChessThread::NiceFor(tpLowest, 15), 19);  // clamped
  EXPECT_EQ(TChessThread::NiceFor(99, 0), -20);
  FakeBoard b;
  b.StartThinking();
  ASSERT_TRUE(b.ui.PumpUntil([&] { return b.thread->ThreadId() != 0; }));
  errno = 0;
  const int before = getpriority(PRIO_PROCESS, 0);
  b.thread->ApplyPriority(tpLower);
  EXPECT_EQ(getpriority(PRIO_PROCESS, b.thread->ThreadId()),
            TChessThread::NiceFor(tpLower, before));
  b.thread->ApplyPriority(tpTimeCritical);  // refused without privileges: ignored, no failure
  b.StopThinking();
}

}  // namespace
}  // namespace tavrel
