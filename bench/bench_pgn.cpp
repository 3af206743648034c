// Cost of opening large PGN texts: the first game of a 10,000-game file (comments and
// variations in every game), and the refusal of a 10 MB one-token file. Both should take
// milliseconds; the reader once counted lines from the start at every variation.
#include <benchmark/benchmark.h>

#include <string>

#include "core/chessboard.h"
#include "core/pgn.h"

namespace {

const std::string& ManyGames() {
  static const std::string text = [] {
    const std::string game =
        "[Event \"E\"]\n[Site \"?\"]\n[Date \"2020.01.01\"]\n[Round \"1\"]\n[White \"A\"]\n"
        "[Black \"B\"]\n[Result \"*\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 "
        "6. Re1 b5 7. Bb3 d6 8. c3 O-O 9. h3 Nb8 10. d4 Nbd7 {Breyer} (10... exd4 11. cxd4) *\n\n";
    std::string all;
    for (int i = 0; i < 10000; ++i) all += game;
    return all;
  }();
  return text;
}

void BM_FirstOf10000Games(benchmark::State& state) {
  for (auto _ : state) {
    const std::vector<tavrel::PgnGame> games = tavrel::ReadPgn(ManyGames());
    tavrel::ChessBoard board;
    tavrel::PlayPgnGame(games.front(), board);
    benchmark::DoNotOptimize(board.LastMoveNumber());
  }
}
BENCHMARK(BM_FirstOf10000Games)->Unit(benchmark::kMillisecond);

void BM_RefuseTenMegabyteToken(benchmark::State& state) {
  std::string text = "1.";
  for (int i = 0; i < 5'000'000; ++i) text += "e4";
  for (auto _ : state) {
    tavrel::ChessBoard board;
    try {
      tavrel::PlayPgnGame(tavrel::ReadPgn(text).front(), board);
    } catch (const tavrel::PgnError& e) {
      benchmark::DoNotOptimize(e.what());
    }
  }
}
BENCHMARK(BM_RefuseTenMegabyteToken)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
