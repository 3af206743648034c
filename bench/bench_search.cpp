// Search speed, perft speed and the CPU an idle engine thread costs.
#include <benchmark/benchmark.h>

#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/fen.h"
#include "core/chess_thread.h"
#include "core/search.h"

namespace {

using namespace tavrel;

EnginePosition Position(const char* fen) {
  const FenPosition f = *ParseFen(fen);
  EnginePosition p;
  std::memcpy(p.squares, f.Board.data(), 64);
  p.whiteToMove = f.WhiteToMove;
  p.castling = uint8_t(f.Castling);
  p.enPassant = uint8_t(f.EnPassant);
  return p;
}

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr const char* kKiwipete =
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

void Think(benchmark::State& state, const char* fen) {
  static Searcher searcher;
  std::atomic<bool> stop{false};
  uint64_t nodes = 0;
  for (auto _ : state) {
    searcher.ClearHint();
    nodes += searcher.Think(Position(fen), int(state.range(0)), stop).nodes;
  }
  state.counters["nps"] = benchmark::Counter(double(nodes), benchmark::Counter::kIsRate);
}
BENCHMARK_CAPTURE(Think, Start, kStart)->Arg(6)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Think, Kiwipete, kKiwipete)->Arg(6)->Arg(8)->Unit(benchmark::kMillisecond);

void Perft(benchmark::State& state) {
  static Searcher searcher;
  uint64_t nodes = 0;
  for (auto _ : state) {
    searcher.SetPosition(Position(kStart));
    nodes += searcher.Perft(int(state.range(0)));
  }
  state.counters["nps"] = benchmark::Counter(double(nodes), benchmark::Counter::kIsRate);
}
BENCHMARK(Perft)->Arg(5)->Arg(6)->Unit(benchmark::kMillisecond);

double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double ThreadCpuMs(clockid_t id) {
  timespec t{};
  clock_gettime(id, &t);
  return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

// Time from a stop request to the end of Think, in positions whose searches do not end for a long
// time (a board of queens is all captures, deep in the quiescence search). The request comes once
// the search has run for 50 ms of CPU. Wall time includes waiting for a core on a shared machine;
// the search thread's own CPU time after the request does not.
void StopLatency(benchmark::State& state, const char* fen) {
  double worstWall = 0, worstCpu = 0;
  for (auto _ : state) {
    Searcher* searcher = new Searcher;
    std::atomic<bool> stop{false}, done{false};
    double cpuAtEnd = 0;
    std::thread worker([&] {
      searcher->Think(Position(fen), 63, stop);
      clockid_t self;
      pthread_getcpuclockid(pthread_self(), &self);
      cpuAtEnd = ThreadCpuMs(self);
      done = true;
    });
    clockid_t id;
    pthread_getcpuclockid(worker.native_handle(), &id);
    while (ThreadCpuMs(id) < 50) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const double cpuAtStop = ThreadCpuMs(id);
    const auto t0 = std::chrono::steady_clock::now();
    stop = true;
    while (!done) std::this_thread::yield();
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    worker.join();
    delete searcher;
    state.SetIterationTime(wall / 1e3);
    worstWall = std::max(worstWall, wall);
    worstCpu = std::max(worstCpu, cpuAtEnd - cpuAtStop);
  }
  state.counters["worst_wall_ms"] = worstWall;
  state.counters["worst_cpu_ms"] = worstCpu;
}
BENCHMARK_CAPTURE(StopLatency, Queens, "rnbqkbnr/qqqqqqqq/8/8/8/8/QQQQQQQQ/RNBQKBNR w - - 0 1")
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StopLatency, QueensOnly, "qqqqkqqq/8/8/8/8/8/8/QQQQKQQQ b - - 0 1")
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StopLatency, Kiwipete, kKiwipete)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// An engine thread released with nobody to move, its passes served by this thread as the board's
// pass handler would (park, release again): the CPU of both threads per second of wall time.
void IdleThread(benchmark::State& state) {
  char squares[66] = " ";
  std::memcpy(squares + 1, Position(kStart).squares, 64);
  bool white = true, cpw = false, cpb = false;
  uint8_t castling = 15, ep = 0;
  int depth = 5, priority = tpNormal;
  std::mutex m;
  std::condition_variable cv;
  std::deque<std::pair<const std::function<void()>*, bool*>> queue;
  int passes = 0;
  TChessThread thread(
      EngineLink{squares, &white, &cpw, &cpb, &castling, &ep, &depth, &priority},
      [](uint8_t, uint8_t) {},
      [&](TChessThread& t) {
        ++passes;
        t.Suspend();
        if (!t.StopRequested) t.Resume();
      },
      [&](const std::function<void()>& fn) {
        bool done = false;
        std::unique_lock lock(m);
        queue.emplace_back(&fn, &done);
        cv.notify_all();
        cv.wait(lock, [&] { return done; });
      });
  auto serve = [&](std::chrono::milliseconds wait) {
    std::unique_lock lock(m);
    cv.wait_for(lock, wait, [&] { return !queue.empty(); });
    while (!queue.empty()) {
      auto [fn, done] = queue.front();
      queue.pop_front();
      lock.unlock();
      (*fn)();
      lock.lock();
      *done = true;
      cv.notify_all();
    }
  };
  thread.Resume();
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double c0 = CpuSeconds();
    const auto w0 = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - w0 < std::chrono::seconds(2))
      serve(std::chrono::milliseconds(100));
    cpu += CpuSeconds() - c0;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
  }
  state.counters["cpu_percent_of_a_core"] = 100.0 * cpu / wall;
  state.counters["passes_per_s"] = double(passes) / wall;
  thread.Shutdown([&] { serve(std::chrono::milliseconds(1)); });
}
BENCHMARK(IdleThread)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();


// Middlegame positions from real games (the Bratko-Kopec test positions).
constexpr const char* kGamePositions[] = {
    "1k1r4/pp1b1R2/3q2pp/4p3/2B5/4Q3/PPP2B2/2K5 b - - 0 1",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
    "2q1rr1k/3bbnnp/p2p1pp1/2pPp3/PpP1P1P1/1P2BNNP/2BQ1PRK/7R b - - 0 1",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 1",
    "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - - 0 1",
    "1nk1r1r1/pp2n1pp/4p3/q2pPp1N/b1pP1P2/B1P2R2/2P1B1PP/R2Q2K1 w - - 0 1",
    "2kr1bnr/pbpq4/2n1pp2/3p3p/3P1P1B/2N2N1Q/PPP3PP/2KR1B1R w - - 0 1",
    "3rr1k1/pp3pp1/1qn2np1/8/3p4/PP1R1P2/2P1NQPP/R1B3K1 b - - 0 1",
    "2r1nrk1/p2q1ppp/bp1p4/n1pPp3/P1P1P3/2PBB1N1/4QPPP/R4RK1 w - - 0 1",
    "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - - 0 1",
    "r2q1rk1/4bppp/p2p4/2pP4/3pP3/3Q4/PP1B1PPP/R3R1K1 w - - 0 1",
    "rnb2r1k/pp2p2p/2pp2p1/q2P1p2/8/1Pb2NP1/PB2PPBP/R2Q1RK1 w - - 0 1",
    "2r3k1/1p2q1pp/2b1pr2/p1pp4/6Q1/1P1PP1R1/P1PN2PP/5RK1 w - - 0 1",
    "r1bqkb1r/4npp1/p1p4p/1p1pP1B1/8/1B6/PPPN1PPP/R2Q1RK1 w kq - 0 1",
    "r2q1rk1/1ppnbppp/p2p1nb1/3Pp3/2P1P1P1/2N2N1P/PPB1QP2/R1B2RK1 b - - 0 1",
    "r1bq1rk1/pp2ppbp/2np2p1/2n5/P3PP2/N1P2N2/1PB3PP/R1B1QRK1 b - - 0 1",
    "3rr3/2pq2pk/p2p1pnp/8/2QBPP2/1P6/P5PP/4RRK1 b - - 0 1",
    "r4k2/pb2bp1r/1p1qp2p/3pNp2/3P1P2/2N3P1/PPP1Q2P/2KRR3 w - - 0 1",
    "3rn2k/ppb2rpp/2ppqp2/5N2/2P1P3/1P5Q/PB3PPP/3RR1K1 w - - 0 1",
    "2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - - 0 1",
    "r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq - 0 1",
    "r2qnrnk/p2b2b1/1p1p2pp/2pPpp2/1PP1P3/PRNBB3/3QNPPP/5RK1 w - - 0 1",
};

// Processor time of this thread: on a shared machine the wall clock also counts other
// processes' turns.
double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The table of the game positions: per position the literal and the fast search's processor
// time and nodes, and whether move and score agree. The literal column takes minutes at depth 8;
// --no-literal leaves it out.
int GameTable(int depth, bool literal, bool fast) {
  Searcher reference, quick;
  reference.SetLiteral(true);
  std::atomic<bool> stop{false};
  std::vector<double> fastTimes;
  uint64_t literalNodes = 0, fastNodes = 0;
  int agree = 0, n = 0;
  std::printf("depth %d\n%-3s %12s %9s %12s %9s %-6s %6s %-5s %s\n", depth, "#", "literal", "cpu s",
              "fast", "cpu s", "move", "score", "same", "position");
  for (const char* fen : kGamePositions) {
    ++n;
    SearchResult a, b;
    double ta = 0, tb = 0;
    if (literal) {
      reference.ClearHint();
      const double start = ThreadCpuSeconds();
      a = reference.Think(Position(fen), depth, stop);
      ta = ThreadCpuSeconds() - start;
      literalNodes += a.nodes;
    }
    if (fast) {
      quick.ClearHint();
      const double start = ThreadCpuSeconds();
      b = quick.Think(Position(fen), depth, stop);
      tb = ThreadCpuSeconds() - start;
      fastNodes += b.nodes;
      fastTimes.push_back(tb);
    }
    const bool same = a.move == b.move && a.score == b.score;
    agree += same;
    std::printf("%-3d %12llu %9.2f %12llu %9.2f %-6s %6d %-5s %s\n", n,
                (unsigned long long)a.nodes, ta, (unsigned long long)b.nodes, tb,
                MoveToUci(fast ? b.move : a.move).c_str(), fast ? b.score : a.score,
                literal && fast ? (same ? "yes" : "NO") : "-", fen);
    std::fflush(stdout);
  }
  if (fast) {
    std::sort(fastTimes.begin(), fastTimes.end());
    const double median = fastTimes.size() % 2
                              ? fastTimes[fastTimes.size() / 2]
                              : (fastTimes[fastTimes.size() / 2 - 1] + fastTimes[fastTimes.size() / 2]) / 2;
    std::printf("fast: median %.2f s, max %.2f s, nodes %llu\n", median, fastTimes.back(),
                (unsigned long long)fastNodes);
  }
  if (literal && fast)
    std::printf("literal nodes %llu, %.1f times the fast search's; %d of %d agree\n",
                (unsigned long long)literalNodes, double(literalNodes) / double(fastNodes), agree,
                n);
  return literal && fast && agree != n ? 1 : 0;
}

}  // namespace

// bench_search --games [--depth=N] [--no-literal] [--no-fast]: the game-position table;
// otherwise the benchmarks above.
int main(int argc, char** argv) {
  bool games = false, literal = true, fast = true;
  int depth = 8;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--games") games = true;
    if (a == "--no-literal") literal = false;
    if (a == "--no-fast") fast = false;
    if (a.rfind("--depth=", 0) == 0) depth = std::atoi(a.c_str() + 8);
  }
  if (games) return GameTable(depth, literal, fast);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
