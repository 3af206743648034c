#include "core/chess_thread.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "core/search.h"

namespace tavrel {

TChessThread::TChessThread(EngineLink link, std::function<void(uint8_t, uint8_t)> moveFound,
                           std::function<void(TChessThread&)> passFinished, UiCall runOnUi)
    : link_(link),
      moveFound_(std::move(moveFound)),
      passFinished_(std::move(passFinished)),
      runOnUi_(std::move(runOnUi)),
      searcher_(std::make_unique<Searcher>()) {
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, 0);
  baseNice_ = errno == 0 ? nice : 0;
  thread_ = std::thread([this] { Execute(); });
}

TChessThread::~TChessThread() {
  if (thread_.joinable()) Shutdown([] { std::this_thread::yield(); });
}

void TChessThread::Resume() {
  std::lock_guard lock(mutex_);
  if (!running_ || suspendPending_) {
    running_ = true;
    suspendPending_ = false;
  } else {
    wake_ = true;
  }
  cv_.notify_all();
}

void TChessThread::Suspend() {
  std::lock_guard lock(mutex_);
  if (running_) suspendPending_ = true;
}

bool TChessThread::Suspended() const {
  std::lock_guard lock(mutex_);
  // The board sets StopRequested and then polls here: end an idle wait so that the pass
  // reaches its hand-over at once.
  if (StopRequested.load()) cv_.notify_all();
  return !running_ || suspendPending_;
}

int TChessThread::NiceFor(int tp, int baseNice) {
  static constexpr int kOffset[7] = {19, 10, 5, 0, -5, -10, -20};
  tp = std::clamp(tp, int(tpIdle), int(tpTimeCritical));
  return std::clamp(baseNice + kOffset[tp], -20, 19);
}

void TChessThread::ApplyPriority(int tp) {
  const pid_t tid = tid_.load();
  if (tid == 0) {
    pendingPriority_ = tp;  // applied when the thread starts
    return;
  }
  // Refused values (EACCES/EPERM without privileges) are ignored.
  (void)setpriority(PRIO_PROCESS, tid, NiceFor(tp, baseNice_));
}

void TChessThread::Shutdown(const std::function<void()>& serveUi) {
  if (!thread_.joinable()) return;
  shuttingDown_ = true;
  StopRequested = true;
  {
    std::lock_guard lock(mutex_);
    terminate_ = true;
    cv_.notify_all();
  }
  // Serve only while the thread waits in a hand-over: a parked or searching thread ends without
  // the UI thread's help, and the owner may be half destroyed when it shuts its engine down.
  while (!exited_.load()) {
    if (inHandOver_.load())
      serveUi();
    else
      std::this_thread::sleep_for(std::chrono::microseconds(50));
  }
  thread_.join();
}

void TChessThread::HandOver(const std::function<void()>& fn) {
  if (shuttingDown_.load()) return;
  inHandOver_ = true;
  runOnUi_([&] {
    if (!shuttingDown_.load()) fn();
  });
  inHandOver_ = false;
}

void TChessThread::Execute() {
  tid_ = pid_t(gettid());
  const int pending = pendingPriority_.exchange(-1);
  if (pending >= 0) ApplyPriority(pending);
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      cv_.wait(lock, [this] { return running_ || terminate_; });
      if (terminate_) break;
    }
    Pass();
    std::lock_guard lock(mutex_);
    if (suspendPending_) {
      suspendPending_ = false;
      running_ = false;
    }
  }
  exited_ = true;
}

void TChessThread::Pass() {
  const bool white = *link_.WhiteToMove;
  const bool due = (*link_.ComputerPlaysWhite && white) || (*link_.ComputerPlaysBlack && !white);
  if (due) {
    ApplyPriority(*link_.ThinkingPriority);
    ThinkingFlag = true;
    EnginePosition pos;
    std::memcpy(pos.squares, link_.Squares + 1, 64);
    pos.whiteToMove = *link_.WhiteToMove;
    pos.castling = *link_.CastlingAllowed;
    pos.enPassant = *link_.EnPassant;
    const SearchResult result = searcher_->Think(pos, *link_.SearchDepth, StopRequested);
    if (!StopRequested.load()) {
      ThinkingFlag = false;
      // A root without a legal move has no principal variation: nothing goes to the board.
      if (result.hasMove) {
        const uint8_t from = uint8_t(result.move.from + 1), to = uint8_t(result.move.to + 1);
        // The UI thread may request a stop between the check above and the moment it serves
        // the hand-over: a stopped search reports nothing, so the move is dropped there. Only
        // the UI thread writes the flag, so this check on its side cannot race.
        HandOver([&] {
          if (!StopRequested.load()) moveFound_(from, to);
        });
      }
    }
  } else {
    // Nothing to search: wait a little instead of handing over in a tight loop. Resume, a stop
    // request (noticed through Suspended) and Shutdown end the wait at once.
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(kIdleWaitMs),
                 [this] { return wake_ || terminate_ || StopRequested.load(); });
    wake_ = false;
  }
  HandOver([&] { passFinished_(*this); });
}

}  // namespace tavrel
