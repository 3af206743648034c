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

}  // namespace

BENCHMARK_MAIN();
