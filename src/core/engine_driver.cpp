// The board's side of the computer player: owning the engine thread, letting it think,
// stopping it before the position changes, and the custom-engine path.
#include <algorithm>

#include "core/chessboard.h"
#include "core/chess_thread.h"

namespace tavrel {

ChessBoard::~ChessBoard() {
  ShutdownEngine();
}

void ChessBoard::CreateEngineThread() {
  PublishToEngine();
  EngineLink link{squares_,         &whiteToMove_, &computerPlaysWhite_, &computerPlaysBlack_,
                  &engineCastling_, &enPassant_,   &engineSearchDepth_,  &enginePriority_};
  // Both callbacks run on the UI thread, inside a hand-over the engine thread waits for.
  thread_.reset(new TChessThread(
      link,
      [this](uint8_t from, uint8_t to) {
        ++handOverDepth_;
        ExecuteMove(from, to);  // a refused engine move is dropped
        PublishToEngine();
        --handOverDepth_;
      },
      [this](TChessThread&) {
        ++handOverDepth_;
        PassFinished();
        --handOverDepth_;
      },
      [this](const std::function<void()>& fn) { RunOnUiThread(fn); }));
}

void ChessBoard::ShutdownEngine() {
  if (engineShutDown_) return;
  engineShutDown_ = true;
  if (thread_) thread_->Shutdown([this] { ServeUiCalls(); });
  thread_.reset();
}

bool ChessBoard::ComputerToMove() const {
  return (computerPlaysBlack_ && !whiteToMove_) || (computerPlaysWhite_ && whiteToMove_);
}

void ChessBoard::SetComputerPlaysWhite(bool value) {
  StopThinking();
  computerPlaysWhite_ = value;
  StartThinking();
}

void ChessBoard::SetComputerPlaysBlack(bool value) {
  StopThinking();
  computerPlaysBlack_ = value;
  StartThinking();
}

void ChessBoard::SetSearchDepth(int value) {
  searchDepth_ = std::clamp(value, 1, 8);
  PublishToEngine();
}

void ChessBoard::SetCastlingAllowed(CastleSet value) {
  castling_ = value & AllCastling;
  PublishToEngine();
}

// The depth, the castling rights and the priority change without stopping the engine, which
// reads them at the start of a pass or search. The engine sees copies that are refreshed only
// while it is parked or waiting in a hand-over, so it never reads a field being written; a
// change made while it runs reaches it at its next hand-over.
void ChessBoard::PublishToEngine() {
  if (thread_ && handOverDepth_ == 0 && !thread_->Suspended()) return;
  engineCastling_ = castling_;
  engineSearchDepth_ = searchDepth_;
  enginePriority_ = thinkingPriority_;
}

void ChessBoard::SetThinkingPriority(TThreadPriority value) {
  thinkingPriority_ = std::clamp(static_cast<int>(value), 0, 6);
  PublishToEngine();
  if (thread_) thread_->ApplyPriority(thinkingPriority_);
}

bool ChessBoard::Thinking() const {
  return thread_ && thread_->ThinkingFlag.load();
}

bool ChessBoard::EngineParked() const {
  return !thread_ || thread_->Suspended();
}

void ChessBoard::StartThinking() {
  // In a full record no engine move could be played: a search would only be refused and
  // started again, pass after pass.
  if (engineShutDown_ || RecordFull()) return;
  if (!customEngine_) {
    if (thread_) {
      PublishToEngine();
      thread_->StopRequested = false;
      thread_->Resume();
    }
    return;
  }
  if (!ComputerToMove() || !OnCalculateMove || engineHalted_) return;
  Square from = None, to = None;
  OnCalculateMove(this, from, to);
  if (engineHalted_) return;
  if (!ExecuteMove(from, to) && OnCalculationFailed) OnCalculationFailed(this, from, to);
}

// Waiting is impossible inside a hand-over (the engine thread is blocked in it); there the stop
// is only requested and the thread parks at the end of its pass. A game that has just ended
// inside a hand-over is left alone, as its own handlers may still be running.
void ChessBoard::StopThinking() {
  if (thread_ && !engineShutDown_) {
    const bool inHandOver = handOverDepth_ > 0;
    if (!(inHandOver && gameEnded_)) thread_->StopRequested = true;
    // A StartThinking served meanwhile (a timer, say) would clear the request again: the stop
    // wins until the thread is parked.
    if (!inHandOver) {
      while (!thread_->Suspended()) {
        thread_->StopRequested = true;
        ServeUiCalls();
      }
    }
    PublishToEngine();
  }
  engineHalted_ = true;
}

void ChessBoard::CustomEngineCheck() {
  if (!engineHalted_ && customEngine_ && ComputerToMove()) StartThinking();
}

void ChessBoard::PassFinished() {
  thread_->ThinkingFlag = false;
  thread_->Suspend();
  PublishToEngine();
  if (!thread_->StopRequested) StartThinking();
}

// ---------------------------------------------------------------- UI hand-over queue

void ChessBoard::RunOnUiThread(const std::function<void()>& fn) {
  if (std::this_thread::get_id() == uiThread_) {
    fn();
    return;
  }
  UiCall call{&fn};
  std::unique_lock lock(uiMutex_);
  uiQueue_.push_back(&call);
  uiCv_.notify_all();
  uiCv_.wait(lock, [&] { return call.done; });
}

void ChessBoard::ServeUiCalls() {
  std::unique_lock lock(uiMutex_);
  if (uiQueue_.empty()) uiCv_.wait_for(lock, std::chrono::milliseconds(2));
  while (!uiQueue_.empty()) {
    UiCall* call = uiQueue_.front();
    uiQueue_.pop_front();
    lock.unlock();
    (*call->fn)();
    lock.lock();
    call->done = true;
    uiCv_.notify_all();
  }
}

void ChessBoard::ProcessUiCalls(std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  do {
    ServeUiCalls();
  } while (std::chrono::steady_clock::now() < end);
}

bool ChessBoard::ProcessUiCallsUntil(const std::function<bool()>& pred,
                                     std::chrono::milliseconds timeout) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= end) return pred();
    ServeUiCalls();
  }
  return true;
}

}  // namespace tavrel
