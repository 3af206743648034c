#include "core/san.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "core/rules.h"

namespace tavrel {
namespace {

struct Array {
  rules::Board b;
  explicit Array(const FenPosition& p) {
    b[0] = ' ';
    for (int i = 0; i < 64; ++i) {
      char c = i < static_cast<int>(p.Board.size()) ? p.Board[i] : ' ';
      b[i + 1] = IsBoardChar(c) ? c : ' ';
    }
    b[65] = '\0';
  }
};

char Upper(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool LegalOn(const char* b, const FenPosition& p, int from, int to) {
  if (!IsBoardSquare(from) || !IsBoardSquare(to)) return false;
  const int mover = p.WhiteToMove ? 1 : 0;
  if (PieceColorOf(b[from]) != mover || PieceColorOf(b[to]) == mover) return false;
  if (!rules::GeometryValid(b, from, to, p.Castling, p.EnPassant)) return false;
  rules::Board copy;
  std::memcpy(copy, b, sizeof(copy));
  rules::ApplyMove(copy, from, to, p.EnPassant, 'q');
  return !rules::KingAttacked(copy, p.WhiteToMove);
}

bool IsPromotion(char piece, int to) {
  return (piece == 'P' && RankOf(to) == 8) || (piece == 'p' && RankOf(to) == 1);
}

std::string SquareName(int sq) {
  return {static_cast<char>('a' + FileOf(sq) - 1), static_cast<char>('0' + RankOf(sq))};
}

// English letter for an English or German piece letter (upper case), 0 for anything else. A
// "B" is the English bishop here: the German pawn letter never leads a move.
char PieceLetter(char c) {
  if (c == 'B') return 'B';
  const char e = std::strchr("KQRN", c) && c ? c : EnglishLetterOf(c);
  return e == 'P' ? 0 : e;
}

bool IsFile(char c) {
  return c >= 'a' && c <= 'h';
}
bool IsRank(char c) {
  return c >= '1' && c <= '8';
}

}  // namespace

FenPosition StartPosition() {
  return *ParseFen(kStartFen);
}

bool IsLegalIn(const FenPosition& p, int from, int to) {
  Array a(p);
  return LegalOn(a.b, p, from, to);
}

std::vector<SanMove> LegalMovesIn(const FenPosition& p) {
  Array a(p);
  std::vector<SanMove> moves;
  const int mover = p.WhiteToMove ? 1 : 0;
  for (int from = 1; from <= 64; ++from) {
    if (PieceColorOf(a.b[from]) != mover) continue;
    for (int to = 1; to <= 64; ++to) {
      if (!LegalOn(a.b, p, from, to)) continue;
      const auto f = static_cast<Square>(from), t = static_cast<Square>(to);
      if (IsPromotion(a.b[from], to)) {
        for (char piece : {'Q', 'R', 'B', 'N'}) moves.push_back({f, t, piece});
      } else {
        moves.push_back({f, t, 0});
      }
    }
  }
  return moves;
}

FenPosition PositionAfter(const FenPosition& p, const SanMove& m) {
  Array a(p);
  const rules::MoveEffect fx = rules::EffectOf(a.b, m.From, m.To, p.Castling, p.EnPassant);
  const bool pawn = fx.Moved == 'P' || fx.Moved == 'p';
  const bool capture = fx.Captured != ' ' || (pawn && m.To == p.EnPassant && p.EnPassant);
  rules::ApplyEffect(a.b, m.From, m.To, fx, m.Promotion ? m.Promotion : 'q');
  FenPosition next = p;
  next.Board.assign(a.b + 1, 64);
  next.EnPassant = fx.EnPassant;
  next.Castling = fx.Castling;
  next.HalfmoveClock = (capture || pawn) ? 0 : p.HalfmoveClock + 1;
  if (!p.WhiteToMove) ++next.FullmoveNumber;
  next.WhiteToMove = !p.WhiteToMove;
  return next;
}

std::string ToSan(const FenPosition& p, const SanMove& m) {
  Array a(p);
  const char moved = a.b[m.From];
  const char piece = Upper(moved);
  std::string san;
  if (piece == 'K' && std::abs(FileOf(m.To) - FileOf(m.From)) == 2) {
    san = FileOf(m.To) == 7 ? "O-O" : "O-O-O";
  } else {
    const bool capture = a.b[m.To] != ' ' || (piece == 'P' && m.To == p.EnPassant);
    if (piece == 'P') {
      if (capture) san += static_cast<char>('a' + FileOf(m.From) - 1);
    } else {
      san += piece;
      bool other = false, same_file = false, same_rank = false;
      for (int from = 1; from <= 64; ++from) {
        if (from == m.From || a.b[from] != moved || !LegalOn(a.b, p, from, m.To)) continue;
        other = true;
        same_file |= FileOf(from) == FileOf(m.From);
        same_rank |= RankOf(from) == RankOf(m.From);
      }
      const std::string from_name = SquareName(m.From);
      if (other && !same_file)
        san += from_name[0];
      else if (other && !same_rank)
        san += from_name[1];
      else if (other)
        san += from_name;
    }
    if (capture) san += 'x';
    san += SquareName(m.To);
    if (IsPromotion(moved, m.To)) {
      san += '=';
      san += m.Promotion ? Upper(m.Promotion) : 'Q';
    }
  }
  const FenPosition next = PositionAfter(p, m);
  Array after(next);
  if (rules::KingAttacked(after.b, next.WhiteToMove)) san += LegalMovesIn(next).empty() ? '#' : '+';
  return san;
}

std::optional<SanMove> ParseSan(const FenPosition& p, std::string_view text) {
  std::string s(text);
  // Annotations and marks at the end say nothing about the move.
  while (!s.empty() && std::strchr("+#!?", s.back())) s.pop_back();
  if (s.size() > 4 && s.compare(s.size() - 4, 4, "e.p.") == 0) s.resize(s.size() - 4);
  while (!s.empty() && std::strchr("+#!?", s.back())) s.pop_back();
  if (s.size() > 16) return std::nullopt;  // longer than any move ("Qh4xe1", "e7-e8=Q")

  Array a(p);
  const int back_rank = p.WhiteToMove ? 1 : 8;
  if (s == "O-O" || s == "0-0" || s == "O-O-O" || s == "0-0-0") {
    const Square from = SquareAt(5, back_rank);
    const Square to = SquareAt(s.size() == 3 ? 7 : 3, back_rank);
    if (Upper(a.b[from]) != 'K' || !LegalOn(a.b, p, from, to)) return std::nullopt;
    return SanMove{from, to, 0};
  }

  size_t i = 0;
  char piece = 0;
  if (!s.empty() && std::isupper(static_cast<unsigned char>(s[0]))) {
    piece = PieceLetter(s[0]);
    if (!piece) return std::nullopt;
    i = 1;
  }
  char promotion = 0;
  std::string squares;  // files and ranks only, in order
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (IsFile(c) || IsRank(c)) {
      squares += c;
    } else if (c == 'x' || c == ':' || c == '-') {
      continue;
    } else if (c == '=' || std::isupper(static_cast<unsigned char>(c))) {
      if (c == '=') ++i;
      if (i >= s.size() || i + 1 != s.size()) return std::nullopt;
      promotion = PieceLetter(s[i]);
      if (!promotion || promotion == 'K') return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (squares.size() < 2 || squares.size() > 4) return std::nullopt;
  const size_t n = squares.size();
  if (!IsFile(squares[n - 2]) || !IsRank(squares[n - 1])) return std::nullopt;
  const Square to = SquareAt(squares[n - 2] - 'a' + 1, squares[n - 1] - '0');
  int want_file = 0, want_rank = 0;
  for (size_t k = 0; k + 2 < n; ++k) {
    if (IsFile(squares[k]) && !want_file && !want_rank)
      want_file = squares[k] - 'a' + 1;
    else if (IsRank(squares[k]) && !want_rank)
      want_rank = squares[k] - '0';
    else
      return std::nullopt;
  }
  // Without a letter a move from a named square may be any piece ("g1f3"), else a pawn.
  const bool any_piece = !piece && want_file && want_rank;
  std::optional<SanMove> found;
  for (int from = 1; from <= 64; ++from) {
    const char c = a.b[from];
    if (PieceColorOf(c) != (p.WhiteToMove ? 1 : 0)) continue;
    if (!any_piece && Upper(c) != (piece ? piece : 'P')) continue;
    if ((want_file && FileOf(from) != want_file) || (want_rank && RankOf(from) != want_rank))
      continue;
    if (!LegalOn(a.b, p, from, to)) continue;
    if (found) return std::nullopt;  // ambiguous
    found = SanMove{static_cast<Square>(from), to, 0};
  }
  if (!found) return std::nullopt;
  if (IsPromotion(a.b[found->From], to))
    found->Promotion = promotion ? promotion : 'Q';
  else if (promotion)
    return std::nullopt;
  return found;
}

}  // namespace tavrel
