// Saved game files byte for byte, refused files, and loaded bytes that are not to be trusted.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/system_reason.h"
#include "board_test_util.h"

namespace tavrel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using testing::Sq;

void Play(ChessBoard& b, const std::string& moves) {
  std::istringstream in(moves);
  std::string m;
  while (in >> m) ASSERT_TRUE(b.ExecuteMove(Sq(m.substr(0, 2)), Sq(m.substr(2, 2)))) << m;
}

class GameFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("tavrel-gamefile-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  static Bytes Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  static void Write(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }

  fs::path dir_;
};

// One entry as the file holds it.
Bytes EntryBytes(std::string_view position, char moved, char target, int check, int rights,
                 int from, int to, int ep) {
  Bytes e(88, 0);
  if (!position.empty()) {
    e[0] = 64;
    std::memcpy(e.data() + 1, position.data(), 64);
  }
  e[81] = static_cast<uint8_t>(moved);
  e[82] = static_cast<uint8_t>(target);
  e[83] = static_cast<uint8_t>(check);
  e[84] = static_cast<uint8_t>(rights);
  e[85] = static_cast<uint8_t>(from);
  e[86] = static_cast<uint8_t>(to);
  e[87] = static_cast<uint8_t>(ep);
  return e;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

std::string After(std::string pos, int from, int to) {
  pos[to - 1] = pos[from - 1];
  pos[from - 1] = ' ';
  return pos;
}

const std::string kInit(kInitialPosition);
const Bytes kZero(88, 0);
Bytes Header(int blackToMove) {
  return EntryBytes("", 0, 0, blackToMove, 0, 0, 0, 0);
}

TEST_F(GameFileTest, NewGameWithoutMoveWrites352Bytes) {
  ChessBoard b;
  b.NewGame();
  b.SaveGame(Path("a.spa"));
  EXPECT_EQ(Read(Path("a.spa")), Bytes(352, 0));
}

TEST_F(GameFileTest, OneWhiteMoveWritesFourRecords) {
  ChessBoard b;
  b.NewGame();
  Play(b, "e2e4");
  b.SaveGame(Path("a.spa"));
  const Bytes expected = Concat({Header(1), EntryBytes(kInit, 'P', ' ', 0, 15, E2, E4, 0),
                                 EntryBytes(After(kInit, E2, E4), 0, 0, 0, 15, 0, 0, E3), kZero});
  EXPECT_EQ(Read(Path("a.spa")), expected);
}

TEST_F(GameFileTest, WorkedOpeningExample) {
  ChessBoard b;
  Play(b, "g1f3 d7d5 g2g3 c7c5 f1g2");
  b.SaveGame(Path("e.spa"));
  std::string p1 = After(kInit, G1, F3), p2 = After(p1, D7, D5), p3 = After(p2, G2, G3),
              p4 = After(p3, C7, C5), p5 = After(p4, F1, G2);
  const Bytes expected = Concat({
      Header(1),
      EntryBytes(kInit, 'N', ' ', 0, 15, 63, 46, 0),
      EntryBytes(p1, 'p', ' ', 0, 15, 12, 28, 0),
      kZero,
      EntryBytes(p2, 'P', ' ', 0, 15, 55, 47, 20),
      EntryBytes(p3, 'p', ' ', 0, 15, 11, 27, 0),
      kZero,
      EntryBytes(p4, 'B', ' ', 0, 15, 62, 55, 19),
      EntryBytes(p5, 0, 0, 0, 15, 0, 0, 0),
      kZero,
  });
  ASSERT_EQ(expected.size(), 880u);
  EXPECT_EQ(Read(Path("e.spa")), expected);

  ChessBoard c;
  c.LoadGame(Path("e.spa"));
  EXPECT_EQ(c.LastMoveNumber(), 3);
  EXPECT_FALSE(c.WhiteToMoveAtEnd());
  ASSERT_TRUE(c.GoToMove(3, false));
  EXPECT_EQ(c.Position(), p5);
  c.SaveGame(Path("again.spa"));
  EXPECT_EQ(Read(Path("again.spa")), expected);
}

struct UpToCase {
  const char* name;
  int line;
  size_t groups;
  uint8_t blackToMove;
};

class SaveUpToTest : public GameFileTest, public ::testing::WithParamInterface<UpToCase> {};

TEST_P(SaveUpToTest, CutsAfterLine) {
  ChessBoard b;
  Play(b, "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6 b5a4");
  b.SaveGameUpTo(Path("u.spa"), GetParam().line);
  Bytes bytes = Read(Path("u.spa"));
  ASSERT_EQ(bytes.size(), 88 * (1 + 3 * GetParam().groups));
  EXPECT_EQ(bytes[83], GetParam().blackToMove);
  ChessBoard c;
  c.LoadGame(Path("u.spa"));
  std::vector<std::string> lines;
  c.GetMoveList(lines);
  EXPECT_EQ(lines.size(), static_cast<size_t>(GetParam().line + 1));
}

INSTANTIATE_TEST_SUITE_P(Lines, SaveUpToTest,
                         ::testing::Values(UpToCase{"NoHalfMove", -1, 1, 0},
                                           UpToCase{"WhitesFirst", 0, 1, 1},
                                           UpToCase{"BlacksFirst", 1, 2, 0},
                                           UpToCase{"WhitesThird", 4, 3, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GameFileTest, SaveUpToOutsideRecordRefused) {
  ChessBoard b;
  EXPECT_THROW(b.SaveGameUpTo(Path("u.spa"), -2), GameFileError);
  EXPECT_THROW(b.SaveGameUpTo(Path("u.spa"), 512), GameFileError);
  EXPECT_THROW(b.SaveGameUpTo(Path("u.spa"), 511), GameFileError);
  EXPECT_THROW(b.SaveGameUpTo(Path("u.spa"), INT_MAX), GameFileError);
  EXPECT_THROW(b.SaveGameUpTo(Path("u.spa"), INT_MIN), GameFileError);
  EXPECT_FALSE(fs::exists(Path("u.spa")));
  b.SaveGameUpTo(Path("u.spa"), 510);  // Black's move 256, the last line there can be
  EXPECT_EQ(Read(Path("u.spa")).size(), 88u * (1 + 3 * 256));
}

TEST_F(GameFileTest, RoundTripOfLongerGame) {
  ChessBoard b;
  Play(b, "e2e4 d7d5 e4d5 d8d5 b1c3 d5e5 f1e2 c8g4 g1f3 b8c6 e1g1 e8c8");
  ASSERT_TRUE(b.GoToMove(3, true));  // saving does not depend on where the board stands
  b.SaveGame(Path("a.spa"));
  ChessBoard c;
  c.LoadGame(Path("a.spa"));
  c.SaveGame(Path("b.spa"));
  EXPECT_EQ(Read(Path("a.spa")), Read(Path("b.spa")));
  std::vector<std::string> x, y;
  b.GetMoveList(x);
  c.GetMoveList(y);
  EXPECT_EQ(x, y);
}

struct BadFileCase {
  const char* name;
  size_t size;
};

class BadFileTest : public GameFileTest, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(BadFileTest, RefusedAndRecordUntouched) {
  ChessBoard b;
  Play(b, "e2e4 e7e5 g1f3");
  const GameRecord before = b.Record();
  Bytes bytes(GetParam().size, 0);
  if (bytes.size() > 83) bytes[83] = 0;  // would make White to move at the end
  Write(Path("bad.spa"), bytes);
  try {
    b.LoadGame(Path("bad.spa"));
    ADD_FAILURE() << "accepted";
  } catch (const GameFileError& e) {
    EXPECT_NE(std::string(e.what()).find(Path("bad.spa")), std::string::npos) << e.what();
  }
  EXPECT_EQ(std::memcmp(&before, &b.Record(), sizeof(GameRecord)), 0);
  EXPECT_EQ(b.LastMoveNumber(), 2);
  EXPECT_FALSE(b.WhiteToMoveAtEnd());
}

INSTANTIATE_TEST_SUITE_P(Sizes, BadFileTest,
                         ::testing::Values(BadFileCase{"Empty", 0}, BadFileCase{"ShortHeader", 87},
                                           BadFileCase{"HeaderOnly", 88},
                                           BadFileCase{"PartialGroup", 88 + 264 - 1},
                                           BadFileCase{"GroupPlusOneByte", 88 + 264 + 1},
                                           BadFileCase{"MoreGroupsThanRecord", 88 + 264 * 257}),
                         [](const auto& info) { return std::string(info.param.name); });

// Refusals name the file and give the system's reason in German.
TEST_F(GameFileTest, MissingFileOrFolderRefusedWithGermanReason) {
  ChessBoard b;
  const struct {
    const char* name;
    std::string path;
    bool save;
    const char* reason;
  } cases[] = {
      {"load missing", Path("missing.spa"), false,
       "kann nicht gelesen werden (Datei oder Ordner nicht vorhanden)"},
      {"load folder", dir_.string(), false, "kann nicht gelesen werden (ist ein Ordner)"},
      {"save into missing folder", Path("no/such/folder/x.spa"), true,
       "kann nicht geschrieben werden (Datei oder Ordner nicht vorhanden)"},
      // Neither may block: a pipe waits for a writer, the device never ends.
      {"load named pipe", Path("x.spa"), false,
       "kann nicht gelesen werden (ist eine benannte Pipe (FIFO), keine gewöhnliche Datei)"},
      {"load device", "/dev/zero", false,
       "kann nicht gelesen werden (ist ein Gerät, keine gewöhnliche Datei)"},
  };
  ASSERT_EQ(::mkfifo(Path("x.spa").c_str(), 0600), 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.save ? b.SaveGame(c.path) : b.LoadGame(c.path);
      ADD_FAILURE() << "no error";
    } catch (const GameFileError& e) {
      EXPECT_EQ(std::string(e.what()), "Partiedatei „" + c.path + "“: " + c.reason);
    }
  }
  EXPECT_EQ(SystemReason(ENOSPC), "kein Platz mehr auf dem Datenträger");
  EXPECT_EQ(SystemReason(EROFS), "Datenträger ist schreibgeschützt");
  EXPECT_EQ(SystemReason(EACCES), "keine Berechtigung");
  EXPECT_EQ(SystemReason(EOPNOTSUPP), "vom Dateisystem nicht unterstützt");
  // Reasons met on read-only, busy, network or full systems have their own words.
  for (int error : {EBUSY, EXDEV, ENXIO, ELOOP, ETXTBSY, EMFILE, ESTALE, ETIMEDOUT, ENOMEM, EAGAIN,
                    EINVAL, EEXIST})
    EXPECT_EQ(SystemReason(error).find_first_of("0123456789"), std::string::npos) << error;
  EXPECT_EQ(SystemReason(4000), "unerwarteter Fehler des Betriebssystems (Nummer 4000)");
}

TEST_F(GameFileTest, SavingThroughASymbolicLinkKeepsTheLink) {
  fs::create_directory(dir_ / "real");
  Write(Path("real/game.spa"), Bytes(88, 1));
  fs::create_symlink("real/game.spa", dir_ / "link.spa");
  ChessBoard b;
  Play(b, "e2e4");
  b.SaveGame(Path("link.spa"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.spa"));
  EXPECT_EQ(Read(Path("real/game.spa")).size(), 88u * 4);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "real"), fs::directory_iterator()), 1);
}

TEST_F(GameFileTest, FailedWriteKeepsExistingFile) {
  ChessBoard b;
  Play(b, "e2e4 e7e5 g1f3 b8c6 f1b5");
  const Bytes old(500, 7);
  Write(Path("keep.spa"), old);
  // Let the file system refuse writes beyond 100 bytes, so the save fails halfway.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit limit = saved;
  limit.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  EXPECT_THROW(b.SaveGame(Path("keep.spa")), GameFileError);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(Read(Path("keep.spa")), old);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(GameFileTest, HostileBytesStayInsideTheRecordAndBoard) {
  Bytes entry(88, 0);
  entry[0] = 200;  // length beyond the 80 bytes that exist
  for (int i = 1; i <= 80; ++i) entry[i] = static_cast<uint8_t>("Kx\x01q\xffk"[i % 6]);
  entry[81] = 'z';
  entry[82] = 'Q';
  entry[83] = 1;
  entry[84] = 0xff;
  entry[85] = 99;
  entry[86] = 255;
  entry[87] = 200;
  const Bytes file = Concat({Header(1), entry, entry, entry});
  ChessBoard b;
  b.LoadGameBytes(file, "hostile");
  ASSERT_TRUE(b.GoToMove(1, true));
  for (char c : b.Position()) EXPECT_TRUE(IsBoardChar(c)) << int(c);
  EXPECT_EQ(b.EnPassant(), None);
  EXPECT_EQ(b.CastlingAllowed(), AllCastling);
  std::vector<std::string> lines;
  b.GetMoveList(lines);
  EXPECT_EQ(lines, std::vector<std::string>{"1. ??x??+"});
  EXPECT_TRUE(b.GoToMove(1, false));
  b.HasLegalMove();
  b.IsThreefoldRepetition();
}

TEST_F(GameFileTest, RecordEndsAtMove256) {
  // 256 groups whose last White entry holds the start position.
  Bytes file = Header(0);
  for (int m = 1; m <= 256; ++m) {
    Bytes group(264, 0);
    if (m == 256) {
      Bytes e = EntryBytes(kInit, 0, 0, 0, 15, 0, 0, 0);
      std::copy(e.begin(), e.end(), group.begin());
    }
    file.insert(file.end(), group.begin(), group.end());
  }
  Write(Path("full.spa"), file);
  ChessBoard b;
  b.LoadGame(Path("full.spa"));
  EXPECT_EQ(b.LastMoveNumber(), 256);
  ASSERT_TRUE(b.GoToMove(256, true));
  EXPECT_FALSE(b.RecordFull());
  ASSERT_TRUE(b.ExecuteMove(E2, E4));
  EXPECT_TRUE(b.RecordFull());
  EXPECT_TRUE(b.IsLegalMove(E7, E5));  // the rules allow it, the record has no room
  EXPECT_FALSE(b.ExecuteMove(E7, E5));
  EXPECT_EQ(b.Squares()[E7], 'p');
  EXPECT_EQ(b.LastMoveNumber(), 256);
  b.SaveGame(Path("out.spa"));
  EXPECT_EQ(Read(Path("out.spa")).size(), 88u * (1 + 3 * 256));
  std::vector<std::string> lines;
  b.GetMoveList(lines);
  EXPECT_EQ(lines.back(), "256. e2-e4");
  ASSERT_TRUE(b.MoveBack());
  EXPECT_FALSE(b.RecordFull());
}

}  // namespace
}  // namespace tavrel
