#include "core/pgn.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>
#include <regex>

#include "core/chessboard.h"
#include "core/rules.h"
#include "core/san.h"
#include "core/system_reason.h"

namespace tavrel {
namespace {

// ---------------------------------------------------------------- reading

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsSymbolChar(char c) {
  switch (c) {
    case '{':
    case '}':
    case '(':
    case ')':
    case '[':
    case ']':
    case ';':
    case '$':
    case '"':
    case '\0':
      return false;
    default:
      return !IsSpace(c);
  }
}

class Reader {
 public:
  explicit Reader(std::string_view text) : t_(text) {
    if (t_.substr(0, 3) == "\xEF\xBB\xBF") i_ = 3;
  }

  std::vector<PgnGame> ReadAll() {
    PgnGame game;
    bool started = false, has_moves = false;
    auto finish = [&] {
      if (started) games_.push_back(std::move(game));
      game = PgnGame();
      started = has_moves = false;
    };
    while (i_ < t_.size()) {
      const char c = t_[i_];
      if (IsSpace(c)) {
        ++i_;
      } else if (c == '%' && (i_ == 0 || t_[i_ - 1] == '\n')) {
        SkipLine();
      } else if (c == ';') {
        SkipLine();
      } else if (c == '{') {
        SkipComment();
      } else if (c == '(') {
        SkipVariation();
      } else if (c == ')') {
        Fail("schließende Klammer ) ohne öffnende Klammer (");
      } else if (c == '}') {
        Fail("schließende Klammer } ohne öffnende Klammer {");
      } else if (c == '[') {
        if (has_moves) finish();
        ReadTag(game);
        started = true;
      } else if (c == '$') {
        ++i_;
        while (i_ < t_.size() && std::isdigit(static_cast<unsigned char>(t_[i_]))) ++i_;
      } else {
        std::string_view token = ReadSymbol();
        if (token.empty()) {
          ++i_;  // a stray quote or other character outside a tag
          continue;
        }
        if (IsResult(token)) {
          game.Result = token == "½-½" ? "1/2-1/2" : std::string(token);
          game.EndsWithResult = true;
          started = true;
          finish();
          continue;
        }
        if (token == "e.p.") continue;
        // Move numbers ("12.", "12...", "12.e4") and annotation glyphs ("!?") go.
        size_t k = 0;
        while (k < token.size() && std::isdigit(static_cast<unsigned char>(token[k]))) ++k;
        if (k > 0 && k < token.size() && token[k] == '.') {
          while (k < token.size() && token[k] == '.') ++k;
          token.remove_prefix(k);
        } else if (k == token.size()) {
          continue;  // a bare number
        }
        while (!token.empty() && token.front() == '.') token.remove_prefix(1);
        if (token.empty() || token.find_first_not_of("!?") == std::string_view::npos) continue;
        game.Moves.emplace_back(token);
        started = has_moves = true;
      }
    }
    finish();
    return std::move(games_);
  }

 private:
  static bool IsResult(std::string_view token) {
    if (token.empty() ||
        (token[0] != '0' && token[0] != '1' && token[0] != '*' && token[0] != '\xC2'))
      return false;
    return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*" || token == "½-½";
  }

  // Counts from the start: only for a message, never per token (that would be quadratic).
  int LineAt(size_t at) const {
    return 1 + static_cast<int>(std::count(t_.begin(), t_.begin() + std::min(at, t_.size()), '\n'));
  }

  [[noreturn]] void Fail(const std::string& what, std::optional<size_t> at = {}) const {
    throw PgnError("PGN-Text, Zeile " + std::to_string(LineAt(at.value_or(i_))) + ": " + what);
  }

  void SkipLine() {
    while (i_ < t_.size() && t_[i_] != '\n') ++i_;
  }

  void SkipComment() {
    const size_t close = t_.find('}', i_);
    if (close == std::string_view::npos) Fail("Kommentar { ohne schließende Klammer }");
    i_ = close + 1;
  }

  void SkipVariation() {
    const size_t start = i_;
    int depth = 0;
    while (i_ < t_.size()) {
      const char c = t_[i_];
      if (c == '{') {
        SkipComment();
        continue;
      }
      if (c == ';') {
        SkipLine();
        continue;
      }
      ++i_;
      if (c == '(') ++depth;
      if (c == ')' && --depth == 0) return;
    }
    Fail("Variante ( ohne schließende Klammer )", start);
  }

  std::string_view ReadSymbol() {
    const size_t start = i_;
    while (i_ < t_.size() && IsSymbolChar(t_[i_])) ++i_;
    return t_.substr(start, i_ - start);
  }

  void SkipBlanks() {
    while (i_ < t_.size() && IsSpace(t_[i_])) ++i_;
  }

  void ReadTag(PgnGame& game) {
    ++i_;  // '['
    SkipBlanks();
    std::string name;
    while (i_ < t_.size() && (std::isalnum(static_cast<unsigned char>(t_[i_])) || t_[i_] == '_'))
      name += t_[i_++];
    SkipBlanks();
    if (name.empty() || i_ >= t_.size() || t_[i_] != '"') Fail("fehlerhafte Kennung [...]");
    ++i_;
    std::string value;
    while (true) {
      if (i_ >= t_.size() || t_[i_] == '\n')
        Fail("Wert der Kennung " + Excerpt(name) + " ohne Ende");
      const char c = t_[i_++];
      if (c == '"') break;
      if (c == '\\' && i_ < t_.size() && (t_[i_] == '"' || t_[i_] == '\\')) {
        value += t_[i_++];
        continue;
      }
      value += c;
    }
    SkipBlanks();
    if (i_ >= t_.size() || t_[i_] != ']') Fail("Kennung " + Excerpt(name) + " ohne ]");
    ++i_;
    game.SetTag(name, value);
  }

  std::string_view t_;
  size_t i_ = 0;
  std::vector<PgnGame> games_;
};

// ---------------------------------------------------------------- record walk

FenPosition EntryPosition(const MoveEntry& e, bool white) {
  FenPosition p;
  std::string_view text = e.PositionText();
  p.Board.assign(text.substr(0, 64));
  p.Board.resize(64, ' ');
  for (char& c : p.Board)
    if (!IsBoardChar(c)) c = ' ';
  p.WhiteToMove = white;
  p.Castling = e.CastlingRights & AllCastling;
  const uint8_t ep = e.EnPassant;
  p.EnPassant = ((ep >= A6 && ep <= H6) || (ep >= A3 && ep <= H3)) ? static_cast<Square>(ep) : None;
  return p;
}

FenPosition CurrentPosition(const ChessBoard& board) {
  FenPosition p;
  p.Board = board.Position();
  p.WhiteToMove = board.WhiteToMove();
  p.Castling = board.CastlingAllowed();
  p.EnPassant = board.EnPassant();
  return p;
}

struct Slot {
  int move, slot;
};

// The record's half-move slots from its start up to and including its end (the final
// position), in order.
std::vector<Slot> RecordSlots(const ChessBoard& board) {
  std::vector<Slot> slots;
  const int last = std::clamp(board.LastMoveNumber(), 1, kMaxMoveNumber);
  for (int m = 1; m <= last; ++m) {
    for (int s = 0; s < 2; ++s) {
      if (m == 1 && s == 0 && board.BlackStarts()) continue;
      slots.push_back({m, s});
      if (m == last && (s == 1 || board.WhiteToMoveAtEnd())) return slots;
    }
  }
  return slots;
}

// Drops rights whose king or rook is not on its square: they can never be used, and other
// programs refuse such a FEN.
CastleSet UsableRights(const std::string& b, CastleSet rights) {
  auto at = [&b](Square sq) { return b[sq - 1]; };
  CastleSet out = 0;
  if (HasRight(rights, WhiteKingSide) && at(E1) == 'K' && at(H1) == 'R') out |= WhiteKingSide;
  if (HasRight(rights, WhiteQueenSide) && at(E1) == 'K' && at(A1) == 'R') out |= WhiteQueenSide;
  if (HasRight(rights, BlackKingSide) && at(E8) == 'k' && at(H8) == 'r') out |= BlackKingSide;
  if (HasRight(rights, BlackQueenSide) && at(E8) == 'k' && at(A8) == 'r') out |= BlackQueenSide;
  return out;
}

std::string MoveLabel(int number, bool white, const std::string& text) {
  return "Zug " + std::to_string(number) + (white ? ". " : "... ") + Excerpt(text);
}

bool LooksLikeMove(const std::string& text) {
  if (text.size() > 24) return false;  // no move is this long; the pattern would crawl
  static const std::regex kMove(
      "([O0]-[O0](-[O0])?|[KQRBNDTLS]?[a-h]?[1-8]?[x:-]?[a-h][1-8](=?[QRBNDTLS])?(e\\.p\\.)?)"
      "[+#!?]*");
  return std::regex_match(text, kMove);
}

}  // namespace

std::string PgnGame::Tag(std::string_view name) const {
  for (const auto& [n, v] : Tags)
    if (n == name) return v;
  return {};
}

void PgnGame::SetTag(const std::string& name, const std::string& value) {
  for (auto& [n, v] : Tags)
    if (n == name) {
      v = value;
      return;
    }
  Tags.emplace_back(name, value);
}

std::vector<PgnGame> ReadPgn(std::string_view text) {
  return Reader(text).ReadAll();
}

std::string Excerpt(std::string_view text) {
  constexpr size_t kShown = 20;
  if (text.size() <= kShown + 4) return std::string(text);
  auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
  size_t cut = kShown;
  while (cut > 0 && continuation(text[cut])) --cut;  // never inside a UTF-8 character
  const size_t characters = static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [&](char c) { return !continuation(c); }));
  return std::string(text.substr(0, cut)) + "… (" + std::to_string(characters) + " Zeichen)";
}

std::string ReadPgnFile(const std::string& path) {
  auto fail = [&path](const char* what, const std::string& reason) -> PgnError {
    return PgnError("Die Datei „" + path + "“ kann nicht " + what + " werden (" + reason + ").");
  };
  auto too_large = [&path] {
    return PgnError("Die Datei „" + path + "“ ist größer als " +
                    std::to_string(kMaxPgnFileBytes >> 20) +
                    " MiB, die Grenze für PGN-Dateien, und wird nicht gelesen.");
  };
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) throw fail("geöffnet", SystemReason(errno));
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) throw fail("geöffnet", SystemReason(errno));
  if (const std::string kind = NotRegularFileReason(info.st_mode); !kind.empty())
    throw fail("geöffnet", kind);
  if (static_cast<uintmax_t>(info.st_size) > kMaxPgnFileBytes) throw too_large();
  std::string bytes(static_cast<size_t>(info.st_size), '\0');
  size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {  // the file may have grown since fstat
      if (bytes.size() >= kMaxPgnFileBytes + 1) break;
      bytes.resize(std::min(kMaxPgnFileBytes + 1, bytes.size() + 65536));
    }
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw fail("gelesen", SystemReason(errno));
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  if (got > kMaxPgnFileBytes) throw too_large();
  bytes.resize(got);
  return bytes;
}

std::string WritePgn(const PgnGame& game) {
  std::string out;
  for (const auto& [name, value] : game.Tags) {
    out += '[' + name + " \"";
    for (char c : value) {
      if (c == '"' || c == '\\') out += '\\';
      if (c != '\n' && c != '\r') out += c;
    }
    out += "\"]\n";
  }
  out += '\n';
  int number = 1;
  bool white = true;
  if (!game.Tag("FEN").empty()) {
    if (auto p = ParseFen(game.Tag("FEN"))) {
      number = std::max(1, p->FullmoveNumber);
      white = p->WhiteToMove;
    }
  }
  std::vector<std::string> tokens;
  for (size_t i = 0; i < game.Moves.size(); ++i) {
    if (white)
      tokens.push_back(std::to_string(number) + '.');
    else if (i == 0)
      tokens.push_back(std::to_string(number) + "...");
    tokens.push_back(game.Moves[i]);
    if (!white) ++number;
    white = !white;
  }
  tokens.push_back(game.Result.empty() ? "*" : game.Result);
  std::string line;
  for (const std::string& token : tokens) {
    if (!line.empty() && line.size() + 1 + token.size() > 80) {
      out += line + '\n';
      line.clear();
    }
    line += (line.empty() ? "" : " ") + token;
  }
  out += line + "\n\n";
  return out;
}

std::string ResultOfBoard(const ChessBoard& board) {
  const std::vector<Slot> slots = RecordSlots(board);
  const bool moves = slots.size() > 1;
  const Slot end = slots.back();
  const FenPosition p = moves ? EntryPosition(board.Entry(end.move, end.slot), end.slot == 0)
                              : CurrentPosition(board);
  rules::Board b;
  b[0] = ' ';
  std::memcpy(b + 1, p.Board.data(), 64);
  b[65] = '\0';
  const bool check = rules::KingAttacked(b, p.WhiteToMove);
  if (LegalMovesIn(p).empty()) return check ? (p.WhiteToMove ? "0-1" : "1-0") : "1/2-1/2";
  if (rules::InsufficientMaterial(b)) return "1/2-1/2";
  if (moves) {
    const std::string_view final_text = board.Entry(end.move, end.slot).PositionText();
    int equal = 0;
    for (size_t k = 0; k + 1 < slots.size(); ++k)
      if (board.Entry(slots[k].move, slots[k].slot).PositionText() == final_text) ++equal;
    if (equal >= 2) return "1/2-1/2";
  }
  return "*";
}

std::string PgnToday() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y.%m.%d", &local);
  return text;
}

PgnGame GameFromBoard(const ChessBoard& board, const std::string& white, const std::string& black,
                      const std::string& date) {
  PgnGame game;
  game.Result = ResultOfBoard(board);
  for (const auto& [name, value] :
       std::initializer_list<std::pair<const char*, std::string>>{{"Event", "Tavrel-Partie"},
                                                                  {"Site", "?"},
                                                                  {"Date", date},
                                                                  {"Round", "?"},
                                                                  {"White", white},
                                                                  {"Black", black},
                                                                  {"Result", game.Result}})
    game.SetTag(name, value);

  const std::vector<Slot> slots = RecordSlots(board);
  const Slot first = slots.front();
  FenPosition start = slots.size() > 1
                          ? EntryPosition(board.Entry(first.move, first.slot), first.slot == 0)
                          : CurrentPosition(board);
  start.Castling = UsableRights(start.Board, start.Castling);
  const FenPosition normal = StartPosition();
  if (start.Board != normal.Board || !start.WhiteToMove || start.Castling != normal.Castling ||
      start.EnPassant != None) {
    game.SetTag("SetUp", "1");
    game.SetTag("FEN", FormatFen(start));
  }

  for (size_t k = 0; k + 1 < slots.size(); ++k) {
    const MoveEntry& e = board.Entry(slots[k].move, slots[k].slot);
    const MoveEntry& next = board.Entry(slots[k + 1].move, slots[k + 1].slot);
    const FenPosition p = EntryPosition(e, slots[k].slot == 0);
    SanMove m{static_cast<Square>(e.From), static_cast<Square>(e.To), 0};
    if (!IsLegalIn(p, m.From, m.To))
      throw PgnError(MoveLabel(slots[k].move, slots[k].slot == 0, "") +
                     "der Partie ist in seiner Stellung nicht erlaubt");
    const char moved = p.Board[m.From - 1];
    if ((moved == 'P' && RankOf(m.To) == 8) || (moved == 'p' && RankOf(m.To) == 1)) {
      const std::string_view after = next.PositionText();
      const char promoted = after.size() >= m.To ? after[m.To - 1] : 'Q';
      m.Promotion = std::strchr("QRBNqrbn", promoted) && promoted
                        ? static_cast<char>(std::toupper(static_cast<unsigned char>(promoted)))
                        : 'Q';
    }
    game.Moves.push_back(ToSan(p, m));
  }
  return game;
}

void PlayPgnGame(const PgnGame& game, ChessBoard& board) {
  const std::string fen = game.Tag("FEN");
  FenPosition start = StartPosition();
  if (!fen.empty()) {
    start = ParseSetUpFen(fen);
    StartFromFen(board, start);
  } else {
    board.NewGame();
  }
  int number = fen.empty() ? 1 : std::max(1, start.FullmoveNumber);
  for (const std::string& text : game.Moves) {
    const bool white = board.WhiteToMove();
    const std::string label = MoveLabel(number, white, text);
    if (board.RecordFull())
      throw PgnError(label + ": Die Partie ist länger als " + std::to_string(kMaxMoveNumber) +
                     " Züge.");
    const std::optional<SanMove> m = ParseSan(CurrentPosition(board), text);
    if (!m)
      throw PgnError(label + (LooksLikeMove(text) ? " ist in dieser Stellung nicht erlaubt."
                                                  : " ist nicht lesbar."));
    if (board.IsThreefoldRepetition())
      throw PgnError(label + ": Nach dreifacher Stellungswiederholung ist kein Zug mehr erlaubt.");
    if (m->Promotion) board.SetPromotionPiece(m->Promotion);
    if (!board.ExecuteMove(m->From, m->To))
      throw PgnError(label + " ist in dieser Stellung nicht erlaubt.");
    if (!white) ++number;
  }
}

std::vector<uint8_t> GameBytes(const ChessBoard& from) {
  const int groups = std::clamp(from.LastMoveNumber(), 1, kMaxMoveNumber);
  std::vector<uint8_t> bytes;
  bytes.reserve(kEntrySize + kGroupSize * groups);
  auto append = [&bytes](const MoveEntry& e) {
    const auto* p = reinterpret_cast<const uint8_t*>(&e);
    bytes.insert(bytes.end(), p, p + kEntrySize);
  };
  MoveEntry header = from.Entry(0, 0);
  header.Check = from.WhiteToMoveAtEnd() ? 0 : 1;
  append(header);
  for (int m = 1; m <= groups; ++m)
    for (int s = 0; s < kSlotsPerMove; ++s) append(from.Entry(m, s));
  return bytes;
}

std::string FenOfBoard(const ChessBoard& board) {
  FenPosition p = CurrentPosition(board);
  p.Castling = UsableRights(p.Board, p.Castling);
  p.FullmoveNumber = board.CurrentMove();
  // Half-moves played since the last capture or pawn move, back to the record's start.
  int clock = 0;
  int m = board.CurrentMove(), s = board.WhiteToMove() ? 0 : 1;
  while (true) {
    if (s == 1) {
      s = 0;
    } else {
      --m;
      s = 1;
    }
    if (m < 1 || (m == 1 && s == 0 && board.BlackStarts())) break;
    const MoveEntry& e = board.Entry(m, s);
    if (e.PositionLength != 64) break;
    if (e.MovedPiece == 'P' || e.MovedPiece == 'p' || PieceColorOf(e.TargetContent) >= 0) break;
    ++clock;
  }
  p.HalfmoveClock = clock;
  return FormatFen(p);
}

FenPosition ParseSetUpFen(std::string_view fen) {
  std::string reason;
  std::optional<FenPosition> parsed = ParseFen(fen, &reason);
  if (!parsed) {
    static const std::pair<const char*, const char*> kGerman[] = {
        {"expected 4 to 6 fields", "Sie braucht 4 bis 6 durch Leerzeichen getrennte Felder."},
        {"bad rank separator", "Die Aufstellung hat nicht genau 8 Reihen zu je 8 Feldern."},
        {"rank too long", "Eine Reihe der Aufstellung hat mehr als 8 Felder."},
        {"bad placement character", "Die Aufstellung enthält ein unbekanntes Zeichen."},
        {"placement does not cover 64 squares",
         "Die Aufstellung hat nicht genau 8 Reihen zu je 8 Feldern."},
        {"side to move must be w or b", "Am Zug muss \"w\" oder \"b\" stehen."},
        {"bad castling field", "Das Rochadefeld ist fehlerhaft."},
        {"bad en-passant square", "Das En-passant-Feld ist fehlerhaft."},
        {"bad move counter", "Halbzugzähler oder Zugnummer ist fehlerhaft."},
    };
    std::string german = "Der Text ist fehlerhaft.";
    for (const auto& [en, de] : kGerman)
      if (reason == en) german = de;
    throw PgnError("Keine gültige FEN-Stellung: " + german);
  }
  FenPosition p = *parsed;
  auto fail = [](const std::string& why) { throw PgnError("Keine gültige FEN-Stellung: " + why); };
  if (std::count(p.Board.begin(), p.Board.end(), 'K') != 1 ||
      std::count(p.Board.begin(), p.Board.end(), 'k') != 1)
    fail("Jede Seite braucht genau einen König.");
  for (int file = 1; file <= 8; ++file) {
    const char top = p.Board[SquareAt(file, 8) - 1], bottom = p.Board[SquareAt(file, 1) - 1];
    if (top == 'P' || top == 'p' || bottom == 'P' || bottom == 'p')
      fail("Auf der ersten und achten Reihe darf kein Bauer stehen.");
  }
  rules::Board b;
  b[0] = ' ';
  std::memcpy(b + 1, p.Board.data(), 64);
  b[65] = '\0';
  if (rules::KingAttacked(b, !p.WhiteToMove))
    fail(std::string("Der König von ") + (p.WhiteToMove ? "Schwarz" : "Weiß") +
         " steht im Schach, aber " + (p.WhiteToMove ? "Weiß" : "Schwarz") + " ist am Zug.");
  if (p.EnPassant != None) {
    // White to move: Black's pawn passed over a6..h6 and stands one rank below it.
    const int rank = RankOf(p.EnPassant), file = FileOf(p.EnPassant);
    const int pawn_rank = p.WhiteToMove ? 5 : 4, from_rank = p.WhiteToMove ? 7 : 2;
    const char pawn = p.WhiteToMove ? 'p' : 'P';
    if (rank != (p.WhiteToMove ? 6 : 3) || b[SquareAt(file, pawn_rank)] != pawn ||
        b[p.EnPassant] != ' ' || b[SquareAt(file, from_rank)] != ' ')
      fail("Auf dem En-passant-Feld kann kein Bauer geschlagen werden.");
  }
  p.Castling = UsableRights(p.Board, p.Castling);
  return p;
}

void StartFromFen(ChessBoard& board, const FenPosition& p) {
  board.StartFromPosition(p.Board, p.WhiteToMove, p.Castling, p.EnPassant);
}

}  // namespace tavrel
