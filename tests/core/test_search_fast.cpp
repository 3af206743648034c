// The fast search against the literal one: the same move and score, position after position,
// depth after depth, and along sequences of searches where the hint of the previous search
// decides between equally good moves.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "test_search_position.h"

namespace tavrel {
namespace {

using testing::FromFen;

std::string Describe(const EnginePosition& pos, int depth) {
  return std::string(pos.squares, 64) + (pos.whiteToMove ? " w" : " b") + " castling " +
         std::to_string(pos.castling) + " ep " + std::to_string(pos.enPassant) + " depth " +
         std::to_string(depth);
}

// Both searchers keep their hints from one call to the next, as an engine does in a game.
void ExpectSame(Searcher& literal, Searcher& fast, const EnginePosition& pos, int depth) {
  std::atomic<bool> stop{false};
  const SearchResult a = literal.Think(pos, depth, stop);
  const SearchResult b = fast.Think(pos, depth, stop);
  ASSERT_EQ(a.hasMove, b.hasMove) << Describe(pos, depth);
  EXPECT_EQ(MoveToUci(a.move), MoveToUci(b.move)) << Describe(pos, depth);
  EXPECT_EQ(a.score, b.score) << Describe(pos, depth);
  EXPECT_EQ(a.depth, b.depth) << Describe(pos, depth);
}

struct Pair {
  Searcher literal, fast;
  Pair() { literal.SetLiteral(true); }
};

// Positions reached by random legal moves from the start (a fixed seed).
std::vector<EnginePosition> RandomPositions(int count, uint32_t seed) {
  std::vector<EnginePosition> out;
  Searcher gen;
  uint32_t state = seed;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  while (int(out.size()) < count) {
    EnginePosition pos = FromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
    const int plies = 6 + int(next() % 50);
    for (int i = 0; i < plies; ++i) {
      gen.SetPosition(pos);
      EngineMove legal[256];
      const int n = gen.LegalMoves(legal, 256);
      if (n == 0) break;
      pos = AfterMove(pos, legal[next() % n]);
    }
    out.push_back(pos);
  }
  return out;
}

TEST(FastSearch, RandomPositionsAtEveryDepth) {
  Pair p;
  const auto positions = RandomPositions(40, 12345);
  for (size_t i = 0; i < positions.size(); ++i) {
    const int top = i < 10 ? 6 : 4;
    for (int depth = 1; depth <= top; ++depth) {
      p.literal.ClearHint();
      p.fast.ClearHint();
      ExpectSame(p.literal, p.fast, positions[i], depth);
    }
  }
}

// Positions from games and the special cases of the rules: checks at the root, promotions (with
// and without capture, under-promotion mates), en passant, stalemate, mate, symmetric positions
// whose best moves tie, a missing king.
TEST(FastSearch, SpecialPositions) {
  const char* fens[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
      "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq -",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
      "r3k2r/2pb1ppp/2pp1q2/p7/1nP1B3/1P2P3/P2N1PPP/R2QK2R w KQkq a6",
      "4rrk1/2p1b1p1/p1p3q1/4p3/2P2n1p/1P1NR2P/PB3PP1/3R1QK1 b - -",
      "6k1/1R3p2/6p1/2Bp3p/3P2q1/P7/1P2rQ1K/5R2 b - -",
      "rnbqkbnr/ppp2ppp/8/3pp3/4P3/5Q2/PPPP1PPP/RNB1KBNR b KQkq -",  // queen attacks f7
      "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -",   // white is mated
      "4k3/8/8/3pP3/8/8/8/4K3 w - d6",                               // en passant
      "6br/5Ppk/6pp/8/8/8/8/K7 w - -",                               // knight promotion mates
      "1r5k/P7/8/8/8/8/8/K7 w - -",                                  // promotion with capture
      "k7/8/1Q6/8/8/8/8/K7 b - -",                                   // stalemate
      "k7/1Q6/1K6/8/8/8/8/8 b - -",                                  // mated at the root
      "4k3/4r3/8/8/8/8/8/R3K3 w Q -",                                // check at the root
      "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -",                            // symmetric: ties
      "4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - -",                     // symmetric: ties
      "8/8/8/8/8/8/8/KQ5k w - -",                                    // mate in a few
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
      "8/8/8/4k3/8/8/8/R3Q3 w - -",                                  // no white king
  };
  Pair p;
  for (const char* fen : fens) {
    for (int depth = 1; depth <= 5; ++depth) {
      p.literal.ClearHint();
      p.fast.ClearHint();
      ExpectSame(p.literal, p.fast, FromFen(fen), depth);
    }
  }
  // The full depth of the highest levels where the literal search is cheap.
  for (const char* fen : {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", "4k3/8/8/3pP3/8/8/8/4K3 w - d6",
                          "8/8/1p2k1p1/3p3p/1p1P1P1P/1P2PK2/8/8 w - -"}) {
    for (int depth = 7; depth <= 8; ++depth) {
      p.literal.ClearHint();
      p.fast.ClearHint();
      ExpectSame(p.literal, p.fast, FromFen(fen), depth);
    }
  }
}

// Games played by the literal search, each position searched by both engines in turn without
// forgetting the hint: ties are then decided by what the previous searches left behind.
TEST(FastSearch, SequencesKeepTheHint) {
  struct Row {
    const char* fen;
    int depth;
    int plies;
  } rows[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 4, 16},
      {"4k3/pppppppp/8/8/8/8/PPPPPPPP/4K3 w - -", 5, 12},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", 3, 16},
      {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 6, 10},
  };
  for (const Row& r : rows) {
    Pair p;
    EnginePosition pos = FromFen(r.fen);
    for (int i = 0; i < r.plies; ++i) {
      std::atomic<bool> stop{false};
      const SearchResult a = p.literal.Think(pos, r.depth, stop);
      const SearchResult b = p.fast.Think(pos, r.depth, stop);
      ASSERT_EQ(a.hasMove, b.hasMove) << Describe(pos, r.depth);
      if (!a.hasMove) break;
      ASSERT_EQ(MoveToUci(a.move), MoveToUci(b.move)) << Describe(pos, r.depth) << " ply " << i;
      ASSERT_EQ(a.score, b.score) << Describe(pos, r.depth) << " ply " << i;
      pos = AfterMove(pos, a.move);
    }
  }
}

// Searches of different depths on one engine, mixed with literal searches on the same engine.
TEST(FastSearch, MixedDepthsAndModesOnOneEngine) {
  Searcher reference, mixed;
  reference.SetLiteral(true);
  const auto positions = RandomPositions(12, 777);
  std::atomic<bool> stop{false};
  for (size_t i = 0; i < positions.size(); ++i) {
    const int depth = 1 + int(i % 5);
    mixed.SetLiteral(i % 4 == 3);
    const SearchResult a = reference.Think(positions[i], depth, stop);
    const SearchResult b = mixed.Think(positions[i], depth, stop);
    EXPECT_EQ(MoveToUci(a.move), MoveToUci(b.move)) << Describe(positions[i], depth);
    EXPECT_EQ(a.score, b.score) << Describe(positions[i], depth);
  }
}

// Where the literal search reaches its ply or move-list limit, both give the same answer.
TEST(FastSearch, LimitsGiveTheSameAnswer) {
  const char* fens[] = {
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
      "rnbqkbnr/qqqqqqqq/8/8/8/8/QQQQQQQQ/RNBQKBNR w - -",
      "6k1/1R3p2/6p1/2Bp3p/3P2q1/P7/1P2rQ1K/5R2 b - -",
  };
  struct Limit {
    int plies, moves;
  } limits[] = {{3, engine::kMaxMoves}, {5, engine::kMaxMoves}, {63, 40}, {63, 120}, {63, 300}};
  for (const Limit& l : limits) {
    Pair p;
    p.literal.SetLimits(l.plies, l.moves);
    p.fast.SetLimits(l.plies, l.moves);
    for (const char* fen : fens)
      for (int depth = 1; depth <= 3; ++depth) ExpectSame(p.literal, p.fast, FromFen(fen), depth);
  }
}

// A stop at any moment ends the fast search without a result, and the engine searches exactly
// again afterwards (from a forgotten hint).
TEST(FastSearch, StopAtAnyMomentThenSearchAgain) {
  Searcher fast;
  const EnginePosition pos =
      FromFen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
  for (int delayUs : {0, 50, 200, 1000, 5000, 20000}) {
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
      std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
      stop = true;
    });
    const SearchResult r = fast.Think(pos, 8, stop);
    stopper.join();
    EXPECT_TRUE(r.stopped || r.depth == 8) << delayUs;
  }
  Searcher literal;
  literal.SetLiteral(true);
  fast.ClearHint();
  ExpectSame(literal, fast, pos, 4);
}

}  // namespace
}  // namespace tavrel
