#include <gtest/gtest.h>

#include <pthread.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/search.h"
#include "perft_table.h"
#include "test_search_position.h"

namespace tavrel {
namespace {

using testing::FromFen;
using testing::MoveText;

constexpr const char* kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
constexpr const char* kKiwipete =
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";

class PerftTest : public ::testing::TestWithParam<testing::PerftCase> {};

TEST_P(PerftTest, MatchesPublishedCount) {
  const auto& c = GetParam();
  static Searcher searcher;
  searcher.SetPosition(FromFen(c.fen));
  EXPECT_EQ(searcher.Perft(c.searchDepth), c.nodes[c.searchDepth]);
}

INSTANTIATE_TEST_SUITE_P(Published, PerftTest, ::testing::ValuesIn(testing::kPerftTable),
                         testing::PerftName);

std::vector<EngineMove> Legal(const char* fen) {
  static Searcher searcher;
  searcher.SetPosition(FromFen(fen));
  EngineMove moves[256];
  const int n = searcher.LegalMoves(moves, 256);
  return std::vector<EngineMove>(moves, moves + n);
}

std::vector<std::string> Texts(const std::vector<EngineMove>& moves, uint8_t flagsMask = 0xff) {
  std::vector<std::string> out;
  for (EngineMove m : moves)
    if (m.flags & flagsMask) out.push_back(MoveText(m));
  return out;
}

EngineMove Find(const std::vector<EngineMove>& moves, const std::string& text) {
  for (EngineMove m : moves)
    if (MoveText(m) == text) return m;
  return EngineMove{0, 0, 0, 0xff};
}

// The literal search: these tests look at its lines and node counts.
SearchResult Think(const char* fen, int depth) {
  Searcher searcher;
  searcher.SetLiteral(true);
  std::atomic<bool> stop{false};
  return searcher.Think(FromFen(fen), depth, stop);
}

TEST(MoveGeneration, PromotionOnlyOntoTheLastRank) {
  // b6xa7 lands on rank 7: an ordinary pawn capture.
  const auto capture = Legal("4k3/p7/1P6/8/8/8/8/4K3 w - -");
  EXPECT_EQ(Find(capture, "b6a7").flags, 17);
  EXPECT_EQ(Find(capture, "b6b7").flags, 16);
  // From rank 7 every step and capture is four entries, knight first, queen last.
  const auto white = Legal("n3k3/1P6/8/8/8/8/8/4K3 w - -");
  EXPECT_EQ(Texts(white, engine::kFlagPromotion),
            (std::vector<std::string>{"b7a8n", "b7a8b", "b7a8r", "b7a8q", "b7b8n", "b7b8b", "b7b8r",
                                      "b7b8q"}));
  EXPECT_EQ(Find(white, "b7a8q").flags, 49);
  EXPECT_EQ(Find(white, "b7b8n").flags, 48);
  const auto black = Legal("4k3/8/8/8/8/8/1p6/N3K3 b - -");
  EXPECT_EQ(Texts(black, engine::kFlagPromotion),
            (std::vector<std::string>{"b2a1n", "b2a1b", "b2a1r", "b2a1q", "b2b1n", "b2b1b", "b2b1r",
                                      "b2b1q"}));
}

TEST(MoveGeneration, EnPassantOnlyFromTheBoardsSquare) {
  struct Row {
    const char* name;
    const char* fen;
    std::vector<std::string> expected;
  } rows[] = {
      {"white, d6 named", "4k3/8/8/3pP3/8/8/8/4K3 w - d6", {"e5d6"}},
      {"white, none named", "4k3/8/8/3pP3/8/8/8/4K3 w - -", {}},
      {"white, square without a pawn behind it", "4k3/8/8/4P3/8/8/8/4K3 w - d6", {}},
      {"white, both neighbours", "4k3/8/8/2PpP3/8/8/8/4K3 w - d6", {"c5d6", "e5d6"}},
      {"black, d3 named", "4k3/8/8/8/3Pp3/8/8/4K3 b - d3", {"e4d3"}},
      {"black, square on the wrong rank", "4k3/8/8/8/3Pp3/8/8/4K3 b - d6", {}},
  };
  for (const Row& r : rows)
    EXPECT_EQ(Texts(Legal(r.fen), engine::kFlagEnPassant), r.expected) << r.name;
  EXPECT_EQ(Find(Legal("4k3/8/8/3pP3/8/8/8/4K3 w - d6"), "e5d6").flags, 21);
}

TEST(MoveGeneration, CastlingNeedsKingAndRookOnTheirSquares) {
  struct Row {
    const char* name;
    const char* fen;
    std::vector<std::string> castling;
  } rows[] = {
      {"all in place", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", {"e1g1", "e1c1"}},
      {"queen on e1, king on d1", "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R2KQ2R w KQkq -", {}},
      {"king on h1", "r3k2r/8/8/8/8/8/8/R6K w KQkq -", {}},
      {"knight on h1", "r3k2r/8/8/8/8/8/8/R3K2N w KQkq -", {"e1c1"}},
      {"black knight on a1", "r3k2r/8/8/8/8/8/8/n3K2R w KQkq -", {"e1g1"}},
      {"black queen on e8", "r2kq2r/8/8/8/8/8/8/R3K2R b KQkq -", {}},
      {"black king on g8", "r5kr/8/8/8/8/8/8/R3K2R b KQkq -", {}},
  };
  for (const Row& r : rows)
    EXPECT_EQ(Texts(Legal(r.fen), engine::kFlagCastle), r.castling) << r.name;
}

// A start-position variant keeps all four rights although king and rooks stand elsewhere; the
// counts must be those of the same position without the rights.
TEST(MoveGeneration, VariantRightsDoNotChangePerft) {
  struct Row {
    const char* withRights;
    const char* withoutRights;
  } rows[] = {
      {"rnbkqbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBKQBNR w KQkq -",
       "rnbkqbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBKQBNR w - -"},
      {"r2kq2r/pppppppp/8/8/8/8/PPPPPPPP/R2KQ2R w KQkq -",
       "r2kq2r/pppppppp/8/8/8/8/PPPPPPPP/R2KQ2R w - -"},
      {"rnbq1bnk/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1BNK w KQkq -",
       "rnbq1bnk/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1BNK w - -"},
      {"1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 b KQkq -",
       "1r2k1r1/pppppppp/8/8/8/8/PPPPPPPP/1R2K1R1 b - -"},
  };
  Searcher a, b;
  for (const Row& r : rows) {
    a.SetPosition(FromFen(r.withRights));
    b.SetPosition(FromFen(r.withoutRights));
    EXPECT_EQ(a.Perft(4), b.Perft(4)) << r.withRights;
  }
  // The search on such a variant plays an ordinary move.
  const SearchResult res = Think("r2kq2r/pppppppp/8/8/8/8/PPPPPPPP/R2KQ2R w KQkq -", 3);
  ASSERT_TRUE(res.hasMove);
  EXPECT_EQ(res.move.flags & engine::kFlagCastle, 0);
}

TEST(SearchRules, CheckExtensionAtTheRoot) {
  // In check at depth 1 the root searches two plies: the evasion and Black's reply. Without the
  // extension Black's reply would only be a quiescence node with no captures, and the line would
  // end after White's move.
  const SearchResult r = Think("k7/8/8/8/8/8/8/r6K w - -", 1);
  ASSERT_TRUE(r.hasMove);
  EXPECT_GE(r.pvLength, 2);
  const SearchResult quiet = Think("k7/8/8/8/8/8/r7/7K w - -", 1);
  EXPECT_EQ(quiet.pvLength, 1);
}

TEST(SearchRules, MateAndStalemateScores) {
  struct Row {
    const char* name;
    const char* fen;
    int depth;
    bool hasMove;
    int score;
  } rows[] = {
      {"mate in one", "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -", 1, true, 9999},
      {"mate in one, deeper search", "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -", 4, true, 9999},
      {"mate in two", "k7/8/2K5/8/8/8/8/7R w - -", 3, true, 9997},
      {"mated at the root", "k7/1Q6/1K6/8/8/8/8/8 b - -", 2, false, -10000},
      {"stalemated at the root", "k7/8/1Q6/8/8/8/8/7K b - -", 2, false, 0},
  };
  for (const Row& r : rows) {
    const SearchResult res = Think(r.fen, r.depth);
    EXPECT_EQ(res.hasMove, r.hasMove) << r.name;
    EXPECT_EQ(res.score, r.score) << r.name;
  }
}

TEST(SearchRules, DepthOneIsOneIterationPlusQuiescence) {
  Searcher searcher;
  searcher.SetLiteral(true);
  std::atomic<bool> stop{false};
  std::vector<int> depths;
  const SearchResult r = searcher.Think(
      FromFen(kStart), 1, stop, [&](const IterationInfo& info) { depths.push_back(info.depth); });
  EXPECT_EQ(depths, std::vector<int>{1});
  // The root and one quiescence node per move (there are no captures to follow).
  EXPECT_EQ(r.nodes, 21u);
  EXPECT_EQ(r.depth, 1);
}

TEST(Evaluation, KingTableAndShieldFollowRootMaterial) {
  Searcher s;
  constexpr int kG1 = 62, kF2 = 53, kG3 = 46, kA7 = 8;
  // Black has queen and rook (1400): White's king is in the end game, no shield.
  s.SetPosition(FromFen("r2qk3/pppppppp/8/8/8/6P1/PPPPPP1P/6K1 w - -"));
  s.PrepareEvaluation();
  EXPECT_EQ(s.PieceSquareValue(engine::kWhite, engine::kKing, kG1), -5);
  EXPECT_EQ(s.PieceSquareValue(engine::kWhite, engine::kPawn, kF2), 100);
  // Queen, rook and knight (1700): middle game, and the king-side shield on g1.
  s.SetPosition(FromFen("rn1qk3/pppppppp/8/8/8/6P1/PPPPPP1P/6K1 w - -"));
  s.PrepareEvaluation();
  EXPECT_EQ(s.PieceSquareValue(engine::kWhite, engine::kKing, kG1), 10);
  EXPECT_EQ(s.PieceSquareValue(engine::kWhite, engine::kPawn, kF2), 120);
  EXPECT_EQ(s.PieceSquareValue(engine::kWhite, engine::kPawn, kG3), 112);
  // Black's king on b8 facing White's queen, rook and knight: queen-side shield, mirrored.
  s.SetPosition(FromFen("1k6/pppppppp/8/8/8/8/PPPPPPPP/RN1QK3 w - -"));
  s.PrepareEvaluation();
  EXPECT_EQ(s.PieceSquareValue(engine::kBlack, engine::kPawn, kA7), 120);
  EXPECT_EQ(s.PieceSquareValue(engine::kBlack, engine::kKing, 1), 0);  // b8 reads b1
}

TEST(Evaluation, PawnAndRookTerms) {
  struct Row {
    const char* name;
    const char* fen;
    int score;
  } rows[] = {
      // e7: 120 doubled by the passed-pawn term (360), isolated on a file without enemy pawns
      // (-30); both kings on their end-game tables (-5 each).
      {"passed pawn on the seventh", "4k3/4P3/8/8/8/8/8/4K3 w - -", 360 - 30 - 5 + 5},
      {"same, Black to move", "4k3/4P3/8/8/8/8/8/4K3 b - -", -(360 - 30 - 5 + 5)},
      {"rook on an open file", "4k3/8/8/8/8/8/8/R3K3 w - -", 500 + 15 - 5 + 5},
      // a7: 100, isolated on a file without white pawns (-30), passed (+200).
      {"rook on a half-open file", "4k3/p7/8/8/8/8/8/R3K3 w - -", (500 + 10 - 5) - (270 - 5)},
      // d3 104 and d2 80: doubled (-5 each), isolated (-30 each), passed (x2 each).
      {"doubled pawns", "4k3/8/8/8/8/3P4/3P4/4K3 w - -", 3 * 104 - 35 + 3 * 80 - 35 - 5 + 5},
  };
  Searcher s;
  for (const Row& r : rows) {
    s.SetPosition(FromFen(r.fen));
    s.PrepareEvaluation();
    EXPECT_EQ(s.Evaluate(), r.score) << r.name;
  }
}

TEST(SearchLimits, CutOffsStayInsideTheArrays) {
  std::atomic<bool> stop{false};
  Searcher shallow;
  shallow.SetLimits(4, engine::kMaxMoves);
  const SearchResult a = shallow.Think(FromFen(kKiwipete), 8, stop);
  ASSERT_TRUE(a.hasMove);
  EXPECT_LE(a.pvLength, 4);
  // The root's 20 moves fit, the replies do not: every reply is scored statically.
  Searcher narrow;
  narrow.SetLimits(engine::kMaxPly - 1, 30);
  const SearchResult b = narrow.Think(FromFen(kStart), 4, stop);
  ASSERT_TRUE(b.hasMove);
  EXPECT_EQ(b.pvLength, 1);
  // A root whose moves do not fit at all still hands over one of its legal moves.
  narrow.SetLimits(engine::kMaxPly - 1, 10);
  const SearchResult c = narrow.Think(FromFen(kStart), 2, stop);
  ASSERT_TRUE(c.hasMove);
  EXPECT_NE(Find(Legal(kStart), MoveText(c.move)).flags, 0xff);
}

// Material beyond the fixed root window (more than 10000 ahead or behind) makes every root move
// fail high or low; a legal move is handed over all the same.
TEST(SearchRules, ALegalMoveWhateverTheMaterial) {
  const char* rows[] = {
      "4k3/3ppp2/8/8/8/8/QQQQQQQQ/QQQ1KQQQ b - -",  // Black 12000 behind
      "4k3/3ppp2/8/8/8/8/QQQQQQQQ/QQQ1KQQQ w - -",  // White 12000 ahead
      "4k3/8/8/8/8/8/8/QQQQKQQQ b - -",             // nothing but the king
  };
  for (const char* fen : rows) {
    for (int depth = 1; depth <= 2; ++depth) {
      const SearchResult r = Think(fen, depth);
      ASSERT_TRUE(r.hasMove) << fen << " depth " << depth;
      EXPECT_NE(Find(Legal(fen), MoveText(r.move)).flags, 0xff) << fen << " " << MoveText(r.move);
    }
  }
}

TEST(SearchStop, StopBeforeOrBetweenIterations) {
  Searcher s;
  std::atomic<bool> stop{true};
  const SearchResult none = s.Think(FromFen(kStart), 5, stop);
  EXPECT_TRUE(none.stopped);
  EXPECT_FALSE(none.hasMove);
  EXPECT_EQ(none.nodes, 0u);
  // Stopping after the second iteration keeps its result.
  stop = false;
  const SearchResult two = s.Think(FromFen(kStart), 6, stop, [&](const IterationInfo& info) {
    if (info.depth == 2) stop = true;
  });
  EXPECT_TRUE(two.stopped);
  EXPECT_EQ(two.depth, 2);
  EXPECT_TRUE(two.hasMove);
}

double ThreadCpuSeconds(std::thread& t) {
  clockid_t id;
  timespec ts{};
  if (pthread_getcpuclockid(t.native_handle(), &id) != 0 || clock_gettime(id, &ts) != 0) return 0;
  return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Positions whose iterations do not end for a long time, the quiescence search included (a board
// of queens is all captures): each stops soon after the request. The limit only guards against a
// hang; bench_search measures how soon.
TEST(SearchStop, EveryPositionStopsOnRequest) {
  const char* rows[] = {
      "rnbqkbnr/qqqqqqqq/8/8/8/8/QQQQQQQQ/RNBQKBNR w - - 0 1",
      "qqqqkqqq/8/8/8/8/8/8/QQQQKQQQ b - - 0 1",
      kKiwipete,
  };
  for (const char* fen : rows) {
    Searcher* searcher = new Searcher;  // leaked with the thread if the stop fails
    auto* stop = new std::atomic<bool>(false);
    auto* done = new std::atomic<bool>(false);
    std::thread worker([=] {
      searcher->Think(FromFen(fen), engine::kMaxPly - 1, *stop);
      *done = true;
    });
    // Deep inside the search before the request.
    const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ThreadCpuSeconds(worker) < 0.05 && !done->load() &&
           std::chrono::steady_clock::now() < patience)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(done->load()) << fen << ": the search ended by itself";
    *stop = true;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done->load() && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!done->load()) {
      ADD_FAILURE() << fen << ": no stop within 30 s";
      worker.detach();
      continue;
    }
    worker.join();
    delete searcher;
    delete stop;
    delete done;
  }
}

TEST(SearchStop, PerftStopsOnRequest) {
  Searcher s;
  s.SetPosition(FromFen(kStart));
  std::atomic<bool> stop{true};
  int reported = 0;
  EXPECT_FALSE(s.PerftDivide(
      5, [&](EngineMove, uint64_t) { ++reported; }, &stop));
  EXPECT_EQ(reported, 0);
  stop = false;
  uint64_t total = 0;
  EXPECT_TRUE(s.PerftDivide(
      3, [&](EngineMove, uint64_t n) { total += n; }, &stop));
  EXPECT_EQ(total, 8902u);
}

// Move, score and node count of fixed searches. They are the signature of the search: any change
// of generation order, ordering scores, tie-breaking or evaluation shows here.
TEST(SearchSignature, FixedPositions) {
  struct Row {
    const char* fen;
    int depth;
    const char* move;
    int score;
    uint64_t nodes;
  } rows[] = {
      {kStart, 5, "e2e4", 25, 38336u},
      {kKiwipete, 4, "e2a6", 8, 307282u},
      {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 6, "b4c4", -28, 122951u},
      {"r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq -", 5, "b1c3", 14, 213047u},
      {"6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -", 4, "d1d8", 9999, 1765u},
      {"8/8/4k3/8/2P5/8/4K3/8 b - -", 7, "e6d6", -293, 14371u},
      {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4, "c3d5", 47,
       108184u},
  };
  for (const Row& r : rows) {
    const SearchResult res = Think(r.fen, r.depth);
    EXPECT_EQ(MoveText(res.move), r.move) << r.fen;
    EXPECT_EQ(res.score, r.score) << r.fen;
    EXPECT_EQ(res.nodes, r.nodes) << r.fen;
    Searcher fast;
    std::atomic<bool> stop{false};
    const SearchResult f = fast.Think(FromFen(r.fen), r.depth, stop);
    EXPECT_EQ(MoveText(f.move), r.move) << r.fen;
    EXPECT_EQ(f.score, r.score) << r.fen;
  }
}

// The principal variation of one search is the first iteration's ordering hint of the next.
TEST(SearchSignature, HintCarriesOverToTheNextSearch) {
  Searcher s;
  s.SetLiteral(true);
  std::atomic<bool> stop{false};
  const SearchResult first =
      s.Think(FromFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq -"), 5, stop);
  EXPECT_EQ(first.nodes, 213047u);
  const SearchResult second = s.Think(FromFen(kStart), 5, stop);
  EXPECT_EQ(MoveText(second.move), "e2e4");
  EXPECT_EQ(second.score, 25);
  EXPECT_EQ(second.nodes, 35000u);
  s.ClearHint();
  EXPECT_EQ(s.Think(FromFen(kStart), 5, stop).nodes, 38336u);
}

TEST(AfterMove, AppliesEveryKindOfMove) {
  struct Row {
    const char* name;
    const char* before;
    const char* move;
    const char* after;
  } rows[] = {
      {"castling short", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1g1",
       "r3k2r/8/8/8/8/8/8/R4RK1 b kq -"},
      {"castling long, black", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "e8c8",
       "2kr3r/8/8/8/8/8/8/R3K2R w KQ -"},
      {"rook capture clears both rights", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "a1a8",
       "R3k2r/8/8/8/8/8/8/4K2R b Kk -"},
      {"double step names the square passed", "4k3/8/8/8/8/8/4P3/4K3 w - -", "e2e4",
       "4k3/8/8/8/4P3/8/8/4K3 b - e3"},
      {"en passant removes the pawn", "4k3/8/8/8/3Pp3/8/8/4K3 b - d3", "e4d3",
       "4k3/8/8/8/8/3p4/8/4K3 w - -"},
      {"promotion to a knight", "4k3/1P6/8/8/8/8/8/4K3 w - -", "b7b8n",
       "1N2k3/8/8/8/8/8/8/4K3 b - -"},
  };
  for (const Row& r : rows) {
    const EnginePosition before = FromFen(r.before);
    const EngineMove m = Find(Legal(r.before), r.move);
    ASSERT_NE(m.flags, 0xff) << r.name;
    const EnginePosition got = AfterMove(before, m);
    const EnginePosition want = FromFen(r.after);
    EXPECT_EQ(std::string(got.squares, 64), std::string(want.squares, 64)) << r.name;
    EXPECT_EQ(got.whiteToMove, want.whiteToMove) << r.name;
    EXPECT_EQ(got.castling, want.castling) << r.name;
    EXPECT_EQ(got.enPassant, want.enPassant) << r.name;
  }
}

}  // namespace
}  // namespace tavrel
