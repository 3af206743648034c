// Cost of one move through ExecuteMove (rules, record, events, the remaining-move and
// repetition tests) over a 200-half-move game.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "core/chessboard.h"

namespace {

using tavrel::ChessBoard;
using Move = std::pair<int, int>;

// A reproducible 200-half-move game: pseudo-random legal moves, never one that ends it.
const std::vector<Move>& Game() {
  static const std::vector<Move> game = [] {
    std::vector<Move> moves;
    ChessBoard b;
    uint32_t seed = 12345;
    while (moves.size() < 200) {
      std::vector<Move> legal;
      for (int f = 1; f <= 64; ++f)
        for (int t = 1; t <= 64; ++t)
          if (b.IsLegalMove(f, t)) legal.emplace_back(f, t);
      if (legal.empty()) break;
      for (int attempt = 0; attempt < 64; ++attempt) {
        seed = seed * 1664525u + 1013904223u;
        Move m = legal[(seed >> 8) % legal.size()];
        const int n = b.CurrentMove();
        const bool w = b.WhiteToMove();
        b.ExecuteMove(m.first, m.second);
        if (b.HasLegalMove()) {
          moves.push_back(m);
          break;
        }
        b.GoToMove(n, w);
      }
    }
    return moves;
  }();
  return game;
}

void BM_Game200(benchmark::State& state) {
  const auto& game = Game();
  ChessBoard b;
  b.OnLegalMove = [](ChessBoard*, tavrel::Square, tavrel::Square) {};
  for (auto _ : state) {
    b.NewGame();
    for (const Move& m : game) benchmark::DoNotOptimize(b.ExecuteMove(m.first, m.second));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(game.size()));
  state.counters["us_per_move"] = benchmark::Counter(
      static_cast<double>(state.iterations() * game.size()),
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
  state.counters["half_moves"] = static_cast<double>(game.size());
}
BENCHMARK(BM_Game200)->Unit(benchmark::kMillisecond);

// Half-move 100 on its own: the record then holds 100 earlier positions to compare.
void BM_MoveAt100(benchmark::State& state) {
  const auto& game = Game();
  ChessBoard b;
  for (size_t i = 0; i < 100; ++i) b.ExecuteMove(game[i].first, game[i].second);
  const int n = b.CurrentMove();
  const bool w = b.WhiteToMove();
  for (auto _ : state) {
    benchmark::DoNotOptimize(b.ExecuteMove(game[100].first, game[100].second));
    b.GoToMove(n, w);
  }
}
BENCHMARK(BM_MoveAt100)->Unit(benchmark::kMicrosecond);

void BM_HasLegalMoveStalemate(benchmark::State& state) {
  ChessBoard b;
  b.SetPosition("k                Q                                             K");
  b.SetWhiteToMove(false);
  for (auto _ : state) benchmark::DoNotOptimize(b.HasLegalMove());
}
BENCHMARK(BM_HasLegalMoveStalemate)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
