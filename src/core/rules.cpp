#include "core/rules.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace tavrel::rules {
namespace {

char At(const char* b, int file, int rank) {
  Square s = SquareAt(file, rank);
  return s == None ? '\0' : b[s];
}

int Sign(int v) {
  return (v > 0) - (v < 0);
}

// Every square strictly between from and to along a line or diagonal is empty; the caller has
// made sure the two squares are aligned.
bool PathClear(const char* b, int from, int to) {
  int df = Sign(FileOf(to) - FileOf(from)), dr = Sign(RankOf(to) - RankOf(from));
  int f = FileOf(from) + df, r = RankOf(from) + dr;
  while (SquareAt(f, r) != to) {
    if (b[SquareAt(f, r)] != ' ') return false;
    f += df;
    r += dr;
  }
  return true;
}

// Enemy of the king's colour: upper case attacks the black king, lower case the white one.
char Enemy(char piece, bool whiteKing) {
  return whiteKing ? static_cast<char>(std::tolower(piece)) : piece;
}

bool RayHits(const char* b, int kf, int kr, int df, int dr, char slider, char queen, char king) {
  for (int d = 1; d <= 7; ++d) {
    Square s = SquareAt(kf + df * d, kr + dr * d);
    if (s == None) return false;
    char c = b[s];
    if (c == ' ') continue;
    return c == slider || c == queen || (d == 1 && c == king);
  }
  return false;
}

bool AttackedAfterKingStep(const char* b, int from, int to, bool white) {
  Board copy;
  std::memcpy(copy, b, sizeof(Board));
  copy[to] = copy[from];
  if (to != from) copy[from] = ' ';
  return KingAttacked(copy, white);
}

}  // namespace

bool IsEnPassantCapture(const char* b, int from, int to, int enPassant) {
  if (enPassant == None || to != enPassant || b[to] != ' ') return false;
  const char pawn = b[from];
  if (pawn != 'P' && pawn != 'p') return false;
  const bool white = pawn == 'P';
  if (RankOf(to) != (white ? 6 : 3) || RankOf(from) != (white ? 5 : 4)) return false;
  if (std::abs(FileOf(to) - FileOf(from)) != 1) return false;
  return At(b, FileOf(to), RankOf(from)) == (white ? 'p' : 'P');
}

bool PawnMoveValid(const char* b, int from, int to, int enPassant) {
  bool white = b[from] == 'P';
  int step = white ? 1 : -1;
  int df = std::abs(FileOf(to) - FileOf(from));
  if (RankOf(to) == RankOf(from) + step) {
    if (df == 0) return b[to] == ' ';
    if (df == 1)
      return PieceColorOf(b[to]) == (white ? 0 : 1) || IsEnPassantCapture(b, from, to, enPassant);
    return false;
  }
  int startRank = white ? 2 : 7;
  return RankOf(from) == startRank && RankOf(to) == startRank + 2 * step && df == 0 &&
         b[to] == ' ' && b[(from + to) / 2] == ' ';
}

bool KnightMoveValid(int from, int to) {
  int df = std::abs(FileOf(to) - FileOf(from)), dr = std::abs(RankOf(to) - RankOf(from));
  return (df == 2 && dr == 1) || (df == 1 && dr == 2);
}

bool BishopMoveValid(const char* b, int from, int to) {
  int df = std::abs(FileOf(to) - FileOf(from)), dr = std::abs(RankOf(to) - RankOf(from));
  return df == dr && df >= 1 && PathClear(b, from, to);
}

bool RookMoveValid(const char* b, int from, int to) {
  int df = std::abs(FileOf(to) - FileOf(from)), dr = std::abs(RankOf(to) - RankOf(from));
  return (df == 0) != (dr == 0) && PathClear(b, from, to);
}

bool QueenMoveValid(const char* b, int from, int to) {
  return BishopMoveValid(b, from, to) || RookMoveValid(b, from, to);
}

bool KingMoveValid(const char* b, int from, int to, CastleSet castling) {
  int df = std::abs(FileOf(to) - FileOf(from)), dr = std::abs(RankOf(to) - RankOf(from));
  if (df <= 1 && dr <= 1) return true;
  struct Form {
    Square from, to;
    CanStillCastle right;
    Square rookSq;
    char rook;
    Square empty[3];
    Square safe[3];
  };
  static constexpr Form kForms[] = {
      {E1, G1, WhiteKingSide, H1, 'R', {F1, G1, None}, {E1, F1, G1}},
      {E1, C1, WhiteQueenSide, A1, 'R', {B1, C1, D1}, {E1, D1, C1}},
      {E8, G8, BlackKingSide, H8, 'r', {F8, G8, None}, {E8, F8, G8}},
      {E8, C8, BlackQueenSide, A8, 'r', {B8, C8, D8}, {E8, D8, C8}},
  };
  for (const Form& f : kForms) {
    if (from != f.from || to != f.to) continue;
    const bool white = f.rook == 'R';
    if (b[from] != (white ? 'K' : 'k')) return false;
    if (!HasRight(castling, f.right) || b[f.rookSq] != f.rook) return false;
    for (Square e : f.empty)
      if (e != None && b[e] != ' ') return false;
    for (Square s : f.safe)
      if (AttackedAfterKingStep(b, from, s, white)) return false;
    return true;
  }
  return false;
}

bool GeometryValid(const char* b, int from, int to, CastleSet castling, int enPassant) {
  switch (b[from]) {
    case 'P':
    case 'p':
      return PawnMoveValid(b, from, to, enPassant);
    case 'N':
    case 'n':
      return KnightMoveValid(from, to);
    case 'B':
    case 'b':
      return BishopMoveValid(b, from, to);
    case 'R':
    case 'r':
      return RookMoveValid(b, from, to);
    case 'Q':
    case 'q':
      return QueenMoveValid(b, from, to);
    case 'K':
    case 'k':
      return KingMoveValid(b, from, to, castling);
    default:
      return false;
  }
}

bool KingAttacked(const char* b, bool whiteKing) {
  const char king = whiteKing ? 'K' : 'k';
  int ks = 0;
  for (int s = 1; s <= 64; ++s) {
    if (b[s] == king) {
      ks = s;
      break;
    }
  }
  if (ks == 0) return !whiteKing;
  const int f = FileOf(ks), r = RankOf(ks);
  const char pawn = Enemy('P', whiteKing), knight = Enemy('N', whiteKing);
  const char bishop = Enemy('B', whiteKing), rook = Enemy('R', whiteKing);
  const char queen = Enemy('Q', whiteKing), enemyKing = Enemy('K', whiteKing);
  // White pawns attack upwards, so they sit one rank below a black king.
  const int pr = whiteKing ? r + 1 : r - 1;
  if (At(b, f - 1, pr) == pawn || At(b, f + 1, pr) == pawn) return true;
  static constexpr int kKnight[8][2] = {{2, 1}, {2, -1}, {-2, 1}, {-2, -1},
                                        {1, 2}, {1, -2}, {-1, 2}, {-1, -2}};
  for (const auto& d : kKnight)
    if (At(b, f + d[0], r + d[1]) == knight) return true;
  static constexpr int kDiag[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
  for (const auto& d : kDiag)
    if (RayHits(b, f, r, d[0], d[1], bishop, queen, enemyKing)) return true;
  static constexpr int kLine[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  for (const auto& d : kLine)
    if (RayHits(b, f, r, d[0], d[1], rook, queen, enemyKing)) return true;
  return false;
}

char PromotedLetter(char piece, int square) {
  char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(piece)));
  return RankOf(square) == 8 ? upper : static_cast<char>(upper + 32);
}

MoveEffect EffectOf(const char* b, int from, int to, CastleSet rights, int enPassant) {
  MoveEffect e;
  e.Moved = b[from];
  e.Captured = b[to];
  const bool pawn = e.Moved == 'P' || e.Moved == 'p';
  e.Promotes = pawn && (RankOf(to) == 8 || RankOf(to) == 1);
  if (IsEnPassantCapture(b, from, to, enPassant)) e.EnPassantVictim = SquareAt(FileOf(to), RankOf(from));
  if (e.Moved == 'K' && from == E1) {
    if (to == G1) e.RookFrom = H1, e.RookTo = F1;
    if (to == C1) e.RookFrom = A1, e.RookTo = D1;
  } else if (e.Moved == 'k' && from == E8) {
    if (to == G8) e.RookFrom = H8, e.RookTo = F8;
    if (to == C8) e.RookFrom = A8, e.RookTo = D8;
  }
  if ((e.Moved == 'P' && RankOf(from) == 2 && RankOf(to) == 4) ||
      (e.Moved == 'p' && RankOf(from) == 7 && RankOf(to) == 5))
    e.EnPassant = static_cast<Square>((from + to) / 2);
  e.Castling = RightsAfterMoveFrom(rights, from);
  return e;
}

void ApplyEffect(char* b, int from, int to, const MoveEffect& e, char promotion) {
  b[to] = e.Promotes ? PromotedLetter(promotion, to) : e.Moved;
  b[from] = ' ';
  if (e.EnPassantVictim != None) b[e.EnPassantVictim] = ' ';
  if (e.RookFrom != None) {
    b[e.RookTo] = b[e.RookFrom];
    b[e.RookFrom] = ' ';
  }
}

void ApplyMove(char* b, int from, int to, int enPassant, char promotion) {
  ApplyEffect(b, from, to, EffectOf(b, from, to, 0, enPassant), promotion);
}

int MaterialSum(const char* b, bool white) {
  int sum = 0;
  for (int s = 1; s <= 64; ++s) {
    char c = b[s];
    if (PieceColorOf(c) != (white ? 1 : 0)) continue;
    switch (std::toupper(static_cast<unsigned char>(c))) {
      case 'B':
        sum += 3;
        break;
      case 'N':
        sum += 2;
        break;
      case 'P':
      case 'R':
      case 'Q':
        sum += 5;
        break;
      default:
        break;
    }
  }
  return sum;
}

CastleSet RightsAfterMoveFrom(CastleSet rights, int from) {
  switch (from) {
    case A8:
      return static_cast<CastleSet>(rights & ~BlackQueenSide);
    case E8:
      return static_cast<CastleSet>(rights & ~(BlackQueenSide | BlackKingSide));
    case H8:
      return static_cast<CastleSet>(rights & ~BlackKingSide);
    case A1:
      return static_cast<CastleSet>(rights & ~WhiteQueenSide);
    case E1:
      return static_cast<CastleSet>(rights & ~(WhiteQueenSide | WhiteKingSide));
    case H1:
      return static_cast<CastleSet>(rights & ~WhiteKingSide);
    default:
      return rights;
  }
}

}  // namespace tavrel::rules
