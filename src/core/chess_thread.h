// The engine thread of a board. It loops pass after pass: when the computer is to move it searches
// and hands the move to the UI thread (MoveFound); every pass ends with a hand-over of the
// end-of-pass notice (PassFinished), in which the board parks or releases the thread. Both
// hand-overs are synchronous: the engine thread waits until the UI thread has run them.
//
// The thread is created parked and joined by Shutdown (or the destructor). Parking and release use
// a mutex and a condition variable; the search polls StopRequested.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tavrel {

class Searcher;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Board fields the engine reads without a lock: the computer flags, WhiteToMove and
// ThinkingPriority at the top of each pass, the rest at the start of each search. The board
// changes position, side to move and en-passant square only while the thread is parked.
struct EngineLink {
  const char* Squares;  // the board's 66-char array: board text " PNBRQKpnbrqk" from index 1..64
  const bool* WhiteToMove;
  const bool* ComputerPlaysWhite;
  const bool* ComputerPlaysBlack;
  const uint8_t* CastlingAllowed;
  const uint8_t* EnPassant;  // a board Square (1..64), 0 = none
  const int* SearchDepth;
  const int* ThinkingPriority;
};

class TChessThread {
 public:
  // Runs fn on the UI thread and returns when it is done.
  using UiCall = std::function<void(const std::function<void()>&)>;

  // moveFound receives board Squares 1..64. The thread is created parked.
  TChessThread(EngineLink link, std::function<void(uint8_t from, uint8_t to)> moveFound,
               std::function<void(TChessThread&)> passFinished, UiCall runOnUi);
  // Shuts the thread down if Shutdown was not called; that is only safe while no hand-over is
  // waiting for the destroying thread, so owners call Shutdown with their serving function first.
  ~TChessThread();
  TChessThread(const TChessThread&) = delete;
  TChessThread& operator=(const TChessThread&) = delete;

  // Releases a parked thread (also one that Suspend marked inside PassFinished). While the thread
  // runs it only cuts short an idle pass's wait.
  void Resume();
  // Called inside PassFinished on the UI thread: the thread parks when that call returns.
  void Suspend();
  // Parked, or inside the PassFinished call after Suspend.
  bool Suspended() const;

  std::atomic<bool> StopRequested{false};
  std::atomic<bool> ThinkingFlag{false};

  // Maps tpIdle .. tpTimeCritical (0..6) to a nice value of the engine thread; a value the
  // system refuses (raising priority needs privileges) is ignored.
  void ApplyPriority(int tp);
  // Nice value that ApplyPriority sets for tp, relative to the process's nice value at start.
  static int NiceFor(int tp, int baseNice);
  // Kernel thread id of the engine thread (0 before it has started).
  pid_t ThreadId() const { return tid_.load(); }

  // Stops the search and ends the thread: calls serveUi repeatedly (on the calling UI thread)
  // until the thread has exited, then joins. Hand-overs requested after shutdown began run as
  // no-ops.
  void Shutdown(const std::function<void()>& serveUi);

  // How long a pass with no computer move due waits before its hand-over, unless Resume, a stop
  // request or Shutdown cuts it short. Keeps an idle board from spinning a core.
  static constexpr int kIdleWaitMs = 20;

 private:
  void Execute();
  void Pass();
  void HandOver(const std::function<void()>& fn);

  EngineLink link_;
  std::function<void(uint8_t, uint8_t)> moveFound_;
  std::function<void(TChessThread&)> passFinished_;
  UiCall runOnUi_;
  std::unique_ptr<Searcher> searcher_;

  mutable std::mutex mutex_;
  mutable std::condition_variable cv_;
  bool running_ = false;         // released (not parked)
  bool suspendPending_ = false;  // Suspend was called: park at the end of this pass
  bool wake_ = false;            // Resume while running: end an idle wait
  bool terminate_ = false;
  std::atomic<bool> shuttingDown_{false};
  std::atomic<bool> exited_{false};
  std::atomic<bool> inHandOver_{false};  // waiting in runOnUi_
  std::atomic<pid_t> tid_{0};
  std::atomic<int> pendingPriority_{-1};
  int baseNice_ = 0;
  std::thread thread_;
};

}  // namespace tavrel
