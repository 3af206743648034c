// The measured strength table and the player words it shares with tavrel-match.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/engine_strength.h"

using namespace tavrel;

TEST(EngineStrength, ParsesStepsAndReportsBadLines) {
  const StrengthTable t = ParseStrengthTable(
      "# comment | 1 | 2 | 3 | depth=1\n"
      "\n"
      "Stockfish | 1100 | ±90 | 400 | option.Skill Level=3 option.Style=Very Risky nodes=20000\r\n"
      "Stockfish 15 | 800 | 120 | 200 | depth=1 movetime=50\n"
      "Fruit | 900 | 80 | 100 | option.Hash=16\n"
      "Stockfish | 700 | 80 | 100\n"             // 4 fields
      "Stockfish | viel | 80 | 100 | depth=1\n"  // no number
      "Stockfish | 700 | 80 | 100 | depth=0\n"
      "Stockfish | 700 | 80 | 100 | tc=10+1\n"
      "Stockfish | 700 | 80 | 100 | Skill=3\n"
      "Stockfish | 700 | 80 | 100 | option.=3\n");
  ASSERT_EQ(t.Steps.size(), 3u);
  const StrengthStep& s = t.Steps[0];
  EXPECT_EQ(s.Prefix, "Stockfish");
  EXPECT_EQ(s.Elo, 1100);
  EXPECT_EQ(s.Error95, 90);
  EXPECT_EQ(s.Games, 400);
  const std::vector<std::pair<std::string, std::string>> options{{"Skill Level", "3"},
                                                                 {"Style", "Very Risky"}};
  EXPECT_EQ(s.Settings.Options, options);
  EXPECT_EQ(s.Settings.Nodes, 20000);
  EXPECT_EQ(s.Settings.Depth, 0);
  ASSERT_EQ(t.Problems.size(), 6u);
  EXPECT_EQ(t.Problems[0].rfind("Zeile 6: ", 0), 0u) << t.Problems[0];
  EXPECT_EQ(t.Problems[5].rfind("Zeile 11: ", 0), 0u) << t.Problems[5];

  // By prefix of the engine's id name, weakest first.
  const auto steps = StepsFor(t, "Stockfish 15.1");
  ASSERT_EQ(steps.size(), 2u);
  EXPECT_EQ(steps[0].Elo, 800);
  EXPECT_EQ(steps[1].Elo, 1100);
  EXPECT_TRUE(StepsFor(t, "Toga II").empty());
  EXPECT_EQ(GoCommand(steps[0].Settings, 1000), "go depth 1 movetime 50");
  EXPECT_EQ(GoCommand(t.Steps[2].Settings, 1500), "go movetime 1500");  // options alone
}

TEST(EngineStrength, PlayerWords) {
  EngineSettings s;
  std::string error;
  EXPECT_EQ(ApplyPlayerWord("cmd=stockfish", s, &error), PlayerWord::NotMine);
  EXPECT_EQ(ApplyPlayerWord("tc=10+0.1", s, &error), PlayerWord::NotMine);
  EXPECT_EQ(ApplyPlayerWord("option.UCI_Elo=1500", s, &error), PlayerWord::Taken);
  EXPECT_EQ(ApplyPlayerWord("depth=7", s, &error), PlayerWord::Taken);
  for (const char* bad : {"nodes=", "nodes=-5", "movetime=1e3", "depth=99999"}) {
    error.clear();
    EXPECT_EQ(ApplyPlayerWord(bad, s, &error), PlayerWord::Bad) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  EXPECT_EQ(GoCommand(s, 1000), "go depth 7");
}

TEST(EngineStrength, ShippedTableIsClean) {
  std::ifstream in(std::string(std::getenv("TAVREL_SOURCE_DIR")) + "/resources/engines/strength.txt");
  ASSERT_TRUE(in);
  std::stringstream text;
  text << in.rdbuf();
  const StrengthTable t = ParseStrengthTable(text.str());
  EXPECT_TRUE(t.Problems.empty()) << t.Problems.front();
}
