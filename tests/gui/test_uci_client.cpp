// The UCI client against fake engines that misbehave in the ways real ones do.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdlib>
#include <fstream>

#include "core/san.h"
#include "gui/uci_client.h"

namespace tavrel {
namespace {

QString Fake() {
  return QString::fromUtf8(std::getenv("TAVREL_SOURCE_DIR")) + "/tests/fake_engines/fake_uci.py";
}

// The bestmove of one search from the start position, or nothing.
std::optional<std::string> BestMove(UciClient& c) {
  c.Send("position startpos");
  c.Send("go depth 1");
  while (auto line = c.ReadLine(30000))
    if (auto best = ParseBestMove(*line)) return best;
  return std::nullopt;
}

TEST(UciClient, HandshakeSurvivesNoiseAndOverlongLines) {
  UciClient c;
  int notes = 0;
  QObject::connect(&c, &UciClient::note, [&](const QString&) { ++notes; });
  ASSERT_TRUE(c.Start(Fake(), {"garbage"})) << c.Error().toStdString();
  EXPECT_EQ(c.Name(), "Fake Engine 1.0");
  EXPECT_EQ(c.DroppedLines(), 1);
  EXPECT_EQ(notes, 1);
  ASSERT_EQ(c.Options().size(), 3u);
  EXPECT_EQ(c.Options()[0].Name, "Skill Level");
  EXPECT_EQ(c.Options()[0].Max, "20");
  EXPECT_EQ(c.Options()[1].Vars, (std::vector<std::string>{"Solid", "Normal", "Risky"}));
  EXPECT_EQ(c.Options()[2].Type, "button");
  EXPECT_TRUE(c.Sync(30000));
  EXPECT_EQ(BestMove(c), "e2e4");
}

TEST(UciClient, RefusesWhatIsNoWorkingEngine) {
  UciClient c;
  EXPECT_FALSE(c.Start("/nonexistent/engine"));
  EXPECT_TRUE(c.Error().contains("nicht gefunden")) << c.Error().toStdString();

  QTemporaryDir dir;
  const QString plain = dir.filePath("engine");
  std::ofstream(plain.toStdString()) << "uciok\n";
  EXPECT_FALSE(c.Start(plain));
  EXPECT_TRUE(c.Error().contains("kein ausführbares")) << c.Error().toStdString();

  // A program that answers nothing is given up at the deadline (short here; 10 s by default).
  EXPECT_FALSE(c.Start(Fake(), {"nouciok"}, 300));
  EXPECT_TRUE(c.Error().contains("uciok")) << c.Error().toStdString();
  EXPECT_FALSE(c.Running());

  EXPECT_FALSE(c.Start("/bin/true"));
  EXPECT_TRUE(c.Error().contains("beendet")) << c.Error().toStdString();
}

TEST(UciClient, BadMovesAndCrashesAreSeen) {
  UciClient illegal;
  ASSERT_TRUE(illegal.Start(Fake(), {"illegal"}));
  const auto best = BestMove(illegal);
  ASSERT_EQ(best, "e2e5");
  EXPECT_FALSE(ParseUciMove(StartPosition(), *best));
  EXPECT_FALSE(ParseUciMove(StartPosition(), "E2E4"));
  EXPECT_FALSE(ParseUciMove(StartPosition(), "e2e4q"));
  EXPECT_TRUE(ParseUciMove(StartPosition(), "g1f3"));

  UciClient crash;
  bool exited = false;
  QObject::connect(&crash, &UciClient::exited, [&] { exited = true; });
  ASSERT_TRUE(crash.Start(Fake(), {"crash"}));
  EXPECT_EQ(BestMove(crash), std::nullopt);
  EXPECT_FALSE(crash.Running());
  EXPECT_TRUE(exited);
}

TEST(UciClient, InfoAndOptionLines) {
  UciInfo info;
  EXPECT_TRUE(ParseUciInfo("info depth 7 seldepth 9 score cp -35 nodes 100 pv e7e5 g1f3", info));
  EXPECT_EQ(info.Depth, 7);
  EXPECT_TRUE(info.HasScore && !info.Mate);
  EXPECT_EQ(info.Score, -35);
  EXPECT_EQ(info.Pv, (std::vector<std::string>{"e7e5", "g1f3"}));
  // A bound is no verdict: the score before it stays.
  EXPECT_TRUE(ParseUciInfo("info depth 8 score cp 400 lowerbound", info));
  EXPECT_EQ(info.Score, -35);
  EXPECT_TRUE(ParseUciInfo("info score mate -3", info));
  EXPECT_TRUE(info.Mate);
  EXPECT_EQ(info.Score, -3);
  EXPECT_FALSE(ParseUciInfo("bestmove e2e4", info));

  const auto s = ParseUciOption("option name UCI_Elo type spin default 1350 min 1350 max 2850");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Min, "1350");
  const auto path = ParseUciOption("option name SyzygyPath type string default <empty>");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->Default, "");
  EXPECT_FALSE(ParseUciOption("option name X type colour"));
  EXPECT_FALSE(ParseUciOption("option type spin"));
}

}  // namespace
}  // namespace tavrel

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
