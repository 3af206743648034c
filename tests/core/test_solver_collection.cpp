// The shipped problem collection: every entry is well formed and can be loaded by its title, and
// a fixed sample of composed problems is solved with the stated number of moves and the
// composer's key. The full proof of every entry is the generator's and bench_solver's job: it
// takes far longer than a unit test should.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "core/solver.h"

namespace tavrel {
namespace {

struct Problem {
  std::string title;
  std::string moves;
  std::string position;
};

std::vector<Problem> ReadCollection() {
  const char* root = std::getenv("TAVREL_SOURCE_DIR");
  if (root == nullptr) return {};
  std::ifstream in(std::string(root) + "/resources/problems/mtavrel.txt");
  std::vector<Problem> problems;
  Problem p;
  while (std::getline(in, p.title)) {
    if (!std::getline(in, p.moves) || !std::getline(in, p.position)) {
      ADD_FAILURE() << "incomplete entry " << p.title;
      break;
    }
    problems.push_back(p);
  }
  return problems;
}

TEST(ProblemCollection, EveryEntryParses) {
  const std::vector<Problem> problems = ReadCollection();
  ASSERT_GE(problems.size(), 300u);
  std::set<std::string> titles;
  for (size_t i = 0; i < problems.size(); ++i) {
    const Problem& p = problems[i];
    const std::string prefix = std::to_string(i) + ". ";
    EXPECT_EQ(p.title.substr(0, prefix.size()), prefix) << p.title;
    EXPECT_GT(p.title.size(), prefix.size()) << "entry " << i << " has no name";
    // Loading finds the first title equal to the chosen one, ignoring case.
    std::string folded = p.title;
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    EXPECT_TRUE(titles.insert(folded).second) << "title twice: " << p.title;

    const bool digits =
        !p.moves.empty() && p.moves.find_first_not_of("0123456789") == std::string::npos;
    ASSERT_TRUE(digits) << p.title << ": moves \"" << p.moves << "\"";
    const int n = std::stoi(p.moves);
    EXPECT_GE(n, 1) << p.title;
    EXPECT_LE(n, 12) << p.title;

    // Trailing blanks of a position are empty squares; an editor may have cut them.
    ASSERT_LE(p.position.size(), 64u) << p.title;
    EXPECT_EQ(p.position.find_first_not_of(" PNBRQKpnbrqk"), std::string::npos) << p.title;
    SolverBoard board;
    ASSERT_TRUE(ParsePlacement(BoardTextToPlacement(p.position), board)) << p.title;
    EXPECT_TRUE(IsSearchablePosition(board, kSolverWhite)) << p.title;
  }
}

// Quick ones from every length and composer: placement, stated moves, the composer's key.
struct Sample {
  const char* placement;
  int moves;
  const char* key;
};

constexpr Sample kSample[] = {
    {"2Nn1B2/K6B/2p5/6P1/P2k4/1b2N1P1/pP6/Q3R3/", 2, "Nc8-e7"},           // E. Baird 1892
    {"rk6/pp1K1pp1/P2p1RQ1/1N6/8/2P5/8/8/", 2, "Nb5-d4"},                 // T. R. Dawson 1911
    {"2Q5/8/8/8/4k3/8/4N3/R3K2R/", 2, "Qc8-e6"},                          // Em. Lasker 1900
    {"8/8/8/8/5N2/6n1/1np5/1rk1K2Q/", 2, "Qh1-a8"},                       // S. Loyd 1857
    {"7K/8/7k/1Q1b4/3r1R2/6R1/8/8/", 2, "Qb5-b1"},                        // A. Aljechin 1930
    {"1NN4B/nr1Q2Kp/1p4P1/R1bbkP2/3p4/3B2P1/q5pr/8/", 2, "g6xh7"},        // T. R. Dawson
    {"8/1R1P1K2/1Rbk4/5p2/4P3/8/3n4/1nQ1r3/", 2, "Rb6-b5"},               // L. Kubbel 1907
    {"k2K4/8/1n6/2R5/8/8/8/8/", 3, "Kd8-c7"},                             // T. R. Dawson 1915
    {"6K1/6p1/5Nk1/6p1/6P1/8/8/8/", 3, "Nf6-d7"},                         // B. Horwitz 1848
    {"1Rr5/p1P5/k1P5/P7/KR6/8/8/8/", 3, "Rb8-a8"},                        // L. Kubbel 1907
    {"kb6/2pN4/2P5/1N6/3K4/8/8/n7/", 3, "Kd4-c3"},                        // Em. Lasker 1935
    {"1B6/5N2/1P3p2/2p2P2/1p1k1P2/8/2Q4N/2K5/", 3, "Bb8-a7"},             // E. Baird 1893
    {"8/8/1Q6/1pP5/k7/8/K7/8/", 3, "Qb6-h6"},                             // S. Loyd 1868
    {"8/8/3p4/R1N5/B1p5/k1P5/3p4/2bK4/", 3, "Kd1-c2"},                    // A. Troizki 1893
    {"8/8/1Q6/8/8/4K3/ppN5/1k6/", 3, "Nc2-a1"},                           // A. Aljechin 1925
    {"8/4pkPp/7B/3K4/8/8/8/8/", 4, "g7-g8=Q"},                            // A. Troizki 1895
    {"6K1/6p1/6Bk/6p1/6P1/3N4/8/8/", 4, "Nd3-c5"},                        // B. Horwitz 1880
    {"8/6B1/4p3/4Pp2/1Np5/2Kp4/3N4/k7/", 4, "Bg7-f8"},                    // T. R. Dawson
    {"n7/8/n7/5N2/8/4N3/p1K5/k7/", 4, "Ne3-d5"},                          // S. Loyd 1858
    {"8/8/8/2PN4/2K1k3/8/2P5/5R2/", 4, "c5-c6"},                          // E. Baird 1902
    {"4b3/2p1B1p1/8/2Pp1pP1/1PpP1PpP/2p1K1p1/2P1B1P1/4k3/", 4, "g5-g6"},  // T. R. Dawson 1916
    {"2K5/3nk1P1/N5Pp/P3P2P/8/1B2P3/8/8/", 4, "Na6-c5"},                  // L. Kubbel 1923
    {"8/8/8/4p3/2P5/1PKP4/1RP5/k7/", 5, "b3-b4"},                         // T. R. Dawson
    {"6k1/6B1/6K1/6P1/8/8/8/8/", 5, "Bg7-h6"},                            // T. R. Dawson 1940
    {"8/8/8/8/4p3/5pNN/4p3/2K1k3/", 5, "Ng3-f5"},                         // S. Loyd 1858
    {"7q/3K4/pp6/1pk2N1R/2b5/1P6/1PP1N3/8/", 5, "Nf5-e7"},                // B. Horwitz 1847
    {"8/5N2/pkBK4/p7/p6p/P6p/8/8/", 5, "Nf7-e5"},                         // E. Baird 1898
    {"8/P7/1p6/1P6/8/5p2/7p/5K1k/", 6, "a7-a8=R"},                        // A. Troizki 1917
    {"8/8/8/1p6/1N6/pKp5/1b6/k7/", 6, "Kb3-c2"},                          // B. Horwitz
    {"8/3p4/p7/8/1P1P4/1PPkPP2/3B4/3K4/", 7, "b4-b5"},                    // S. Loyd 1857
};

TEST(ProblemCollection, SampleIsSolvedWithTheComposersKey) {
  const std::vector<Problem> problems = ReadCollection();
  for (const Sample& s : kSample) {
    SCOPED_TRACE(s.placement);
    const auto shipped = std::find_if(problems.begin(), problems.end(), [&](const Problem& p) {
      return BoardTextToPlacement(p.position) == s.placement;
    });
    ASSERT_NE(shipped, problems.end()) << "not in the collection";
    EXPECT_EQ(shipped->moves, std::to_string(s.moves)) << shipped->title;

    // The solver gives the shortest mate, so moves == N also proves there is no shorter one.
    std::atomic<bool> stop{false};
    const MateSolution result = SolveMate(s.placement, s.moves, kSolverWhite, stop);
    EXPECT_EQ(result.moves, s.moves) << shipped->title;
    EXPECT_EQ(result.solution, s.key) << shipped->title;
  }
}

}  // namespace
}  // namespace tavrel
