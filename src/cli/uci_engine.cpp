#include "uci_engine.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <istream>
#include <ostream>

#include "core/fen.h"
#include "core/pgn.h"
#include "core/problem_solution.h"
#include "core/solver.h"

namespace tavrel::uci {

namespace {

using Clock = std::chrono::steady_clock;

EnginePosition FromFen(const FenPosition& fen) {
  EnginePosition pos;
  std::memcpy(pos.squares, fen.Board.data(), 64);
  pos.whiteToMove = fen.WhiteToMove;
  pos.castling = uint8_t(fen.Castling & 15);
  pos.enPassant = uint8_t(fen.EnPassant);
  return pos;
}

EnginePosition StartPosition() {
  return FromFen(*ParseFen(kStartFen));
}

// Integer parse of a whole token.
bool ToInt(const std::string& s, int& value) {
  if (s.empty() || s.size() > 9) return false;
  size_t i = s[0] == '-' ? 1 : 0;
  if (i == s.size()) return false;
  for (size_t j = i; j < s.size(); ++j)
    if (s[j] < '0' || s[j] > '9') return false;
  value = std::stoi(s);
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Concatenation by appending (GCC 12 warns falsely on chains of "literal" + std::string).
template <class... Parts>
std::string Join(const Parts&... parts) {
  std::string s;
  (s.append(parts), ...);
  return s;
}

double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

uint64_t Millis(Clock::duration d) {
  return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

uint64_t Nps(uint64_t nodes, Clock::duration d) {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(d).count();
  return us > 0 ? uint64_t(double(nodes) * 1e6 / double(us)) : 0;
}

// Input echoed back in an error line is cut short: a line of megabytes is not repeated.
std::string Excerpt(const std::string& text) {
  constexpr size_t kMaxEcho = 64;
  if (text.size() <= kMaxEcho) return text;
  return Join(text.substr(0, kMaxEcho), "... (", std::to_string(text.size()), " characters)");
}

}  // namespace

std::string ScoreText(int score) {
  constexpr int kMateBound = engine::kMate - engine::kMaxPly;
  // Material beyond the mate range (a board full of queens) is no mate.
  if (score > kMateBound && score <= engine::kMate)
    return Join("mate ", std::to_string((engine::kMate - score + 1) / 2));
  if (score < -kMateBound && score >= -engine::kMate)
    return Join("mate ", std::to_string(-(engine::kMate + score) / 2));
  return Join("cp ", std::to_string(score));
}

UciEngine::UciEngine(std::ostream& out)
    : out_(out),
      searcher_(std::make_unique<Searcher>()),
      validator_(std::make_unique<Searcher>()),
      position_(StartPosition()) {}

UciEngine::~UciEngine() {
  StopWorker();
}

const std::map<std::string, UciEngine::Command>& UciEngine::Commands() {
  static const std::map<std::string, Command> commands = {
      {"uci", &UciEngine::CmdUci},
      {"isready", &UciEngine::CmdIsReady},
      {"ucinewgame", &UciEngine::CmdNewGame},
      {"setoption", &UciEngine::CmdSetOption},
      {"position", &UciEngine::CmdPosition},
      {"go", &UciEngine::CmdGo},
      {"stop", &UciEngine::CmdStop},
      {"bench", &UciEngine::CmdBench},
  };
  return commands;
}

bool UciEngine::Execute(const std::string& line) {
  Args args(line);
  std::string word;
  if (!(args >> word)) return true;  // blank line
  if (word == "quit") {
    StopWorker();
    quit_ = true;
    return false;
  }
  const auto it = Commands().find(word);
  if (it == Commands().end()) {
    Error("unknown command '" + Excerpt(word) + "'");
    return true;
  }
  (this->*(it->second))(args);
  return true;
}

void UciEngine::Send(const std::string& line) {
  std::lock_guard lock(outMutex_);
  out_ << line << '\n';
  out_.flush();
}

void UciEngine::CmdUci(Args&) {
  Send("id name Tavrel");
  Send("id author the Tavrel developers");
  Send("option name Depth type spin default 5 min 1 max 8");
  Send("option name Literal type check default false");
  Send("uciok");
}

void UciEngine::CmdIsReady(Args&) {
  Send("readyok");
}

void UciEngine::CmdNewGame(Args&) {
  StopWorker();
  position_ = StartPosition();
  havePosition_ = true;
  searcher_->ClearHint();
}

void UciEngine::CmdSetOption(Args& args) {
  std::string word, name, value;
  bool inValue = false;
  args >> word;
  if (word != "name") return Error("setoption: expected 'name'");
  while (args >> word) {
    if (word == "value" && !inValue) {
      inValue = true;
      continue;
    }
    std::string& target = inValue ? value : name;
    if (!target.empty()) target += ' ';
    target += word;
  }
  if (Lower(name) == "literal") {
    // The reference search: every node of the literal tree, same move and score, far slower.
    const std::string v = Lower(value);
    if (v != "true" && v != "false")
      return Error("setoption: Literal must be true or false, got '" + Excerpt(value) + "'");
    StopWorker();
    searcher_->SetLiteral(v == "true");
    return;
  }
  if (Lower(name) != "depth") return Error("setoption: unknown option '" + Excerpt(name) + "'");
  int depth;
  if (!ToInt(value, depth) || depth < 1 || depth > 8)
    return Error("setoption: Depth must be 1..8, got '" + Excerpt(value) + "'");
  StopWorker();
  depth_ = depth;
}

void UciEngine::CmdPosition(Args& args) {
  // Whatever is refused below leaves no usable position until the next accepted one.
  havePosition_ = false;
  std::string word;
  args >> word;
  EnginePosition pos;
  if (word == "startpos") {
    pos = StartPosition();
    if (!(args >> word)) word.clear();
  } else if (word == "fen") {
    std::string fen;
    while (args >> word && word != "moves") fen += (fen.empty() ? "" : " ") + word;
    if (word != "moves") word.clear();
    std::string why;
    const auto parsed = ParseFen(fen, &why);
    if (!parsed) return Error("invalid FEN '" + Excerpt(fen) + "': " + why);
    // The checks of a game's set-up position: a position no game can reach (eight kings, a pawn
    // on its first rank, the side not to move in check) is refused as it is everywhere else.
    try {
      pos = FromFen(ParseSetUpFen(fen));
    } catch (const PgnError& e) {
      return Error(Join("impossible position '", Excerpt(fen), "': ", e.what()));
    }
  } else {
    return Error("position: expected 'startpos' or 'fen'");
  }
  if (!word.empty() && word != "moves")
    return Error("position: unexpected '" + Excerpt(word) + "'");
  // A running search keeps its own copy of the position; the new one is for the next "go".
  while (args >> word) {
    validator_->SetPosition(pos);
    EngineMove legal[256];
    const int n = validator_->LegalMoves(legal, 256);
    const EngineMove* found = nullptr;
    for (int i = 0; i < n && !found; ++i)
      if (MoveToUci(legal[i]) == Lower(word)) found = &legal[i];
    if (!found)
      return Error("illegal move '" + Excerpt(word) + "' in position command; position unchanged");
    pos = AfterMove(pos, *found);
  }
  position_ = pos;
  havePosition_ = true;
}

// A number for a "go" parameter, clamped to lo..hi; false (and an error line) when the word is
// no number at all.
bool UciEngine::GoNumber(Args& args, const std::string& word, int lo, int hi, int& value) {
  std::string text;
  if (!(args >> text)) {
    Error(Join("go ", word, ": expected a number ", std::to_string(lo), "..", std::to_string(hi),
               "; ignored"));
    return false;
  }
  const size_t digits = text[0] == '-' || text[0] == '+' ? 1 : 0;
  if (digits == text.size() || text.find_first_not_of("0123456789", digits) != std::string::npos) {
    Error(Join("go ", word, ": '", Excerpt(text), "' is no number; ignored"));
    return false;
  }
  // Any run of digits can be clamped, however long.
  long long n = 0;
  for (size_t i = digits; i < text.size() && n <= hi; ++i) n = n * 10 + (text[i] - '0');
  if (text[0] == '-') n = -n;
  value = int(std::clamp<long long>(n, lo, hi));
  if (value != n)
    Error(Join("go ", word, ": ", Excerpt(text), " is out of range, using ", std::to_string(value)));
  return true;
}

void UciEngine::CmdGo(Args& args) {
  // A GUI waits for "bestmove" after every "go": a bad parameter is reported and ignored, a
  // number out of range is clamped, and every path below ends with exactly one bestmove.
  std::string word;
  int depth = depth_;
  bool depthGiven = false;
  bool endless = false;
  GoLimits limits;
  int clock[4] = {-1, -1, 0, 0};  // wtime, btime, winc, binc
  int movesToGo = 0;
  constexpr int kMaxMs = 1000 * 1000 * 1000;
  while (args >> word) {
    int n = 0;
    if (word == "depth") {
      if (GoNumber(args, word, 1, engine::kMaxPly - 1, n)) depth = n, depthGiven = true;
    } else if (word == "perft") {
      if (GoNumber(args, word, 1, engine::kMaxPly - 1, n)) return GoPerft(n);
    } else if (word == "mate") {
      if (GoNumber(args, word, 1, kMaxSolverMoves, n)) return GoMate(n);
    } else if (word == "infinite") {
      depth = engine::kMaxPly - 1;
      endless = true;
    } else if (word == "wtime" || word == "btime" || word == "winc" || word == "binc") {
      const int i = word == "wtime" ? 0 : word == "btime" ? 1 : word == "winc" ? 2 : 3;
      if (GoNumber(args, word, 0, kMaxMs, n)) clock[i] = n;
    } else if (word == "movestogo") {
      if (GoNumber(args, word, 1, 1000, n)) movesToGo = n;
    } else if (word == "movetime") {
      if (GoNumber(args, word, 1, kMaxMs, n)) limits.hardMs = limits.softMs = n;
    } else if (word == "nodes") {
      if (GoNumber(args, word, 1, kMaxMs, n)) limits.nodes = uint64_t(n);
    } else if (word == "ponder") {
      endless = true;  // runs until "stop" or "ponderhit" like an infinite search
    } else {
      Error("go: unknown parameter '" + Excerpt(word) + "'; ignored");
    }
  }
  const int own = position_.whiteToMove ? 0 : 1;
  if (clock[own] >= 0 && limits.hardMs == 0) {
    // A share of the clock, never more than half of it, with a margin for the GUI's latency.
    const int left = clock[own], inc = clock[own + 2];
    const int share = left / (movesToGo > 0 ? movesToGo + 1 : 30) + inc * 3 / 4;
    limits.hardMs = std::max(1, std::min(share * 2, left / 2 - 30));
    limits.softMs = std::max(1, std::min(share, limits.hardMs));
  }
  if (endless) limits = GoLimits{};
  // A time or node limit without a depth lets the search go as deep as the limit allows.
  if (!depthGiven && !endless && (limits.hardMs > 0 || limits.nodes > 0))
    depth = engine::kMaxPly - 1;
  GoSearch(depth, limits);
  endless_ = endless;
}

// After a refused "position" command the GUI's position is unknown: searching the previous one
// would answer for the wrong game.
bool UciEngine::RefusedPosition() {
  if (havePosition_) return false;
  StopWorker();
  Error("no position: the last position command was refused");
  Send("bestmove 0000");
  return true;
}

void UciEngine::GoSearch(int depth, GoLimits limits) {
  if (RefusedPosition()) return;
  const EnginePosition pos = position_;
  StartWorker([this, pos, depth, limits] {
    const auto start = Clock::now();
    // The time limit is kept by a watch that sets the stop flag; the search then answers with
    // its last finished iteration. Nodes are counted per iteration: the search ends after the
    // first iteration that reaches the limit.
    std::mutex watchMutex;
    std::condition_variable watchWake;
    bool done = false;
    std::thread watch;
    if (limits.hardMs > 0)
      watch = std::thread([&] {
        std::unique_lock<std::mutex> lock(watchMutex);
        if (!watchWake.wait_until(lock, start + std::chrono::milliseconds(limits.hardMs),
                                  [&] { return done; }))
          stop_ = true;
      });
    const SearchResult r = searcher_->Think(pos, depth, stop_, [&](const IterationInfo& info) {
      const auto elapsed = Clock::now() - start;
      std::string line = Join("info depth ", std::to_string(info.depth), " score ",
                              ScoreText(info.score), " nodes ", std::to_string(info.nodes), " nps ",
                              std::to_string(Nps(info.nodes, elapsed)), " time ",
                              std::to_string(Millis(elapsed)), " pv");
      for (int i = 0; i < info.pvLength; ++i) line.append(" ").append(MoveToUci(info.pv[i]));
      Send(line);
      // A next iteration takes several times as long as this one: past the soft limit it would
      // only be cut off.
      if ((limits.nodes > 0 && info.nodes >= limits.nodes) ||
          (limits.softMs > 0 && Millis(elapsed) >= uint64_t(limits.softMs) / 2))
        stop_ = true;
    });
    if (watch.joinable()) {
      {
        std::lock_guard<std::mutex> lock(watchMutex);
        done = true;
      }
      watchWake.notify_one();
      watch.join();
    }
    if (r.hasMove) return Send(Join("bestmove ", MoveToUci(r.move)));
    // Stopped before the first iteration ended: any legal move beats none.
    searcher_->SetPosition(pos);
    EngineMove legal[1];
    if (searcher_->LegalMoves(legal, 1) > 0) return Send(Join("bestmove ", MoveToUci(legal[0])));
    Send("info string no legal move");
    Send("bestmove 0000");
  });
}

// The mate solver proves the shortest mate for the side to move, with the position's castling
// rights and en-passant square.
void UciEngine::GoMate(int moves) {
  if (RefusedPosition()) return;
  const EnginePosition pos = position_;
  StartWorker([this, pos, moves] {
    FenPosition fen;
    fen.Board.assign(pos.squares, 64);
    fen.WhiteToMove = pos.whiteToMove;
    fen.Castling = pos.castling;
    fen.EnPassant = static_cast<Square>(pos.enPassant);
    const std::optional<ProblemPosition> problem = ToProblemPosition(fen, nullptr);
    const MateSolution mate =
        problem ? SolveMateOnBoard(problem->board, moves, problem->side, stop_) : MateSolution{};
    if (mate.moves == 0) {
      Send(Join("info string no mate in ", std::to_string(moves)));
      return Send("bestmove 0000");
    }
    const std::string move = ToUciMove(mate.firstMove);
    const std::string n = std::to_string(mate.moves);
    Send(Join("info depth ", n, " score mate ", n, " pv ", move));
    Send(Join("bestmove ", move));
  });
}

// Perft chooses no move; its "bestmove 0000" only tells a GUI that the "go" has ended.
void UciEngine::GoPerft(int depth) {
  if (RefusedPosition()) return;
  const EnginePosition pos = position_;
  StartWorker([this, pos, depth] {
    const auto start = Clock::now();
    uint64_t total = 0;
    searcher_->SetPosition(pos);
    const bool complete = searcher_->PerftDivide(
        depth,
        [&](EngineMove m, uint64_t n) {
          total += n;
          Send(Join(MoveToUci(m), ": ", std::to_string(n)));
        },
        &stop_);
    if (!complete) {
      Send("info string perft stopped");
      return Send("bestmove 0000");
    }
    const auto elapsed = Clock::now() - start;
    Send("");
    Send(Join("Nodes searched: ", std::to_string(total)));
    Send(Join("info string perft time ", std::to_string(Millis(elapsed)), " ms, ",
              std::to_string(Nps(total, elapsed)), " nodes/s"));
    Send("bestmove 0000");
  });
}

void UciEngine::CmdStop(Args&) {
  StopWorker();
}

void UciEngine::CmdBench(Args&) {
  StopWorker();
  Bench();
}

const std::vector<const char*>& UciEngine::BenchPositions() {
  static const std::vector<const char*> positions = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "r3k2r/2pb1ppp/2pp1q2/p7/1nP1B3/1P2P3/P2N1PPP/R2QK2R w KQkq a6 0 14",
      "4rrk1/2p1b1p1/p1p3q1/4p3/2P2n1p/1P1NR2P/PB3PP1/3R1QK1 b - - 2 24",
      "r3qbrk/6p1/2b2pPp/p3pP1Q/PpPpP2P/3P1B2/2PB3K/R5R1 w - - 16 42",
      "6k1/1R3p2/6p1/2Bp3p/3P2q1/P7/1P2rQ1K/5R2 b - - 4 44",
      "7r/2p3k1/1p1p1qp1/1P1Bp3/p1P2r1P/P7/4R3/Q4RK1 w - - 0 36",
      "8/8/1p2k1p1/3p3p/1p1P1P1P/1P2PK2/8/8 w - - 3 54",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
  };
  return positions;
}

uint64_t UciEngine::Bench() {
  // The literal search's node count is the fixed signature; the fast search's figures stand beside
  // it, with whether both gave the same move and score.
  uint64_t total = 0, fastTotal = 0;
  std::atomic<bool> noStop{false};
  Clock::duration literalTime{}, fastTime{};
  double cpu = 0;
  bool allAgree = true;
  int i = 0;
  const bool literal = searcher_->Literal();
  for (const char* fen : BenchPositions()) {
    // Each position starts without the previous search's hint, so the node count is a fixed
    // signature of the search.
    const EnginePosition pos = FromFen(*ParseFen(fen));
    searcher_->ClearHint();
    searcher_->SetLiteral(true);
    auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    const SearchResult r = searcher_->Think(pos, kBenchDepth, noStop);
    cpu += CpuSeconds() - cpuStart;
    literalTime += Clock::now() - start;
    searcher_->ClearHint();
    searcher_->SetLiteral(false);
    start = Clock::now();
    const SearchResult f = searcher_->Think(pos, kBenchDepth, noStop);
    const auto fastElapsed = Clock::now() - start;
    fastTime += fastElapsed;
    const bool agree = f.move == r.move && f.score == r.score;
    allAgree = allAgree && agree;
    total += r.nodes;
    fastTotal += f.nodes;
    Send(Join("info string bench ", std::to_string(++i), "/",
              std::to_string(BenchPositions().size()), " ", MoveToUci(r.move), " score ",
              ScoreText(r.score), " nodes ", std::to_string(r.nodes), " fast ",
              std::to_string(f.nodes), " nodes ", std::to_string(Millis(fastElapsed)), " ms ",
              agree ? "same" : "DIFFERENT", " ", fen));
  }
  searcher_->SetLiteral(literal);
  searcher_->ClearHint();
  // On a shared machine the wall clock includes other processes' turns; the CPU time does not.
  const uint64_t cpuNps = cpu > 0 ? uint64_t(double(total) / cpu) : 0;
  Send(Join("bench depth ", std::to_string(kBenchDepth), " nodes ", std::to_string(total), " time ",
            std::to_string(Millis(literalTime)), " ms nps ", std::to_string(Nps(total, literalTime)),
            " cpu ", std::to_string(uint64_t(cpu * 1000)), " ms cpu-nps ", std::to_string(cpuNps),
            " fast-nodes ", std::to_string(fastTotal), " fast-time ",
            std::to_string(Millis(fastTime)), " ms ", allAgree ? "same" : "DIFFERENT"));
  return total;
}

void UciEngine::StartWorker(std::function<void()> job) {
  StopWorker();
  stop_ = false;
  endless_ = false;
  worker_ = std::thread(std::move(job));
}

void UciEngine::StopWorker() {
  if (!worker_.joinable()) return;
  stop_ = true;
  worker_.join();
}

void UciEngine::WaitForWorker() {
  if (worker_.joinable()) worker_.join();
}

void UciEngine::EndOfInput() {
  // Nobody is left to send "stop": a search that only a stop ends is stopped now and reports
  // its move; one with a depth runs to its end.
  if (endless_) StopWorker();
  WaitForWorker();
}

void RunSession(UciEngine& engine, std::istream& in) {
  // A stream tied to the output flushes it before every read, from this thread and without the
  // engine's output lock, while the search thread writes: lines then come out twice. Every
  // reply is flushed as it is sent, so the tie is not needed.
  in.tie(nullptr);
  std::string line;
  while (std::getline(in, line))
    if (!engine.Execute(line)) return;
  engine.EndOfInput();
}

}  // namespace tavrel::uci
