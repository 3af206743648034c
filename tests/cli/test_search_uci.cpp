#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "../core/test_search_position.h"
#include "cli/uci_engine.h"

namespace tavrel {
namespace {

using uci::UciEngine;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// Runs the commands, waits for a search or perft to end, returns the output lines.
std::vector<std::string> Session(UciEngine& e, std::ostringstream& out,
                                 const std::vector<std::string>& commands) {
  out.str("");
  for (const std::string& c : commands) e.Execute(c);
  e.WaitForWorker();
  return Lines(out.str());
}

std::string Board(const UciEngine& e) {
  return std::string(e.Position().squares, 64);
}

TEST(Uci, Handshake) {
  std::ostringstream out;
  UciEngine e(out);
  EXPECT_EQ(Session(e, out, {"uci", "isready"}),
            (std::vector<std::string>{"id name Tavrel", "id author the Tavrel developers",
                                      "option name Depth type spin default 5 min 1 max 8",
                                      "option name Literal type check default false", "uciok",
                                      "readyok"}));
}

TEST(Uci, PositionWithMoves) {
  std::ostringstream out;
  UciEngine e(out);
  Session(e, out, {"position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1"});
  EXPECT_EQ(
      Board(e),
      std::string(
          testing::FromFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQ1RK1 b - -").squares,
          64));
  EXPECT_FALSE(e.Position().whiteToMove);
  EXPECT_EQ(e.Position().castling, 12);  // Black keeps both rights
  // En passant and promotion through the moves list.
  Session(e, out, {"position fen 4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1 moves e5d6"});
  EXPECT_EQ(Board(e)[3 * 8 + 3], ' ');  // d5 pawn taken
  EXPECT_EQ(Board(e)[2 * 8 + 3], 'P');
  Session(e, out, {"position fen 4k3/1P6/8/8/8/8/8/4K3 w - - moves b7b8n"});
  EXPECT_EQ(Board(e)[1], 'N');
}

TEST(Uci, BadInputChangesNothing) {
  struct Row {
    const char* name;
    const char* command;
  } rows[] = {
      {"unknown command", "foo bar"},
      {"malformed FEN", "position fen rnbqkbnr/pppppppp/8/8 w"},
      {"FEN with bad piece", "position fen rnbqkbnr/ppppxppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"},
      {"illegal move", "position startpos moves e2e4 e7e5 e1e3"},
      {"move text garbage", "position startpos moves zz"},
      {"promotion without piece", "position fen 4k3/1P6/8/8/8/8/8/4K3 w - - moves b7b8"},
      {"position without kind", "position"},
      {"setoption unknown", "setoption name Hash value 16"},
      {"setoption out of range", "setoption name Depth value 0"},
      {"setoption not a number", "setoption name Depth value x"},
  };
  std::ostringstream out;
  UciEngine e(out);
  Session(e, out, {"position startpos moves d2d4"});
  const std::string before = Board(e);
  for (const Row& r : rows) {
    const auto lines = Session(e, out, {r.command});
    ASSERT_EQ(lines.size(), 1u) << r.name;
    EXPECT_EQ(lines[0].rfind("info string error: ", 0), 0u) << r.name << ": " << lines[0];
    EXPECT_EQ(Board(e), before) << r.name;
    EXPECT_FALSE(e.Position().whiteToMove) << r.name;
    EXPECT_EQ(e.Depth(), 5) << r.name;
  }
}

// A GUI waits for "bestmove" after every "go", so a bad parameter is reported and ignored, a
// number out of range is clamped, and the go still ends with exactly one bestmove, last.
TEST(Uci, EveryGoEndsWithOneBestmove) {
  struct Row {
    const char* go;
    const char* error;  // part of the error line
    const char* last;   // start of the last line
  } rows[] = {
      {"go depth 0", "out of range, using 1", "bestmove "},
      {"go depth -1", "out of range, using 1", "bestmove "},
      {"go depth 999", "out of range, using 63", "bestmove "},  // ended by "stop"
      {"go depth 99999999999999999999", "using 63", "bestmove "},
      {"go depth x", "'x' is no number", "bestmove "},
      {"go depth", "expected a number", "bestmove "},
      {"go perft 0", "out of range, using 1", "bestmove 0000"},
      {"go perft -2", "out of range, using 1", "bestmove 0000"},
      {"go perft x", "no number", "bestmove "},
      {"go mate 0", "out of range, using 1", "bestmove 0000"},
      {"go sideways depth 2", "unknown parameter 'sideways'", "bestmove "},
  };
  for (const Row& r : rows) {
    std::ostringstream out;
    UciEngine e(out);
    e.Execute("setoption name Depth value 2");
    e.Execute("position startpos moves d2d4");
    e.Execute(r.go);
    if (std::string(r.go).find("999") != std::string::npos) e.Execute("stop");
    e.WaitForWorker();
    const auto lines = Lines(out.str());
    ASSERT_FALSE(lines.empty()) << r.go;
    EXPECT_EQ(lines[0].rfind("info string error: ", 0), 0u) << r.go << ": " << lines[0];
    EXPECT_NE(lines[0].find(r.error), std::string::npos) << r.go << ": " << lines[0];
    EXPECT_EQ(lines.back().rfind(r.last, 0), 0u) << r.go << ": " << lines.back();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("bestmove", 0) == 0; }),
              1)
        << r.go;
  }
}

// Time and node limits end a search without "stop" (a search of depth 63 would not end), with
// the move of a finished iteration; a node limit ends it right after the iteration reaching it.
TEST(Uci, TimeAndNodeLimitsEndTheSearch) {
  for (const char* go : {"go movetime 30", "go wtime 300 btime 300 winc 0 binc 0",
                         "go btime 1 wtime 1", "go nodes 3000"}) {
    std::ostringstream out;
    UciEngine e(out);
    const auto lines = Session(e, out, {"position startpos moves e2e4", go});
    ASSERT_GE(lines.size(), 2u) << go;
    EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u) << go;
    EXPECT_EQ(lines.back().size(), 13u) << go;
    if (std::string(go) == "go nodes 3000") {
      auto nodes = [](const std::string& l) { return std::stoull(l.substr(l.find(" nodes ") + 7)); };
      EXPECT_GE(nodes(lines[lines.size() - 2]), 3000u);
      if (lines.size() >= 3) {
        EXPECT_LT(nodes(lines[lines.size() - 3]), 3000u);
      }
    }
  }
}

// A position no game can reach is refused with its reason, as tavrel-convert refuses it; so is
// any other bad position command, and until the next good one a go answers that it has no move.
TEST(Uci, RefusedPositionsAreNotSearched) {
  struct Row {
    const char* position;
    const char* reason;
  } rows[] = {
      {"position fen KKKKKKKK/8/8/8/8/8/8/k7 w - - 0 1", "König"},
      {"position fen 4k3/8/8/8/8/8/8/P3K3 w - - 0 1", "Bauer"},
      {"position fen 4k3/8/8/8/8/8/8/4K2r b - - 0 1", "Schach"},
      {"position startpos moves e2e5", "illegal move"},
  };
  for (const Row& r : rows) {
    std::ostringstream out;
    UciEngine e(out);
    auto lines = Session(e, out, {r.position});
    ASSERT_EQ(lines.size(), 1u) << r.position;
    EXPECT_NE(lines[0].find(r.reason), std::string::npos) << lines[0];
    lines = Session(e, out, {"go depth 1"});
    ASSERT_EQ(lines.size(), 2u) << r.position;
    EXPECT_EQ(lines[0].rfind("info string error: no position", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "bestmove 0000");
    lines = Session(e, out, {"position startpos", "go depth 1"});
    EXPECT_NE(lines.back(), "bestmove 0000") << r.position;
  }
}

TEST(Uci, GoReportsIterationsAndTheSearchersMove) {
  std::ostringstream out;
  UciEngine e(out);
  const auto lines = Session(e, out, {"setoption name Depth value 3", "position startpos", "go"});
  ASSERT_EQ(lines.size(), 4u);
  for (int d = 1; d <= 3; ++d)
    EXPECT_EQ(lines[d - 1].rfind("info depth " + std::to_string(d) + " score cp ", 0), 0u)
        << lines[d - 1];
  Searcher s;
  std::atomic<bool> stop{false};
  const SearchResult r =
      s.Think(testing::FromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -"), 3, stop);
  EXPECT_EQ(lines[3], "bestmove " + MoveToUci(r.move));
  EXPECT_NE(lines[2].find(" nodes " + std::to_string(r.nodes) + " "), std::string::npos);
}

TEST(Uci, MateScoresAndPromotion) {
  std::ostringstream out;
  UciEngine e(out);
  auto lines = Session(e, out, {"position fen k7/8/2K5/8/8/8/8/7R w - - 0 1", "go depth 3"});
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[lines.size() - 2].find("score mate 2 "), std::string::npos);
  lines = Session(e, out, {"position fen 8/4P3/8/8/8/k7/8/K7 w - - 0 1", "go depth 2"});
  EXPECT_EQ(lines.back(), "bestmove e7e8q");
  // Only the knight promotion mates: the move reported is the one the search chose.
  lines = Session(e, out, {"position fen 6br/5Ppk/6pp/8/8/8/8/K7 w - - 0 1", "go depth 2"});
  EXPECT_EQ(lines.back(), "bestmove f7f8n");
  lines = Session(e, out, {"position fen k7/1Q6/1K6/8/8/8/8/8 b - - 0 1", "go depth 2"});
  EXPECT_EQ(lines.back(), "bestmove 0000");
}

TEST(Uci, ScoreText) {
  EXPECT_EQ(uci::ScoreText(25), "cp 25");
  EXPECT_EQ(uci::ScoreText(-300), "cp -300");
  EXPECT_EQ(uci::ScoreText(9999), "mate 1");
  EXPECT_EQ(uci::ScoreText(9997), "mate 2");
  EXPECT_EQ(uci::ScoreText(-9998), "mate -1");
  EXPECT_EQ(uci::ScoreText(-9996), "mate -2");
  EXPECT_EQ(uci::ScoreText(12500), "cp 12500");  // material beyond the mate range
  EXPECT_EQ(uci::ScoreText(-12500), "cp -12500");
}

TEST(Uci, PerftPrintsEveryRootMoveAndTheTotal) {
  std::ostringstream out;
  UciEngine e(out);
  const auto lines = Session(e, out, {"position startpos", "go perft 3"});
  ASSERT_EQ(lines.size(), 24u);
  EXPECT_EQ(lines[0], "a2a3: 380");
  EXPECT_EQ(lines[20], "");
  EXPECT_EQ(lines[21], "Nodes searched: 8902");
  EXPECT_EQ(lines[23], "bestmove 0000");
}

TEST(Uci, StopEndsAnInfiniteSearchWithAMove) {
  std::ostringstream out;
  UciEngine e(out);
  e.Execute("position startpos");
  e.Execute("go infinite");
  e.Execute("isready");  // answered while the search runs
  e.Execute("stop");
  const auto lines = Lines(out.str());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u);
  EXPECT_EQ(lines.back().size(), 13u);
  EXPECT_FALSE(e.Execute("quit"));
}

// Work of hours ends at "stop" and "quit" (each returns once the worker has ended).
TEST(Uci, StopAndQuitEndPerftAndSearch) {
  struct Row {
    const char* position;
    const char* go;
    const char* last;  // start of the last line
  } rows[] = {
      {"position startpos", "go perft 12", "bestmove 0000"},
      {"position fen rnbqkbnr/qqqqqqqq/8/8/8/8/QQQQQQQQ/RNBQKBNR w - - 0 1", "go infinite",
       "bestmove "},
  };
  for (const Row& r : rows) {
    for (const char* command : {"stop", "quit"}) {
      std::ostringstream out;
      UciEngine e(out);
      e.Execute(r.position);
      e.Execute(r.go);
      e.Execute(command);
      const auto lines = Lines(out.str());
      ASSERT_FALSE(lines.empty()) << r.go << " " << command;
      EXPECT_EQ(lines.back().rfind(r.last, 0), 0u)
          << r.go << " " << command << ": " << lines.back();
    }
  }
}

TEST(Uci, EchoesAreCutShort) {
  std::ostringstream out;
  UciEngine e(out);
  e.Execute("setoption name Depth value 1");
  const std::string huge(10 << 20, 'x');
  for (const std::string& command :
       {huge, "position fen " + huge, "position startpos moves " + huge, "go " + huge,
        "setoption name " + huge}) {
    const auto lines = Session(e, out, {command});
    ASSERT_FALSE(lines.empty());
    // A go still ends with its bestmove (here 0000: the position commands before were refused).
    if (command.starts_with("go"))
      EXPECT_EQ(lines.back(), "bestmove 0000");
    else
      ASSERT_EQ(lines.size(), 1u);
    EXPECT_LT(lines[0].size(), 200u);
    EXPECT_EQ(lines[0].rfind("info string error: ", 0), 0u);
  }
}

// Counts how often the output is flushed, and the lines written.
class CountingBuf : public std::stringbuf {
 public:
  int syncs = 0;

 protected:
  int sync() override {
    ++syncs;
    return std::stringbuf::sync();
  }
};

TEST(Uci, SessionReadsWithoutFlushingTheOutput) {
  // Reading a stream tied to the output flushes it from the reading thread, outside the lock
  // the search thread writes under; so every flush must be one of the engine's own.
  CountingBuf buf;
  std::ostream out(&buf);
  std::istringstream in("isready\nposition startpos\ngo depth 2\n");
  in.tie(&out);
  UciEngine e(out);
  uci::RunSession(e, in);
  const auto lines = Lines(buf.str());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(buf.syncs, int(lines.size()));
  EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u);
}

TEST(Uci, EndOfInputStopsAnInfiniteSearch) {
  std::ostringstream out;
  UciEngine e(out);
  std::istringstream in("position startpos\ngo infinite\n");
  uci::RunSession(e, in);  // returns: nobody could send "stop" any more
  const auto lines = Lines(out.str());
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind("bestmove ", 0), 0u);
  // A search with a depth still runs to its end.
  std::istringstream bounded("position startpos\ngo depth 3\n");
  out.str("");
  uci::RunSession(e, bounded);
  EXPECT_EQ(Lines(out.str()).size(), 4u);
}

}  // namespace
}  // namespace tavrel
