// The stored openings: every embedded game file against the table (size, moves, side to move),
// against a fresh replay of its moves, and the table's own lookup rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/openings.h"
#include "core/chessboard.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;

fs::path OpeningFile(std::string_view dataItem) {
  const char* src = std::getenv("TAVREL_SOURCE_DIR");
  return fs::path(src ? src : ".") / "resources" / "openings" / (std::string(dataItem) + ".spa");
}

std::vector<char> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A scratch folder removed with the fixture.
class ScratchDir {
 public:
  ScratchDir() {
    path_ = fs::temp_directory_path() /
            ("test_openings." + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "." + std::to_string(reinterpret_cast<uintptr_t>(this)));
    fs::create_directories(path_);
  }
  ~ScratchDir() { fs::remove_all(path_); }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

std::string CaseName(const ::testing::TestParamInfo<OpeningInfo>& info) {
  return std::string(info.param.DataItem);
}

class StoredOpening : public ::testing::TestWithParam<OpeningInfo> {};

TEST_P(StoredOpening, FileMatchesTable) {
  const OpeningInfo& o = GetParam();
  const fs::path file = OpeningFile(o.DataItem);
  ASSERT_TRUE(fs::exists(file)) << file;
  const auto size = fs::file_size(file);
  EXPECT_EQ(size, static_cast<uintmax_t>(o.Bytes));
  const int groups = o.HalfMoves / 2 + 1;
  EXPECT_EQ(o.Bytes, 88 * (1 + 3 * groups)) << "table row is inconsistent";
  EXPECT_EQ(o.WhiteToMoveAtEnd, o.HalfMoves % 2 == 0) << "table row is inconsistent";

  ChessBoard board;
  board.NewGame();
  board.LoadGame(file.string());
  EXPECT_EQ(board.LastMoveNumber(), static_cast<int>((size / 88 - 1) / 3));
  EXPECT_EQ(board.WhiteToMoveAtEnd(), o.WhiteToMoveAtEnd);
  std::vector<std::string> lines;
  board.GetMoveList(lines);
  EXPECT_EQ(lines.size(), static_cast<size_t>(o.HalfMoves));
  EXPECT_EQ(lines, OpeningLines(o));

  // Going to the end shows the position the moves lead to, with the right side to move.
  ChessBoard played;
  played.NewGame();
  PlayOpening(played, o);
  ASSERT_TRUE(board.GoToMove(board.LastMoveNumber(), board.WhiteToMoveAtEnd()));
  EXPECT_EQ(board.Position(), played.Position());
  EXPECT_EQ(board.WhiteToMove(), o.WhiteToMoveAtEnd);
  EXPECT_EQ(board.CastlingAllowed(), played.CastlingAllowed());
  EXPECT_EQ(board.EnPassant(), played.EnPassant());
}

TEST_P(StoredOpening, FileIsWhatSaveGameWritesAfterReplay) {
  const OpeningInfo& o = GetParam();
  ScratchDir dir;
  ChessBoard board;
  board.NewGame();
  PlayOpening(board, o);
  const fs::path fresh = dir.Path() / "fresh.spa";
  board.SaveGame(fresh.string());
  EXPECT_EQ(ReadAll(fresh), ReadAll(OpeningFile(o.DataItem)));
}

TEST_P(StoredOpening, LoadAndSaveAgainReproducesTheBytes) {
  const OpeningInfo& o = GetParam();
  ScratchDir dir;
  ChessBoard board;
  board.NewGame();
  board.LoadGame(OpeningFile(o.DataItem).string());
  const fs::path again = dir.Path() / "again.spa";
  board.SaveGame(again.string());
  EXPECT_EQ(ReadAll(again), ReadAll(OpeningFile(o.DataItem)));
}

INSTANTIATE_TEST_SUITE_P(All, StoredOpening, ::testing::ValuesIn(Openings()), CaseName);

TEST(Openings, MenuOrderAndNames) {
  const auto all = Openings();
  ASSERT_EQ(all.size(), 26u);
  EXPECT_EQ(all.front().Caption, "Abgelehntes Damengambit");
  EXPECT_EQ(all.back().Caption, "Spanische Eröffnung");
  // Every data item E001..E026 exists exactly once.
  std::vector<int> seen(27, 0);
  for (const OpeningInfo& o : all) {
    ASSERT_EQ(o.DataItem.size(), 4u);
    const int n = std::stoi(std::string(o.DataItem.substr(1)));
    ASSERT_TRUE(n >= 1 && n <= 26) << o.DataItem;
    ++seen[n];
    EXPECT_EQ(FindOpening(o.MenuItem), &o);
  }
  for (int n = 1; n <= 26; ++n) EXPECT_EQ(seen[n], 1) << n;
}

TEST(Openings, LookupIgnoresCaseAndAmpersands) {
  struct Row {
    const char* name;
    const char* dataItem;  // nullptr: not found
  };
  const Row rows[] = {
      {"e013", "E013"},  {"E013", "E013"}, {"&e0&13", "E013"}, {"e001", "E001"},
      {"E999", nullptr}, {"", nullptr},    {"e01", nullptr},
  };
  for (const Row& r : rows) {
    const OpeningInfo* o = FindOpening(r.name);
    if (!r.dataItem) {
      EXPECT_EQ(o, nullptr) << r.name;
    } else {
      ASSERT_NE(o, nullptr) << r.name;
      EXPECT_EQ(o->DataItem, r.dataItem) << r.name;
    }
  }
}

TEST(Openings, RetiLeavesBlackToMoveAfterFiveLines) {
  const OpeningInfo* reti = FindOpening("E001");
  ASSERT_NE(reti, nullptr);
  EXPECT_EQ(reti->Caption, "Reti-Eröffnung");
  ChessBoard board;
  board.NewGame();
  board.LoadGame(OpeningFile("E001").string());
  std::vector<std::string> lines;
  board.GetMoveList(lines);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines.back(), "3. Lf1-g2");
  EXPECT_EQ(lines[1], "\td7-d5");
  EXPECT_FALSE(board.WhiteToMoveAtEnd());
}

// The byte layout of the smallest item, field by field.
TEST(Openings, RetiBytesFieldByField) {
  const std::vector<char> bytes = ReadAll(OpeningFile("E001"));
  ASSERT_EQ(bytes.size(), 880u);
  auto entry = [&bytes](int move, int slot) {
    return reinterpret_cast<const MoveEntry*>(bytes.data() +
                                              88 * (move == 0 ? 0 : 1 + 3 * (move - 1) + slot));
  };
  for (int i = 0; i < 88; ++i) EXPECT_EQ(bytes[i], i == 83 ? 1 : 0) << "header byte " << i;

  struct Row {
    int move, slot;
    char piece;
    int from, to, enPassant;
  };
  const Row rows[] = {
      {1, 0, 'N', 63, 46, 0}, {1, 1, 'p', 12, 28, 0},  {2, 0, 'P', 55, 47, 20},
      {2, 1, 'p', 11, 27, 0}, {3, 0, 'B', 62, 55, 19},
  };
  for (const Row& r : rows) {
    const MoveEntry* e = entry(r.move, r.slot);
    EXPECT_EQ(e->PositionLength, 64);
    EXPECT_EQ(e->MovedPiece, r.piece);
    EXPECT_EQ(e->TargetContent, ' ');
    EXPECT_EQ(e->Check, 0);
    EXPECT_EQ(e->CastlingRights, 15);
    EXPECT_EQ(e->From, r.from);
    EXPECT_EQ(e->To, r.to);
    EXPECT_EQ(e->EnPassant, r.enPassant);
    for (int i = 64; i < 80; ++i) EXPECT_EQ(e->Position[i], 0);
  }
  EXPECT_EQ(entry(1, 0)->PositionText(), kInitialPosition);
  // The final slot holds the end position only; the third slot of every group stays zero.
  const MoveEntry* final = entry(3, 1);
  const std::string end = std::string("rnbqkbnr") + "pp  pppp" + "        " + "  pp    " +
                          "        " + "     NP " + "PPPPPPBP" + "RNBQK  R";
  EXPECT_EQ(final->PositionText(), end);
  EXPECT_EQ(final->CastlingRights, 15);
  EXPECT_EQ(final->MovedPiece, 0);
  EXPECT_EQ(final->From, 0);
  EXPECT_EQ(final->To, 0);
  EXPECT_EQ(final->EnPassant, 0);
  for (int m = 1; m <= 3; ++m) {
    const char* third = reinterpret_cast<const char*>(entry(m, 2));
    EXPECT_TRUE(std::all_of(third, third + 88, [](char c) { return c == 0; })) << m;
  }
}

TEST(Openings, BenoniEndsWithWhiteToMoveAtMoveTwelve) {
  ChessBoard board;
  board.NewGame();
  board.LoadGame(OpeningFile("E007").string());
  std::vector<std::string> lines;
  board.GetMoveList(lines);
  EXPECT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines.back(), "\tTf8-e8");
  ASSERT_TRUE(board.GoToMove(board.LastMoveNumber(), board.WhiteToMoveAtEnd()));
  EXPECT_EQ(board.CurrentMove(), 12);
  EXPECT_TRUE(board.WhiteToMove());
}

TEST(Openings, PlayOpeningRefusesABrokenMoveText) {
  struct Row {
    const char* name;
    const char* moves;
  };
  const Row rows[] = {
      {"illegal", "1. e2-e5"},
      {"wrong piece letter", "1. Sb1-c3 Lb8-c6"},
      {"pawn named as piece", "1. Se2-e4"},
      {"wrong capture mark", "1. e2-e4 d7-d5 2. e4-d5"},
      {"wrong move number", "1. e2-e4 e7-e5 3. d2-d4"},
      {"unreadable", "1. e2e4"},
      {"black piece for white", "1. e7-e5"},
  };
  for (const Row& r : rows) {
    const OpeningInfo broken{"x", r.name, "X", 0, 0, true, r.moves};
    ChessBoard board;
    board.NewGame();
    EXPECT_THROW(PlayOpening(board, broken), OpeningError) << r.name;
  }
}

}  // namespace
}  // namespace tavrel
