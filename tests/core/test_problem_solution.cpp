// The whole solution of composed problems (public domain): keys, threats, variations, tries and
// set play, the FEN's castling and en-passant rights, bad positions, and the keys and tries of
// two-movers against the literal reference search.
#include "core/problem_solution.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "test_solver_reference.h"

namespace tavrel {
namespace {

ProblemPosition Read(std::string_view fen) {
  std::string why;
  const std::optional<ProblemPosition> p = ReadProblemFen(fen, &why);
  EXPECT_TRUE(p.has_value()) << fen << ": " << why;
  return p.value_or(ProblemPosition{});
}

ProblemSolution Solve(std::string_view fen, int n) {
  const std::atomic<bool> stop{false};
  return SolveProblem(Read(fen), n, stop);
}

std::vector<std::string> Uci(const std::vector<SolverMove>& moves) {
  std::vector<std::string> out;
  for (const SolverMove& m : moves) out.push_back(ToUciMove(m));
  return out;
}

std::vector<std::string> Keys(const ProblemSolution& s) {
  std::vector<SolverMove> keys;
  for (const SolutionKey& k : s.keys) keys.push_back(k.move);
  return Uci(keys);
}

std::set<std::pair<std::string, std::string>> Tries(const ProblemSolution& s) {
  std::set<std::pair<std::string, std::string>> out;
  for (const SolutionTry& t : s.tries) out.insert({ToUciMove(t.move), ToUciMove(t.refutation)});
  return out;
}

// A. Aljechin 1930: a threat, defences that parry it, tries, and set play.
TEST(ProblemSolution, TwoMoverWithThreatTriesAndSetPlay) {
  const char* fen = "7K/8/7k/1Q1b4/3r1R2/6R1/8/8 w - - 0 1";
  const ProblemSolution s = Solve(fen, 2);
  EXPECT_EQ(s.mateIn, 2);
  EXPECT_EQ(Keys(s), std::vector<std::string>{"b5b1"});
  EXPECT_EQ(Uci(s.threat), std::vector<std::string>{"b1g6"});
  ASSERT_GE(s.variations.size(), 5u);
  // The defences that stop the threat come first; the rest are met by it.
  EXPECT_EQ(ToUciMove(s.variations[0].defence), "d5f7");
  EXPECT_EQ(Uci(s.variations[0].line), std::vector<std::string>{"b1h7"});
  EXPECT_EQ(Uci(s.variations.back().line), std::vector<std::string>{"f4h4"});
  EXPECT_TRUE(Tries(s).count({"b5d7", "d5f7"}));
  EXPECT_TRUE(Tries(s).count({"f4f7", "d4g4"}));
  EXPECT_FALSE(Tries(s).count({"b5b1", "d5f7"}));
  ASSERT_FALSE(s.setPlay.empty());
  EXPECT_EQ(ToUciMove(s.setPlay[0].defence), "d5c6");
  EXPECT_EQ(ToUciMove(s.setPlay[0].mate), "b5g5");

  const std::string text = SolutionText(Read(fen), s);
  for (const char* part : {"Matt in 2 Zügen", "Schlüsselzug: 1. Db1!", "Drohung: 2. Dg6#",
                           "Varianten:\n  1... Lf7 2. Dh7#", "1. Dd7? Widerlegung: 1... Lf7!",
                           "Satzspiel:\n  1... Lc6 2. Dg5#"})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

// S. Loyd 1857: a waiting key (zugzwang), a try refuted by a mate.
TEST(ProblemSolution, ZugzwangKey) {
  const char* fen = "8/8/8/8/5N2/6n1/1np5/1rk1K2Q w - - 0 1";
  const ProblemSolution s = Solve(fen, 2);
  EXPECT_EQ(Keys(s), std::vector<std::string>{"h1a8"});
  EXPECT_TRUE(s.threat.empty());
  EXPECT_FALSE(s.keyGivesCheck);
  EXPECT_EQ(s.variations.size(), 11u);
  EXPECT_TRUE(Tries(s).count({"f4d3", "b2d3"}));
  EXPECT_NE(SolutionText(Read(fen), s).find("\nZugzwang\n"), std::string::npos);
}

// Em. Lasker 1900: the mates need castling, so the FEN's rights decide.
TEST(ProblemSolution, CastlingRightsAsGiven) {
  const ProblemSolution s = Solve("2Q5/8/8/8/4k3/8/4N3/R3K2R w KQ - 0 1", 2);
  EXPECT_EQ(Keys(s), std::vector<std::string>{"c8e6"});
  EXPECT_TRUE(s.keyGivesCheck);
  EXPECT_TRUE(s.threat.empty());
  ASSERT_EQ(s.variations.size(), 2u);
  EXPECT_EQ(Uci(s.variations[0].line), std::vector<std::string>{"e1c1"});
  EXPECT_EQ(Uci(s.variations[1].line), std::vector<std::string>{"e1g1"});
  EXPECT_TRUE(Solve("2Q5/8/8/8/4k3/8/4N3/R3K2R w K - 0 1", 2).keys.empty());
  EXPECT_TRUE(Solve("2Q5/8/8/8/4k3/8/4N3/R3K2R w - - 0 1", 2).keys.empty());
}

// Em. Lasker 1935, #3: the longest defence first, each line played out to mate.
TEST(ProblemSolution, ThreeMover) {
  const ProblemSolution s = Solve("kb6/2pN4/2P5/1N6/3K4/8/8/n7 w - - 0 1", 3);
  EXPECT_EQ(s.mateIn, 3);
  EXPECT_EQ(Keys(s), std::vector<std::string>{"d4c3"});
  EXPECT_TRUE(s.threat.empty());
  ASSERT_EQ(s.variations.size(), 3u);
  EXPECT_EQ(ToUciMove(s.variations[0].defence), "a1b3");
  EXPECT_EQ(Uci(s.variations[0].line), (std::vector<std::string>{"c3b3", "b8a7", "b5c7"}));
  EXPECT_EQ(Uci(s.variations[2].line), std::vector<std::string>{"b5c7"});
  EXPECT_EQ(Tries(s), (std::set<std::pair<std::string, std::string>>{
                          {"d7b6", "c7b6"}, {"d4c4", "a1c2"}, {"d4d3", "a1b3"}}));
  EXPECT_TRUE(s.setPlay.empty());
  // A longer N keeps the same shortest mate and key.
  const ProblemSolution four = Solve("kb6/2pN4/2P5/1N6/3K4/8/8/n7 w - - 0 1", 4);
  EXPECT_EQ(four.mateIn, 3);
  EXPECT_EQ(Keys(four).front(), "d4c3");
}

// The only mate is an en-passant capture, which needs the FEN's en-passant square.
TEST(ProblemSolution, EnPassantMateInOne) {
  const char* fen = "3nrb2/4kp2/1N6/3pP3/3N1BN1/8/8/K7 w - d6 0 1";
  const ProblemSolution s = Solve(fen, 1);
  EXPECT_EQ(Keys(s), std::vector<std::string>{"e5d6"});
  EXPECT_NE(SolutionText(Read(fen), s).find("1. exd6 e.p.#!"), std::string::npos);
  EXPECT_TRUE(Solve("3nrb2/4kp2/1N6/3pP3/3N1BN1/8/8/K7 w - - 0 1", 1).keys.empty());
  // A square no pawn has just passed is no en-passant square.
  EXPECT_EQ(Read("3nrb2/4kp2/1N6/3pP3/3N1BN1/8/8/K7 w - c6 0 1").board.epCell, 0);
}

TEST(ProblemSolution, RefusesPositionsWithoutAProblem) {
  const struct {
    const char* fen;
    const char* reason;
  } rows[] = {
      {"8/8/8 w - - 0 1", "Ungültige FEN"},
      {"k7/8/8/8/8/8/8/K6K w - - 0 1", "genau einen König"},
      {"k7/8/8/8/8/8/8/KP6 w - - 0 1", "ersten oder letzten Reihe"},
      {"k7/8/8/8/8/8/8/R6K w - - 0 1", "Schwarz steht im Schach"},
      {"k7/8/8/8/8/8/5PPP/r5K1 w - - 0 1", "Weiß ist bereits matt"},
      {"8/8/8/8/8/5k2/5q2/7K w - - 0 1", "Weiß ist bereits patt"},
  };
  for (const auto& row : rows) {
    std::string why;
    EXPECT_FALSE(ReadProblemFen(row.fen, &why).has_value()) << row.fen;
    EXPECT_NE(why.find(row.reason), std::string::npos) << row.fen << ": " << why;
  }
}

// Keys, tries and threats of two-movers against the reference search, which knows nothing of
// tables, move order or the prover: a key leaves no defence without a mate in one, a try
// exactly one.
TEST(ProblemSolution, TwoMoversAgreeWithTheReferenceSearch) {
  for (const char* fen : {"rk6/pp1K1pp1/P2p1RQ1/1N6/8/2P5/8/8 w - - 0 1",
                          "7K/8/7k/1Q1b4/3r1R2/6R1/8/8 w - - 0 1",
                          "2Nn1B2/K6B/2p5/6P1/P2k4/1b2N1P1/pP6/Q3R3 w - - 0 1",
                          "8/1R1P1K2/1Rbk4/5p2/4P3/8/3n4/1nQ1r3 w - - 0 1"}) {
    SCOPED_TRACE(fen);
    const ProblemPosition p = Read(fen);
    std::vector<std::string> keys;
    std::set<std::pair<std::string, std::string>> tries;
    for (const SolverMove& m : LegalSolverMoves(p.board, kSolverWhite)) {
      const SolverBoard next = After(p.board, m, kSolverWhite);
      const std::vector<SolverMove> replies = LegalSolverMoves(next, kSolverBlack);
      std::vector<SolverMove> refutations;
      for (const SolverMove& d : replies) {
        const SolverBoard after = After(next, d, kSolverBlack);
        const std::string placement = BoardTextToPlacement(ToFenPosition(after, 1).Board);
        if (ReferenceSolveMate(placement, 1, kSolverWhite).moves == 0) refutations.push_back(d);
      }
      const bool mated = replies.empty() &&
                         CellAttacked(next, kSolverBlack, next.blackKing, next.whiteKing);
      if (mated || (!replies.empty() && refutations.empty())) keys.push_back(ToUciMove(m));
      if (refutations.size() == 1) tries.insert({ToUciMove(m), ToUciMove(refutations[0])});
    }
    const ProblemSolution s = Solve(fen, 2);
    std::vector<std::string> found = Keys(s);
    std::sort(found.begin(), found.end());
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(found, keys);
    EXPECT_EQ(Tries(s), tries);
    // The threat: White's mate in one if Black could pass after the first key.
    SolverBoard passed = After(p.board, s.keys.front().move, kSolverWhite);
    passed.epCell = 0;
    const MateSolution threat =
        ReferenceSolveMate(BoardTextToPlacement(ToFenPosition(passed, 1).Board), 1, kSolverWhite);
    EXPECT_EQ(Uci(s.threat),
              threat.moves ? std::vector<std::string>{ToUciMove(threat.firstMove)}
                           : std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace tavrel
