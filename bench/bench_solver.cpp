// Times the mate solver on a fixed suite (the shipped collection plus positions from elsewhere,
// some without a mate) and proves the collection: every entry is a mate in exactly its stated
// number of moves, and for a composed problem the first move is the composer's key as listed in
// PROVENANCE.md beside the collection. When /usr/games/stockfish exists it also times Stockfish
// answering "go mate N" on the same positions. Stockfish finds a mate but proves neither that it
// is the shortest nor that its move is the first in order; the solver proves both. Stockfish
// cannot prove that no mate exists either, so on positions without one it runs until a time cap.
//
//   bench_solver [collection.txt] [--no-stockfish] [--cap-ms N]
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <time.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/solver.h"

namespace {

using Clock = std::chrono::steady_clock;

// The machine is shared, so CPU time is the fairer figure; wall time is printed beside it.
double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// CPU time of another process (user + system) from /proc, in milliseconds.
double ProcessCpuMs(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string field;
  long long ticks = 0;
  for (int i = 1; i <= 15 && in >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::atoll(field.c_str());
  }
  return ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

struct Entry {
  std::string name;
  int moves;              // N given to both programs
  std::string placement;  // solver input
  int expected;           // the shortest mate, 0 for none within N
  std::string key;        // the first move the solver must give, empty when not checked
};

// Positions that are not in the collection: a few with a mate, the rest without one within N.
const Entry kExtra[] = {
    {"Dame und Bauer gegen König", 3, "8/8/8/8/4K3/4P1k1/8/2Q5/", 3, {}},
    {"Doppelturm", 2, "6k1/5ppp/8/8/8/8/5PPP/R3R1K1/", 1, {}},
    {"Turm und König", 3, "7k/8/5K2/8/8/8/8/4R3/", 2, {}},
    {"Grundstellung", 3, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/", 0, {}},
    {"Morphy, Paris 1858, 15. Zug", 3, "4kb1r/p2r1ppp/4qn2/1B2p1B1/4P3/1Q6/PPP2PPP/2KR4/", 0, {}},
    {"Anderssen - Kieseritzky, 20. Zug",
     4,
     "rnb1k1nr/p2p1ppp/3B4/1p1NPN1P/6P1/3P1Q2/P1P5/q4Kb1/",
     0,
     {}},
    {"Greco 1620, 18. Zug", 3, "r2q1k1r/ppp1n1pp/4Bb2/3p2B1/8/5Q2/P4PPP/5RK1/", 0, {}},
    {"Anderssen - Dufresne, 20. Zug",
     4,
     "1r2k1r1/pbppnp1p/1bn2P2/8/Q7/B1PB1q2/P4PPP/3RR1K1/",
     0,
     {}},
    {"Turm gegen Springer", 3, "8/8/8/4k3/8/2n5/8/R3K3/", 0, {}},
};

// Entry number -> the solver's first move, from the last of the seven columns of the
// provenance table ("| 17 | Samuel Loyd | source | 1858 | #3 | Qh7 | Qa7-h7 |").
std::map<int, std::string> LoadKeys(const std::string& collectionPath) {
  std::map<int, std::string> keys;
  const auto slash = collectionPath.rfind('/');
  std::string table =
      slash == std::string::npos ? std::string(".") : collectionPath.substr(0, slash);
  table.append("/PROVENANCE.md");
  std::ifstream in(table);
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> columns;
    std::string cell;
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        cell += line[++i];
      } else if (line[i] == '|') {
        columns.push_back(cell);
        cell.clear();
      } else if (line[i] != ' ') {
        cell += line[i];
      }
    }
    // An empty cell before the first bar, then seven columns.
    if (columns.size() != 8 || columns[1].empty() || !std::isdigit(columns[1][0])) continue;
    if (!columns[7].empty()) keys[std::atoi(columns[1].c_str())] = columns[7];
  }
  return keys;
}

std::vector<Entry> LoadSuite(const std::string& path) {
  std::vector<Entry> suite;
  std::ifstream in(path);
  const std::map<int, std::string> keys = LoadKeys(path);
  std::string title, moves, position;
  while (std::getline(in, title) && std::getline(in, moves) && std::getline(in, position)) {
    const int n = std::stoi(moves);
    const auto key = keys.find(std::atoi(title.c_str()));
    suite.push_back({title, n, tavrel::BoardTextToPlacement(position), n,
                     key == keys.end() ? std::string() : key->second});
  }
  for (const Entry& e : kExtra) suite.push_back(e);
  return suite;
}

// FEN for Stockfish: the placement, White to move, the castling rights the solver assumes.
std::string ToFen(const std::string& placement) {
  tavrel::SolverBoard board;
  tavrel::ParsePlacement(placement, board);
  std::string castling;
  if (board.white.king && board.white.hRook) castling += 'K';
  if (board.white.king && board.white.aRook) castling += 'Q';
  if (board.black.king && board.black.hRook) castling += 'k';
  if (board.black.king && board.black.aRook) castling += 'q';
  if (castling.empty()) castling.push_back('-');
  return placement.substr(0, placement.size() - 1) + " w " + castling + " - 0 1";
}

class Stockfish {
 public:
  bool Start(const char* path) {
    if (access(path, X_OK) != 0) return false;
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(toChild[0], 0);
      dup2(fromChild[1], 1);
      close(toChild[1]);
      close(fromChild[0]);
      execl(path, path, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    in_ = fdopen(toChild[1], "w");
    out_ = fdopen(fromChild[0], "r");
    Send("uci");
    WaitFor("uciok");
    Send("setoption name Threads value 1");
    Send("setoption name Hash value 16");
    Send("isready");
    WaitFor("readyok");
    return true;
  }

  ~Stockfish() {
    if (pid_ <= 0) return;
    Send("quit");
    fclose(in_);
    fclose(out_);
    waitpid(pid_, nullptr, 0);
  }

  struct Answer {
    int mate = 0;  // reported mate distance, 0 if none
    double wallMs = 0;
    double cpuMs = 0;
  };

  // Time from "go" to "bestmove".
  Answer GoMate(const std::string& fen, int n, int capMs) {
    Send("ucinewgame");
    Send("position fen " + fen);
    Send("isready");
    WaitFor("readyok");
    const auto start = Clock::now();
    const double cpuStart = ProcessCpuMs(pid_);
    Send("go mate " + std::to_string(n) + " movetime " + std::to_string(capMs));
    int mate = 0;
    std::string line;
    while (ReadLine(line) && line.rfind("bestmove", 0) != 0) {
      const size_t at = line.find("score mate ");
      if (at != std::string::npos) mate = std::atoi(line.c_str() + at + 11);
    }
    return {mate, std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
            ProcessCpuMs(pid_) - cpuStart};
  }

 private:
  void Send(const std::string& command) {
    fprintf(in_, "%s\n", command.c_str());
    fflush(in_);
  }
  bool ReadLine(std::string& line) {
    char buffer[4096];
    if (!fgets(buffer, sizeof buffer, out_)) return false;
    line = buffer;
    return true;
  }
  void WaitFor(const char* token) {
    std::string line;
    while (ReadLine(line) && line.rfind(token, 0) != 0) {
    }
  }

  pid_t pid_ = -1;
  FILE* in_ = nullptr;
  FILE* out_ = nullptr;
};

}  // namespace

int main(int argc, char** argv) {
  std::string path = std::string(TAVREL_SOURCE_DIR) + "/resources/problems/mtavrel.txt";
  bool useStockfish = true;
  int capMs = 5000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--no-stockfish") == 0) {
      useStockfish = false;
    } else if (std::strcmp(argv[i], "--cap-ms") == 0 && i + 1 < argc) {
      capMs = std::atoi(argv[++i]);
    } else {
      path = argv[i];
    }
  }
  const std::vector<Entry> suite = LoadSuite(path);
  Stockfish stockfish;
  const bool haveStockfish = useStockfish && stockfish.Start("/usr/games/stockfish");

  struct Totals {
    double solverWall = 0, solverCpu = 0, stockfishWall = 0, stockfishCpu = 0;
    int count = 0;
    void Add(const Totals& t) {
      solverWall += t.solverWall;
      solverCpu += t.solverCpu;
      stockfishWall += t.stockfishWall;
      stockfishCpu += t.stockfishCpu;
      count += t.count;
    }
  };
  std::map<int, Totals> byN;  // key 0 collects the positions without a mate
  double slowest = 0;
  std::string slowestName;
  int wrong = 0;
  int keysChecked = 0;
  printf("%-48s %2s %3s %-12s %9s %9s", "position", "N", "got", "first move", "cpu ms", "wall ms");
  if (haveStockfish) printf(" %7s %9s %9s", "sf mate", "sf cpu", "sf wall");
  printf("\n");
  for (const Entry& e : suite) {
    std::atomic<bool> stop{false};
    const auto start = Clock::now();
    const double cpuStart = ThreadCpuMs();
    const tavrel::MateSolution result =
        tavrel::SolveMate(e.placement, e.moves, tavrel::kSolverWhite, stop);
    Totals t;
    t.solverCpu = ThreadCpuMs() - cpuStart;
    t.solverWall = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    t.count = 1;
    const bool wrongKey = !e.key.empty() && result.solution != e.key;
    wrong += result.moves != e.expected || wrongKey;
    keysChecked += !e.key.empty();
    if (t.solverCpu > slowest) {
      slowest = t.solverCpu;
      slowestName = e.name;
    }
    printf("%-48.48s %2d %3d %-12s %9.1f %9.1f%s%s", e.name.c_str(), e.moves, result.moves,
           result.solution.c_str(), t.solverCpu, t.solverWall,
           wrongKey ? " WRONG KEY, expected " : "", wrongKey ? e.key.c_str() : "");
    if (haveStockfish) {
      const Stockfish::Answer answer = stockfish.GoMate(ToFen(e.placement), e.moves, capMs);
      t.stockfishCpu = answer.cpuMs;
      t.stockfishWall = answer.wallMs;
      printf(" %7d %9.1f %9.1f", answer.mate, answer.cpuMs, answer.wallMs);
    }
    printf("\n");
    byN[e.expected].Add(t);
  }
  printf("\n%-26s %11s %11s %11s %11s\n", "", "solver cpu", "solver wall", "sf cpu", "sf wall");
  Totals all, mates;
  for (const auto& [n, t] : byN) {
    const std::string name = n == 0 ? "no mate within N" : "mate in " + std::to_string(n);
    printf("%-17s (%2d pos) %11.1f %11.1f %11.1f %11.1f\n", name.c_str(), t.count, t.solverCpu,
           t.solverWall, t.stockfishCpu, t.stockfishWall);
    all.Add(t);
    if (n != 0) mates.Add(t);
  }
  printf("%-17s (%2d pos) %11.1f %11.1f %11.1f %11.1f\n", "with a mate", mates.count,
         mates.solverCpu, mates.solverWall, mates.stockfishCpu, mates.stockfishWall);
  printf("%-17s (%2d pos) %11.1f %11.1f %11.1f %11.1f\n", "total", all.count, all.solverCpu,
         all.solverWall, all.stockfishCpu, all.stockfishWall);
  printf("slowest for the solver: %s (%.1f ms cpu)\n", slowestName.c_str(), slowest);
  printf("composer's keys checked: %d\n", keysChecked);
  if (haveStockfish) {
    printf(
        "stockfish: go mate N, capped at %d ms per position (it cannot prove that no mate "
        "exists)\n",
        capMs);
  } else {
    printf("stockfish not run\n");
  }
  if (wrong != 0) printf("WRONG ANSWERS: %d\n", wrong);
  return wrong == 0 ? 0 : 1;
}
