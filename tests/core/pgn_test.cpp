// SAN both ways, PGN reading and writing, games through the board's record and back, FEN copy
// and set-up starts.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/openings.h"
#include "core/chessboard.h"
#include "core/pgn.h"
#include "core/san.h"
#include "board_test_util.h"

namespace tavrel {
namespace {

using testing::Fen;
using testing::Sq;


// "e7e8n" -> move with promotion.
SanMove Uci(std::string_view m) {
  SanMove move{Sq(m.substr(0, 2)), Sq(m.substr(2, 2)), 0};
  if (m.size() > 4) move.Promotion = static_cast<char>(std::toupper(m[4]));
  return move;
}

std::vector<std::string> MoveList(ChessBoard& b) {
  std::vector<std::string> lines;
  b.GetMoveList(lines);
  return lines;
}

struct SanCase {
  const char* name;
  const char* fen;
  const char* move;
  const char* san;
};

TEST(San, WrittenFromPositionAndMove) {
  const SanCase cases[] = {
      {"disambiguated by file", "4k3/8/8/8/8/8/8/1N3N1K w - - 0 1", "b1d2", "Nbd2"},
      {"disambiguated by rank", "4k3/8/8/R7/8/8/8/R6K w - - 0 1", "a1a3", "R1a3"},
      {"disambiguated by both", "4k3/8/8/8/8/Q7/8/Q1Q4K w - - 0 1", "a1b2", "Qa1b2"},
      {"pinned twin needs none", "4r2k/8/8/8/8/8/4N3/1N2K3 w - - 0 1", "b1c3", "Nc3"},
      {"en passant", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "exd6"},
      {"short castling", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", "O-O"},
      {"long castling black", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", "O-O-O"},
      {"under-promotion", "2r1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7c8n", "bxc8=N"},
      {"promotion with check", "2r1k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7c8q", "bxc8=Q+"},
      {"rook promotion", "4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8r", "a8=R+"},
      {"check", "4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "a1a8", "Ra8+"},
      {"mate", "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "a1a8", "Ra8#"},
      {"capture", "4k3/8/8/3p4/8/8/8/3QK3 w - - 0 1", "d1d5", "Qxd5"},
  };
  for (const SanCase& c : cases) {
    const FenPosition p = Fen(c.fen);
    EXPECT_EQ(ToSan(p, Uci(c.move)), c.san) << c.name;
    const auto back = ParseSan(p, c.san);
    ASSERT_TRUE(back) << c.name;
    EXPECT_EQ(*back, Uci(c.move)) << c.name;
  }
}

TEST(San, ReadTolerantly) {
  const SanCase cases[] = {
      {"zero castling", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "0-0-0", "e1c1"},
      {"German knight, long form", kStartFen.data(), "Sg1-f3", "g1f3"},
      {"coordinates", kStartFen.data(), "g1f3", "g1f3"},
      {"pawn long form", kStartFen.data(), "e2-e4", "e2e4"},
      {"German queen promotion", "4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a8D", "a7a8q"},
      {"German knight promotion", "4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a8=S", "a7a8n"},
      {"promotion defaults to queen", "4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a8", "a7a8q"},
      {"marks and e.p.", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "exd6e.p.!?", "e5d6"},
      {"ambiguous", "4k3/8/8/8/8/8/8/1N3N1K w - - 0 1", "Nd2", ""},
      {"illegal", kStartFen.data(), "e5", ""},
      {"unreadable", kStartFen.data(), "Xz9", ""},
      {"German bishop", "4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", "Lh6", "c1h6"},
  };
  for (const SanCase& c : cases) {
    const auto m = ParseSan(Fen(c.fen), c.move);
    if (std::string(c.san).empty()) {
      EXPECT_FALSE(m) << c.name;
    } else {
      ASSERT_TRUE(m) << c.name;
      EXPECT_EQ(*m, Uci(c.san)) << c.name;
    }
  }
}

// ---------------------------------------------------------------- PGN text

TEST(Pgn, ReaderSkipsWhatIsNotTheMainLine) {
  const std::string text =
      "\xEF\xBB\xBF[Event \"Eins \\\"A\\\"\"]\n[White \"X\"]\n\n"
      "1.e4 {Königsbauer (nicht d4)} e5 $1 2. Sf3!? ; Rest der Zeile ( ignoriert\n"
      "2...Nc6 (2...d6 3.d4 (3.Bc4 Be7) exd4) 3.Lb5 a6 4.0-0 1-0\n"
      "%Fluchtzeile\n"
      "[Event \"Zwei\"]\n1. d4 d5 *\n\n"
      "[Event \"Drei\"]\n1. c4 1/2-1/2";
  const std::vector<PgnGame> games = ReadPgn(text);
  ASSERT_EQ(games.size(), 3u);
  EXPECT_EQ(games[0].Tag("Event"), "Eins \"A\"");
  EXPECT_EQ(games[0].Tag("White"), "X");
  EXPECT_EQ(games[0].Moves,
            (std::vector<std::string>{"e4", "e5", "Sf3!?", "Nc6", "Lb5", "a6", "0-0"}));
  EXPECT_EQ(games[0].Result, "1-0");
  EXPECT_EQ(games[1].Moves, (std::vector<std::string>{"d4", "d5"}));
  EXPECT_EQ(games[2].Result, "1/2-1/2");

  ChessBoard board;
  PlayPgnGame(games[0], board);
  EXPECT_EQ(MoveList(board).back(), "4. 0-0");
}

struct BadText {
  const char* name;
  const char* text;
  const char* message;
};

TEST(Pgn, MalformedGamesNameTheMove) {
  const BadText cases[] = {
      {"illegal move", "1. e4 e5 2. Nf3 Nc6 3. Ke3",
       "Zug 3. Ke3 ist in dieser Stellung nicht erlaubt."},
      {"unreadable move", "1. e4 Xq9", "Zug 1... Xq9 ist nicht lesbar."},
      {"ambiguous move", "1. Nf3 e5 2. d3 e4 3. Nd2", "Zug 3. Nd2 ist in dieser Stellung"},
      {"open comment", "1. e4 {ohne Ende", "Zeile 1: Kommentar"},
      {"open variation", "1. e4\n(1. d4 d5", "Zeile 2: Variante"},
      {"broken tag", "[Event \"x]\n1. e4", "Wert der Kennung Event"},
      {"bad FEN tag", "[SetUp \"1\"]\n[FEN \"8/8/8/8/8/8/8/8 w - - 0 1\"]\n1. e4", "König"},
      // The moves before a stray closing bracket may be a variation's: not read as the game.
      {"stray )", "1. e4 e5 2. Nf3 Nc6)\n3. Bb5 *", "Zeile 1: schließende Klammer ) ohne"},
      {"stray }", "1. e4\ne5 } 2. Nf3 *", "Zeile 2: schließende Klammer } ohne"},
  };
  for (const BadText& c : cases) {
    try {
      for (const PgnGame& g : ReadPgn(c.text)) {
        ChessBoard board;
        PlayPgnGame(g, board);
      }
      ADD_FAILURE() << c.name << ": no error";
    } catch (const PgnError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.name << ": " << e.what();
    }
  }
}

TEST(Pgn, HugeTokensAreQuotedAsAnExcerpt) {
  const std::string token(1 << 20, 'e');
  try {
    ChessBoard board;
    PlayPgnGame(ReadPgn("1." + token + " *").at(0), board);
    ADD_FAILURE() << "no error";
  } catch (const PgnError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Zug 1. eeeeeeeeeeeeeeeeeeee… (1048576 Zeichen) ist nicht lesbar.");
  }
  try {
    ReadPgn("[" + token + " \"x\n");
    ADD_FAILURE() << "no error";
  } catch (const PgnError& e) {
    EXPECT_LT(std::string(e.what()).size(), 100u);
  }
  // Never cut inside a character.
  std::string umlauts;
  for (int i = 0; i < 30; ++i) umlauts += "ä";
  EXPECT_EQ(Excerpt(umlauts), umlauts.substr(0, 20) + "… (30 Zeichen)");
  EXPECT_EQ(Excerpt("Sg1-f3"), "Sg1-f3");
}

TEST(Pgn, AGameWithoutItsResultIsMarkedAsPossiblyCut) {
  const std::vector<PgnGame> games =
      ReadPgn("1. e4 e5 2. Nf3\n\n[Event \"b\"]\n1. d4 d5 1-0\n[Event \"c\"]\n1. c4 c5 2. N");
  ASSERT_EQ(games.size(), 3u);
  EXPECT_FALSE(games[0].EndsWithResult);
  EXPECT_TRUE(games[1].EndsWithResult);
  EXPECT_FALSE(games[2].EndsWithResult);
  EXPECT_EQ(games[0].Moves.size(), 3u);
}

TEST(Pgn, FilesAreReadOnlyWhenRegularAndWithinTheLimit) {
  const std::string dir = ::testing::TempDir() + "/tavrel-pgn-file-" + std::to_string(::getpid());
  std::filesystem::create_directories(dir);
  const std::string pipe = dir + "/x.pgn", big = dir + "/big.pgn", good = dir + "/ok.pgn";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::ofstream(good) << "1. e4 *\n";
  std::filesystem::resize_file((std::ofstream(big), big), kMaxPgnFileBytes + 1);
  auto message = [](const std::string& path) -> std::string {
    try {
      ReadPgnFile(path);
      return "read";
    } catch (const PgnError& e) {
      return e.what();
    }
  };
  // Opening the pipe must not wait for a writer.
  EXPECT_EQ(message(pipe), "Die Datei „" + pipe +
                               "“ kann nicht geöffnet werden (ist eine benannte Pipe (FIFO), "
                               "keine gewöhnliche Datei).");
  EXPECT_NE(message("/dev/zero").find("ist ein Gerät"), std::string::npos);
  EXPECT_NE(message(big).find("größer als 16 MiB, die Grenze für PGN-Dateien"), std::string::npos);
  EXPECT_EQ(ReadPgnFile(good), "1. e4 *\n");
  std::filesystem::resize_file(big, kMaxPgnFileBytes);
  EXPECT_EQ(ReadPgnFile(big).size(), kMaxPgnFileBytes);
  std::filesystem::remove_all(dir);
}

TEST(Pgn, GameLongerThanTheRecordIsRefused) {
  // Knights and kings wander without repeating a position until the record is full.
  ChessBoard scratch;
  FenPosition p = Fen("n3k2n/8/8/8/8/8/8/N3K2N w - - 0 1");
  PgnGame game;
  std::set<std::string> seen{p.Board + (p.WhiteToMove ? 'w' : 'b')};
  // The record holds 511 half-moves: the position after Black's 256th would need move 257.
  while (game.Moves.size() < 2 * kMaxMoveNumber - 1) {
    bool moved = false;
    for (const SanMove& m : LegalMovesIn(p)) {
      const FenPosition next = PositionAfter(p, m);
      if (next.Board.find_first_of("nN") == std::string::npos) continue;
      if (!seen.insert(next.Board + (next.WhiteToMove ? 'w' : 'b')).second) continue;
      if (next.Board.find('n') == std::string::npos || next.Board.find('N') == std::string::npos)
        continue;
      game.Moves.push_back(ToSan(p, m));
      p = next;
      moved = true;
      break;
    }
    ASSERT_TRUE(moved) << "stuck after " << game.Moves.size();
  }
  game.SetTag("FEN", "n3k2n/8/8/8/8/8/8/N3K2N w - - 0 1");
  ChessBoard full;
  PlayPgnGame(game, full);
  EXPECT_TRUE(full.RecordFull());
  game.Moves.push_back(ToSan(p, LegalMovesIn(p).front()));
  try {
    PlayPgnGame(game, scratch);
    ADD_FAILURE() << "longer game accepted";
  } catch (const PgnError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Zug 256... ", 0), 0u) << e.what();
    EXPECT_NE(std::string(e.what()).find("länger als 256 Züge"), std::string::npos);
  }
}

// Damaged copies of a game (characters dropped, inserted, replaced) are refused or read, never
// a crash or a hang; the sanitizer builds make this test count.
TEST(Pgn, DamagedTextIsRefusedOrRead) {
  const std::string base =
      "[Event \"x\"]\n[FEN \"r3k2r/8/8/3pP3/8/8/8/R3K2R b KQkq - 0 1\"]\n"
      "1... O-O-O {c} 2. exd6 (2. Rb1 $2) Rxd6 3. Kf2 ; end\n1-0\n";
  const std::string alphabet = "{}()[];$\"\\. \n0123456789abcdefghKQRBNDTLSxO-=+#/*";
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  ChessBoard board;
  for (int i = 0; i < 2000; ++i) {
    std::string text = base;
    for (int k = static_cast<int>(next() % 4); k >= 0; --k) {
      const size_t at = next() % text.size();
      const char c = alphabet[next() % alphabet.size()];
      switch (next() % 3) {
        case 0:
          text.erase(at, 1);
          break;
        case 1:
          text.insert(at, 1, c);
          break;
        default:
          text[at] = c;
      }
    }
    try {
      for (const PgnGame& g : ReadPgn(text)) PlayPgnGame(g, board);
    } catch (const PgnError&) {
    }
  }
}

// ---------------------------------------------------------------- round trips

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(Pgn, EveryOpeningSurvivesExportAndImport) {
  const char* source = std::getenv("TAVREL_SOURCE_DIR");
  ASSERT_TRUE(source);
  for (const OpeningInfo& o : Openings()) {
    const auto bytes =
        ReadBytes(std::string(source) + "/resources/openings/" + std::string(o.DataItem) + ".spa");
    ChessBoard original;
    original.LoadGameBytes(bytes, std::string(o.DataItem));
    const std::string text =
        WritePgn(GameFromBoard(original, "Mensch", "Tavrel (Stufe 5)", "2026.01.02"));
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) EXPECT_LE(line.size(), 80u) << line;
    EXPECT_EQ(text.find("SetUp"), std::string::npos) << o.Caption;
    const std::vector<PgnGame> games = ReadPgn(text);
    ASSERT_EQ(games.size(), 1u);
    ChessBoard imported;
    PlayPgnGame(games[0], imported);
    EXPECT_EQ(MoveList(imported), OpeningLines(o)) << o.Caption;
    EXPECT_EQ(GameBytes(imported), bytes) << o.Caption;
  }
}

struct FamousGame {
  const char* name;
  const char* pgn;
  const char* final_fen;
};

TEST(Pgn, FamousGamesReplayMoveByMove) {
  const FamousGame games[] = {
      {"Opera Game, Paris 1858",
       "[White \"Morphy\"]\n[Result \"1-0\"]\n\n"
       "1. e4 e5 2. Nf3 d6 3. d4 Bg4 4. dxe5 Bxf3 5. Qxf3 dxe5 6. Bc4 Nf6 7. Qb3 Qe7 "
       "8. Nc3 c6 9. Bg5 b5 10. Nxb5 cxb5 11. Bxb5+ Nbd7 12. O-O-O Rd8 13. Rxd7 Rxd7 "
       "14. Rd1 Qe6 15. Bxd7+ Nxd7 16. Qb8+ Nxb8 17. Rd8# 1-0",
       "1n1Rkb1r/p4ppp/4q3/4p1B1/4P3/8/PPP2PPP/2K5 b k - 1 17"},
      {"Immortal Game, London 1851",
       "1. e4 e5 2. f4 exf4 3. Bc4 Qh4+ 4. Kf1 b5 5. Bxb5 Nf6 6. Nf3 Qh6 7. d3 Nh5 "
       "8. Nh4 Qg5 9. Nf5 c6 10. g4 Nf6 11. Rg1 cxb5 12. h4 Qg6 13. h5 Qg5 14. Qf3 Ng8 "
       "15. Bxf4 Qf6 16. Nc3 Bc5 17. Nd5 Qxb2 18. Bd6 Bxg1 19. e5 Qxa1+ 20. Ke2 Na6 "
       "21. Nxg7+ Kd8 22. Qf6+ Nxf6 23. Be7# 1-0",
       "r1bk3r/p2pBpNp/n4n2/1p1NP2P/6P1/3P4/P1P1K3/q5b1 b - - 1 23"},
      {"Evergreen Game, Berlin 1852",
       "1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4. b4 Bxb4 5. c3 Ba5 6. d4 exd4 7. O-O d3 "
       "8. Qb3 Qf6 9. e5 Qg6 10. Re1 Nge7 11. Ba3 b5 12. Qxb5 Rb8 13. Qa4 Bb6 14. Nbd2 Bb7 "
       "15. Ne4 Qf5 16. Bxd3 Qh5 17. Nf6+ gxf6 18. exf6 Rg8 19. Rad1 Qxf3 20. Rxe7+ Nxe7 "
       "21. Qxd7+ Kxd7 22. Bf5+ Ke8 23. Bd7+ Kf8 24. Bxe7# 1-0",
       "1r3kr1/pbpBBp1p/1b3P2/8/8/2P2q2/P4PPP/3R2K1 b - - 0 24"},
  };
  for (const FamousGame& g : games) {
    const std::vector<PgnGame> read = ReadPgn(g.pgn);
    ASSERT_EQ(read.size(), 1u) << g.name;
    ChessBoard board;
    PlayPgnGame(read[0], board);
    EXPECT_EQ(FenOfBoard(board), g.final_fen) << g.name;
    EXPECT_EQ(ResultOfBoard(board), "1-0") << g.name;
    // Written back, every move reads exactly as the players' notation.
    const PgnGame written = GameFromBoard(board, "?", "?", "?");
    EXPECT_EQ(written.Moves, read[0].Moves) << g.name;
  }
}

// ---------------------------------------------------------------- FEN starts

TEST(Fen, SetUpStartWithBlackToMove) {
  const char* fen = "r3k2r/8/8/3pP3/8/8/8/R3K2R b KQkq - 0 1";
  ChessBoard board;
  StartFromFen(board, ParseSetUpFen(fen));
  EXPECT_EQ(FenOfBoard(board), fen);
  EXPECT_TRUE(board.BlackStarts());
  EXPECT_EQ(MoveList(board), std::vector<std::string>{"1. ..."});
  EXPECT_FALSE(board.MoveBack());
  ASSERT_TRUE(board.ExecuteMove(E8, C8));
  ASSERT_TRUE(board.ExecuteMove(A1, B1));
  EXPECT_EQ(FenOfBoard(board), "2kr3r/8/8/3pP3/8/8/8/1R2K2R b K - 2 2");
  EXPECT_TRUE(board.MoveBack());
  EXPECT_TRUE(board.MoveBack());
  EXPECT_EQ(FenOfBoard(board), fen);  // castling rights and side restored from the record
  EXPECT_FALSE(board.MoveBack());
  EXPECT_TRUE(board.GoToMove(2, true));

  // The PGN numbers Black's first move "1..." and carries the start; the saved game keeps it.
  const PgnGame game = GameFromBoard(board, "Mensch", "Mensch", "2026.01.02");
  EXPECT_EQ(game.Tag("SetUp"), "1");
  EXPECT_EQ(game.Tag("FEN"), fen);
  EXPECT_NE(WritePgn(game).find("\n1... O-O-O 2. Rb1 *"), std::string::npos) << WritePgn(game);
  ChessBoard copy;
  copy.LoadGameBytes(GameBytes(board), "copy");
  EXPECT_TRUE(copy.BlackStarts());
  EXPECT_EQ(MoveList(copy), MoveList(board));
  ChessBoard again;
  PlayPgnGame(ReadPgn(WritePgn(game))[0], again);
  EXPECT_EQ(GameBytes(again), GameBytes(board));
}

TEST(Fen, SetUpStartWithWhiteToMoveAndEnPassant) {
  const char* fen = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1";
  ChessBoard board;
  StartFromFen(board, ParseSetUpFen(fen));
  ASSERT_TRUE(board.ExecuteMove(E5, D6));
  EXPECT_EQ(MoveList(board), std::vector<std::string>{"1. e5-d6"});
  EXPECT_TRUE(board.MoveBack());
  EXPECT_EQ(FenOfBoard(board), fen);
  EXPECT_FALSE(board.MoveBack());
  EXPECT_EQ(GameFromBoard(board, "", "", "").Moves, std::vector<std::string>{"exd6"});
}

TEST(Fen, ResultFollowsTheFinalPosition) {
  const std::pair<const char*, const char*> cases[] = {
      {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "1/2-1/2"},  // stalemate
      {"8/8/8/4k3/8/8/8/4KN2 w - - 0 1", "1/2-1/2"},  // no mating material
      {"7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "1-0"},      // Black is mated
      {"4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "*"},
  };
  for (const auto& [fen, result] : cases) {
    ChessBoard board;
    StartFromFen(board, ParseSetUpFen(fen));
    EXPECT_EQ(ResultOfBoard(board), result) << fen;
  }
}

struct BadFen {
  const char* fen;
  const char* message;
};

TEST(Fen, MalformedOrUnplayablePositionsAreRefused) {
  const BadFen cases[] = {
      {"", "4 bis 6"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq - 0 1", "8 Reihen"},
      {"rnbqkbnrp/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "mehr als 8"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1", "\"w\" oder \"b\""},
      {"4k3/8/8/8/8/8/8/4K2R w Z - 0 1", "Rochadefeld"},
      {"4k3/8/8/8/8/8/8/4K3 w - - x 1", "Zugnummer"},
      {"8/8/8/8/8/8/8/8 w - - 0 1", "genau einen König"},
      {"4k3/8/8/8/8/8/8/2K1K3 w - - 0 1", "genau einen König"},
      {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", "Bauer"},
      {"4k3/8/8/8/8/8/8/4R1K1 w - - 0 1", "steht im Schach"},
      {"4k3/8/8/8/4P3/8/8/4K3 w - e3 0 1", "En-passant"},
      {"4k3/8/8/8/8/8/8/4K3 b - e3 0 1", "En-passant"},
  };
  for (const BadFen& c : cases) {
    try {
      ParseSetUpFen(c.fen);
      ADD_FAILURE() << c.fen << ": accepted";
    } catch (const PgnError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
          << c.fen << ": " << e.what();
    }
  }
  // Rights that can never be used are dropped rather than refused.
  EXPECT_EQ(ParseSetUpFen("4k3/8/8/8/8/8/8/4K2R w KQkq - 0 1").Castling, WhiteKingSide);
}

}  // namespace
}  // namespace tavrel
