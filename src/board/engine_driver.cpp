// The board's side of the computer player: owning the engine thread, letting it think,
// stopping it before the position changes, and the custom-engine path.
#include <algorithm>

#include "board/chessboard.h"

#if __has_include("engine/chess_thread.h")
#include "engine/chess_thread.h"
#define TAVREL_HAVE_ENGINE_THREAD 1
#endif

namespace tavrel {

#ifdef TAVREL_HAVE_ENGINE_THREAD
void ChessBoard::ThreadDeleter::operator()(TChessThread* t) const {
  delete t;
}
#else
void ChessBoard::ThreadDeleter::operator()(TChessThread*) const {}
#endif

ChessBoard::~ChessBoard() {
  ShutdownEngine();
}

void ChessBoard::CreateEngineThread() {}

void ChessBoard::ShutdownEngine() {
  if (engineShutDown_) return;
  engineShutDown_ = true;
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
}

void ChessBoard::SetThinkingPriority(int value) {
  thinkingPriority_ = std::clamp(value, 0, 6);
}

bool ChessBoard::Thinking() const {
  return false;
}

void ChessBoard::StartThinking() {
  if (!customEngine_) return;
  if (!ComputerToMove() || !OnCalculateMove || engineHalted_) return;
  Square from = None, to = None;
  OnCalculateMove(this, from, to);
  if (engineHalted_) return;
  if (!ExecuteMove(from, to) && OnCalculationFailed) OnCalculationFailed(this, from, to);
}

void ChessBoard::StopThinking() {
  engineHalted_ = true;
}

void ChessBoard::CustomEngineCheck() {
  if (!engineHalted_ && customEngine_ && ComputerToMove()) StartThinking();
}

void ChessBoard::PassFinished() {}

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
