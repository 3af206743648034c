// The UCI front end of the engine: reads commands line by line, searches on a worker thread so
// that "stop" and "isready" are answered during "go", and writes replies as whole lines.
//
// Every command is a member function taking the rest of the line; adding a command (or a "go"
// mode) is one table entry and one function.
#pragma once

#include <atomic>
#include <functional>
#include <iosfwd>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/search.h"

namespace tavrel::uci {

// Score text for an info line: "cp 25", "mate 2" (side to move mates in 2), "mate -1".
std::string ScoreText(int score);

class UciEngine {
 public:
  explicit UciEngine(std::ostream& out);
  ~UciEngine();  // stops a running search

  // Handles one input line; returns false once "quit" was read.
  bool Execute(const std::string& line);
  // Blocks until a running search or perft has finished by itself.
  void WaitForWorker();
  // The input has ended: stops an infinite search (it reports its move), waits for any other.
  void EndOfInput();

  // The fixed benchmark: every position to kBenchDepth; returns the total node count.
  uint64_t Bench();
  static constexpr int kBenchDepth = 6;
  static const std::vector<const char*>& BenchPositions();

  const EnginePosition& Position() const { return position_; }
  int Depth() const { return depth_; }

 private:
  using Args = std::istringstream;
  using Command = void (UciEngine::*)(Args&);
  static const std::map<std::string, Command>& Commands();

  void CmdUci(Args&);
  void CmdIsReady(Args&);
  void CmdNewGame(Args&);
  void CmdSetOption(Args&);
  void CmdPosition(Args&);
  void CmdGo(Args&);
  void CmdStop(Args&);
  void CmdBench(Args&);

  bool GoNumber(Args& args, const std::string& word, int lo, int hi, int& value);
  bool RefusedPosition();
  // Limits of one "go": 0 = none. softMs: no new iteration after half of it.
  struct GoLimits {
    int hardMs = 0, softMs = 0;
    uint64_t nodes = 0;
  };
  void GoSearch(int depth, GoLimits limits);
  void GoPerft(int depth);
  void GoMate(int moves);

  void StopWorker();
  void StartWorker(std::function<void()> job);
  void Send(const std::string& line);
  void Error(const std::string& text) { Send("info string error: " + text); }

  std::ostream& out_;
  std::mutex outMutex_;
  std::unique_ptr<Searcher> searcher_;   // owned by the worker while it runs
  std::unique_ptr<Searcher> validator_;  // checks the moves of "position" commands
  EnginePosition position_;
  bool havePosition_ = true;  // false after a refused "position" command
  int depth_ = 5;
  bool quit_ = false;
  bool endless_ = false;  // the running search is "go infinite" or "go ponder"
  std::atomic<bool> stop_{false};
  std::thread worker_;
};

// Reads commands from `in` until "quit" or the end of the input (then EndOfInput).
void RunSession(UciEngine& engine, std::istream& in);

}  // namespace tavrel::uci
