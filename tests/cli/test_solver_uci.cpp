// "go mate N" of the UCI engine answers with the mate solver.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/uci_engine.h"

namespace tavrel {
namespace {

std::vector<std::string> RunSession(const std::vector<std::string>& commands) {
  std::ostringstream out;
  uci::UciEngine engine(out);
  for (const std::string& c : commands) {
    engine.Execute(c);
    engine.WaitForWorker();
  }
  std::vector<std::string> lines;
  std::istringstream in(out.str());
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(UciGoMate, ReportsTheShortestMateInUciNotation) {
  struct Row {
    const char* name;
    const char* fen;
    const char* go;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"QueenMateInOne",
       "6k1/Q7/6K1/8/8/8/8/8 w - - 0 1",
       "go mate 3",
       {"info depth 1 score mate 1 pv a7a8", "bestmove a7a8"}},
      {"Promotion",
       "7k/5P2/6K1/8/8/8/8/8 w - - 0 1",
       "go mate 2",
       {"info depth 1 score mate 1 pv f7f8q", "bestmove f7f8q"}},
      {"UnderpromotionMateInTwo",
       "6k1/3P4/8/4P3/7R/B3R3/1K6/8 w - - 0 1",
       "go mate 2",
       {"info depth 2 score mate 2 pv d7d8n", "bestmove d7d8n"}},
      {"LongCastling",
       "8/7R/P4p2/8/8/2k5/1R2P3/R3K2R w KQ - 0 1",
       "go mate 2",
       {"info depth 2 score mate 2 pv e1c1", "bestmove e1c1"}},
      {"BlackToMove",
       "8/8/8/8/8/6k1/q7/6K1 b - - 0 1",
       "go mate 1",
       {"info depth 1 score mate 1 pv a2g2", "bestmove a2g2"}},
      {"EnPassantMate",
       "3nrb2/4kp2/1N6/3pP3/3N1BN1/8/8/K7 w - d6 0 1",
       "go mate 1",
       {"info depth 1 score mate 1 pv e5d6", "bestmove e5d6"}},
      {"NoCastlingRight",
       "8/7R/P4p2/8/8/2k5/1R2P3/R3K2R w K - 0 1",
       "go mate 2",
       {"info string no mate in 2", "bestmove 0000"}},
      {"NoMate",
       "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
       "go mate 2",
       {"info string no mate in 2", "bestmove 0000"}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(RunSession({std::string("position fen ") + row.fen, row.go}), row.expected) << row.name;
  }
}

TEST(UciGoMate, RefusesABadCount) {
  // The count is ignored and the go is an ordinary search that still ends with its bestmove.
  const std::vector<std::string> lines = RunSession({"position startpos", "go mate x"});
  ASSERT_GT(lines.size(), 1u);
  EXPECT_NE(lines[0].find("go mate"), std::string::npos);
  EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u);
}

}  // namespace
}  // namespace tavrel
