#include "engine/search.h"

#include <cstring>

namespace tavrel {

using namespace engine;

namespace {

// clang-format off
// 12 rows of 10: the board sits in rows 2..9, columns 1..8; everything else is off the board.
constexpr int kMailbox[120] = {
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1,  0,  1,  2,  3,  4,  5,  6,  7, -1,
    -1,  8,  9, 10, 11, 12, 13, 14, 15, -1,
    -1, 16, 17, 18, 19, 20, 21, 22, 23, -1,
    -1, 24, 25, 26, 27, 28, 29, 30, 31, -1,
    -1, 32, 33, 34, 35, 36, 37, 38, 39, -1,
    -1, 40, 41, 42, 43, 44, 45, 46, 47, -1,
    -1, 48, 49, 50, 51, 52, 53, 54, 55, -1,
    -1, 56, 57, 58, 59, 60, 61, 62, 63, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

constexpr int Mailbox64(int sq) { return 21 + 10 * (sq / 8) + (sq % 8); }

constexpr bool kSlides[6] = {false, false, true, true, true, false};
constexpr int kDirectionCount[6] = {0, 8, 4, 4, 8, 8};
constexpr int kDirections[6][8] = {
    {  0,   0,   0,  0, 0,  0,  0,  0},
    {-21, -19, -12, -8, 8, 12, 19, 21},
    {-11,  -9,   9, 11, 0,  0,  0,  0},
    {-10,  -1,   1, 10, 0,  0,  0,  0},
    {-11, -10,  -9, -1, 1,  9, 10, 11},
    {-11, -10,  -9, -1, 1,  9, 10, 11}};

// Rights that survive a move from or to a square: the king and rook squares clear theirs.
constexpr int kCastleMask[64] = {
     7, 15, 15, 15,  3, 15, 15, 11,
    15, 15, 15, 15, 15, 15, 15, 15,
    15, 15, 15, 15, 15, 15, 15, 15,
    15, 15, 15, 15, 15, 15, 15, 15,
    15, 15, 15, 15, 15, 15, 15, 15,
    15, 15, 15, 15, 15, 15, 15, 15,
    15, 15, 15, 15, 15, 15, 15, 15,
    13, 15, 15, 15, 12, 15, 15, 14};

constexpr int kPieceValue[6] = {100, 300, 300, 500, 900, 10000};

// Positional tables from White's side, rank 8 first; Black reads them mirrored.
constexpr int kPawnTable[64] = {
     0,  0,  0,   0,   0,  0,  0,  0,
     5, 10, 15,  20,  20, 15, 10,  5,
     4,  8, 12,  16,  16, 12,  8,  4,
     3,  6,  9,  12,  12,  9,  6,  3,
     2,  4,  6,   8,   8,  6,  4,  2,
     1,  2,  3,   4,   4,  3,  2,  1,
     0,  0,  0, -20, -20,  0,  0,  0,
     0,  0,  0,   0,   0,  0,  0,  0};

constexpr int kKingSideShield[64] = {
     0,  0,  0,  0,  0,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0,
     0,  0,  0,  0,  0,  5,  5,  5,
     0,  0,  0,  0,  0, 10, 10, 10,
     0,  0,  0,  0,  0, 20, 20, 20,
     0,  0,  0,  0,  0,  0,  0,  0};

constexpr int kQueenSideShield[64] = {
     0,  0,  0,  0,  0,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0,
     5,  5,  5,  0,  0,  0,  0,  0,
    10, 10, 10,  0,  0,  0,  0,  0,
    20, 20, 20,  0,  0,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0};

// Shared by knights and bishops.
constexpr int kMinorTable[64] = {
    -10, -10, -10, -10, -10, -10, -10, -10,
    -10,   0,   0,   0,   0,   0,   0, -10,
    -10,   0,   5,   5,   5,   5,   0, -10,
    -10,   0,   5,  10,  10,   5,   0, -10,
    -10,   0,   5,  10,  10,   5,   0, -10,
    -10,   0,   5,   5,   5,   5,   0, -10,
    -10,   0,   0,   0,   0,   0,   0, -10,
    -20, -20, -20, -20, -20, -20, -20, -20};

constexpr int kKingMiddleTable[64] = {
    -40, -40, -40, -40, -40, -40, -40, -40,
    -40, -40, -40, -40, -40, -40, -40, -40,
    -40, -40, -40, -40, -40, -40, -40, -40,
    -40, -40, -40, -40, -40, -40, -40, -40,
    -40, -40, -40, -40, -40, -40, -40, -40,
    -40, -40, -40, -40, -40, -40, -40, -40,
    -20, -20, -20, -20, -20, -20, -20, -20,
    -10,   0,  10, -20,   0, -20,  10,   0};

constexpr int kKingEndTable[64] = {
    -5, -5, -5, -5, -5, -5, -5, -5,
    -5,  0,  0,  0,  0,  0,  0, -5,
    -5,  0,  5,  5,  5,  5,  0, -5,
    -5,  0,  5, 10, 10,  5,  0, -5,
    -5,  0,  5, 10, 10,  5,  0, -5,
    -5,  0,  5,  5,  5,  5,  0, -5,
    -5,  0,  0,  0,  0,  0,  0, -5,
    -5, -5, -5, -5, -5, -5, -5, -5};
// clang-format on

constexpr int Mirror(int sq) {
  return (7 - RowOf(sq)) * 8 + FileOf(sq);
}

// Squares of the castling king and rooks.
constexpr int kE1 = 60, kG1 = 62, kC1 = 58, kF1 = 61, kD1 = 59, kB1 = 57, kA1 = 56, kH1 = 63;
constexpr int kE8 = 4, kG8 = 6, kC8 = 2, kF8 = 5, kD8 = 3, kB8 = 1, kA8 = 0, kH8 = 7;

}  // namespace

EnginePosition AfterMove(const EnginePosition& pos, EngineMove m) {
  EnginePosition r = pos;
  const bool white = pos.whiteToMove;
  if (m.flags & kFlagCastle) {
    int rookFrom = kH1, rookTo = kF1;
    if (m.to == kC1) rookFrom = kA1, rookTo = kD1;
    if (m.to == kG8) rookFrom = kH8, rookTo = kF8;
    if (m.to == kC8) rookFrom = kA8, rookTo = kD8;
    r.squares[rookTo] = r.squares[rookFrom];
    r.squares[rookFrom] = ' ';
  }
  r.castling = uint8_t(pos.castling & kCastleMask[m.from] & kCastleMask[m.to]);
  r.enPassant = (m.flags & kFlagDoubleStep) ? uint8_t((white ? m.to + 8 : m.to - 8) + 1) : 0;
  char mover = pos.squares[m.from];
  if (m.flags & kFlagPromotion) mover = white ? "PNBRQK"[m.promote] : "pnbrqk"[m.promote];
  r.squares[m.to] = mover;
  r.squares[m.from] = ' ';
  if (m.flags & kFlagEnPassant) r.squares[white ? m.to + 8 : m.to - 8] = ' ';
  r.whiteToMove = !white;
  return r;
}

std::string MoveToUci(EngineMove m) {
  std::string s;
  s += char('a' + FileOf(m.from));
  s += char('8' - RowOf(m.from));
  s += char('a' + FileOf(m.to));
  s += char('8' - RowOf(m.to));
  if (m.flags & kFlagPromotion) s += "pnbrqk"[m.promote % 6];
  return s;
}

Searcher::Searcher() {
  std::memset(pieceSquare_, 0, sizeof pieceSquare_);
  for (ListEntry& e : list_) e = ListEntry{};
  std::memset(first_, 0, sizeof first_);
  std::memset(end_, 0, sizeof end_);
  std::memset(history_, 0, sizeof history_);
  for (Undo& u : undo_) u = Undo{};
  std::memset(pvLength_, 0, sizeof pvLength_);
  for (int i = 0; i < 64; ++i) {
    color_[i] = kEmpty;
    piece_[i] = kEmpty;
  }
  ClearHint();
}

void Searcher::ClearHint() {
  std::memset(pv_, 0, sizeof pv_);
}

void Searcher::SetLimits(int maxPly, int maxMoves) {
  plyLimit_ = maxPly < 1 ? 1 : maxPly > kMaxPly - 1 ? kMaxPly - 1 : maxPly;
  moveLimit_ = maxMoves < 1 ? 1 : maxMoves > kMaxMoves ? kMaxMoves : maxMoves;
}

void Searcher::SetPosition(const EnginePosition& pos) {
  for (int i = 0; i < 64; ++i) {
    const char c = pos.squares[i];
    color_[i] = (c >= 'b' && c <= 'r') ? kBlack : (c >= 'B' && c <= 'R') ? kWhite : kEmpty;
    int p = kEmpty;
    switch (c | 0x20) {
      case 'p':
        p = kPawn;
        break;
      case 'n':
        p = kKnight;
        break;
      case 'b':
        p = kBishop;
        break;
      case 'r':
        p = kRook;
        break;
      case 'q':
        p = kQueen;
        break;
      case 'k':
        p = kKing;
        break;
    }
    // A letter outside both ranges ("a", "s".."z") carries no colour: the square is empty.
    if (color_[i] == kEmpty) p = kEmpty;
    piece_[i] = p;
    if (p == kEmpty) color_[i] = kEmpty;
  }
  side_ = pos.whiteToMove ? kWhite : kBlack;
  xside_ = side_ ^ 1;
  castle_ = pos.castling & 15;
  // The square passed over counts only where a pawn of the other side has just made its double
  // step past it; anything else would let the capture remove a piece that is no such pawn.
  ep_ = int(pos.enPassant) - 1;
  if (side_ == kWhite) {
    if (ep_ < 16 || ep_ > 23 || color_[ep_] != kEmpty || color_[ep_ + 8] != kBlack ||
        piece_[ep_ + 8] != kPawn)
      ep_ = -1;
  } else {
    if (ep_ < 40 || ep_ > 47 || color_[ep_] != kEmpty || color_[ep_ - 8] != kWhite ||
        piece_[ep_ - 8] != kPawn)
      ep_ = -1;
  }
  ply_ = 0;
  first_[0] = 0;
}

void Searcher::PrepareEvaluation() {
  for (int sq = 0; sq < 64; ++sq) {
    const int m = Mirror(sq);
    pieceSquare_[kWhite][kPawn][sq] = kPawnTable[sq] + kPieceValue[kPawn];
    pieceSquare_[kWhite][kKnight][sq] = kMinorTable[sq] + kPieceValue[kKnight];
    pieceSquare_[kWhite][kBishop][sq] = kMinorTable[sq] + kPieceValue[kBishop];
    pieceSquare_[kWhite][kRook][sq] = kPieceValue[kRook];
    pieceSquare_[kWhite][kQueen][sq] = kPieceValue[kQueen];
    pieceSquare_[kBlack][kPawn][sq] = kPawnTable[m] + kPieceValue[kPawn];
    pieceSquare_[kBlack][kKnight][sq] = kMinorTable[m] + kPieceValue[kKnight];
    pieceSquare_[kBlack][kBishop][sq] = kMinorTable[m] + kPieceValue[kBishop];
    pieceSquare_[kBlack][kRook][sq] = kPieceValue[kRook];
    pieceSquare_[kBlack][kQueen][sq] = kPieceValue[kQueen];
  }
  int material[2] = {0, 0};  // knights, bishops, rooks and queens
  int kingSq[2] = {-1, -1};
  for (int sq = 0; sq < 64; ++sq) {
    const int c = color_[sq], p = piece_[sq];
    if (c == kEmpty) continue;
    if (p >= kKnight && p <= kQueen) material[c] += kPieceValue[p];
    if (p == kKing && kingSq[c] < 0) kingSq[c] = sq;
  }
  for (int c = kWhite; c <= kBlack; ++c) {
    const bool middleGame = material[c ^ 1] > 1400;
    for (int sq = 0; sq < 64; ++sq) {
      const int t = c == kWhite ? sq : Mirror(sq);
      // The king's value is positional only: both sides have one, and a material term of 10000
      // would push the evaluation outside the mate window.
      pieceSquare_[c][kKing][sq] = middleGame ? kKingMiddleTable[t] : kKingEndTable[t];
    }
    if (!middleGame || kingSq[c] < 0) continue;
    const int file = FileOf(kingSq[c]);
    const int* shield = file >= 5 ? kKingSideShield : file <= 2 ? kQueenSideShield : nullptr;
    if (!shield) continue;
    for (int sq = 0; sq < 64; ++sq)
      pieceSquare_[c][kPawn][sq] += shield[c == kWhite ? sq : Mirror(sq)];
  }
}

int Searcher::Evaluate() const {
  int score[2] = {0, 0};
  int pawns[2][10] = {};  // pawns per file, files shifted by one so both neighbours exist
  for (int sq = 0; sq < 64; ++sq)
    if (piece_[sq] == kPawn) ++pawns[color_[sq]][FileOf(sq) + 1];
  for (int sq = 0; sq < 64; ++sq) {
    const int c = color_[sq];
    if (c == kEmpty) continue;
    const int p = piece_[sq];
    const int o = c ^ 1;
    const int f = FileOf(sq) + 1;
    score[c] += pieceSquare_[c][p][sq];
    if (p == kPawn) {
      if (pawns[c][f] > 1) score[c] -= 5;
      if (pawns[c][f - 1] == 0 && pawns[c][f + 1] == 0) score[c] -= pawns[o][f] == 0 ? 30 : 20;
      if (pawns[o][f - 1] == 0 && pawns[o][f] == 0 && pawns[o][f + 1] == 0)
        score[c] += 2 * pieceSquare_[c][kPawn][sq];
    } else if (p == kRook) {
      if (pawns[c][f] == 0) score[c] += pawns[o][f] == 0 ? 15 : 10;
    }
  }
  return score[side_] - score[xside_];
}

bool Searcher::IsAttacked(int sq, int colour) const {
  for (int i = 0; i < 64; ++i) {
    if (color_[i] != colour) continue;
    const int p = piece_[i];
    if (p == kPawn) {
      if (colour == kWhite) {
        if (FileOf(i) != 0 && i - 9 == sq) return true;
        if (FileOf(i) != 7 && i - 7 == sq) return true;
      } else {
        if (FileOf(i) != 0 && i + 7 == sq) return true;
        if (FileOf(i) != 7 && i + 9 == sq) return true;
      }
      continue;
    }
    for (int j = 0; j < kDirectionCount[p]; ++j) {
      for (int n = i;;) {
        n = kMailbox[Mailbox64(n) + kDirections[p][j]];
        if (n == -1) break;
        if (n == sq) return true;
        if (color_[n] != kEmpty) break;
        if (!kSlides[p]) break;
      }
    }
  }
  return false;
}

bool Searcher::InCheck(int colour) const {
  for (int i = 0; i < 64; ++i)
    if (piece_[i] == kKing && color_[i] == colour) return IsAttacked(i, colour ^ 1);
  return false;
}

bool Searcher::MoveListFull() const {
  return end_[ply_] >= moveLimit_;
}

void Searcher::Push(int from, int to, int flags) {
  if (flags & kFlagPawnMove) {
    if ((side_ == kWhite && to <= 7) || (side_ == kBlack && to >= 56)) {
      PushPromotions(from, to, flags);
      return;
    }
  }
  if (MoveListFull()) return;
  ListEntry& e = list_[end_[ply_]++];
  e.move = EngineMove{uint8_t(from), uint8_t(to), 0, uint8_t(flags)};
  if (flags & kFlagCapture)
    e.score = 1000000 + 10 * piece_[to] - piece_[from];
  else
    e.score = history_[from][to];
}

void Searcher::PushPromotions(int from, int to, int flags) {
  for (int p = kKnight; p <= kQueen; ++p) {
    if (MoveListFull()) return;
    ListEntry& e = list_[end_[ply_]++];
    e.move = EngineMove{uint8_t(from), uint8_t(to), uint8_t(p), uint8_t(flags | kFlagPromotion)};
    e.score = 1000000 + 10 * p;
  }
}

void Searcher::GenerateMoves() {
  end_[ply_] = first_[ply_];
  for (int sq = 0; sq < 64; ++sq) {
    if (color_[sq] != side_) continue;
    const int p = piece_[sq];
    if (p == kPawn) {
      if (side_ == kWhite) {
        if (sq < 8) continue;  // a pawn on its last rank has no move
        if (FileOf(sq) != 0 && color_[sq - 9] == kBlack) Push(sq, sq - 9, 17);
        if (FileOf(sq) != 7 && color_[sq - 7] == kBlack) Push(sq, sq - 7, 17);
        if (color_[sq - 8] == kEmpty) {
          Push(sq, sq - 8, 16);
          if (sq >= 48 && sq <= 55 && color_[sq - 16] == kEmpty) Push(sq, sq - 16, 24);
        }
      } else {
        if (sq > 55) continue;
        if (FileOf(sq) != 0 && color_[sq + 7] == kWhite) Push(sq, sq + 7, 17);
        if (FileOf(sq) != 7 && color_[sq + 9] == kWhite) Push(sq, sq + 9, 17);
        if (color_[sq + 8] == kEmpty) {
          Push(sq, sq + 8, 16);
          if (sq >= 8 && sq <= 15 && color_[sq + 16] == kEmpty) Push(sq, sq + 16, 24);
        }
      }
      continue;
    }
    for (int j = 0; j < kDirectionCount[p]; ++j) {
      for (int n = sq;;) {
        n = kMailbox[Mailbox64(n) + kDirections[p][j]];
        if (n == -1) break;
        if (color_[n] != kEmpty) {
          if (color_[n] == xside_) Push(sq, n, 1);
          break;
        }
        Push(sq, n, 0);
        if (!kSlides[p]) break;
      }
    }
  }
  // Castling needs the right and, since a start position may carry all four rights with the king
  // or rooks elsewhere, the king and the rook on their start squares; MakeMove checks the rest.
  if (side_ == kWhite) {
    if (piece_[kE1] == kKing && color_[kE1] == kWhite) {
      if ((castle_ & 1) && piece_[kH1] == kRook && color_[kH1] == kWhite) Push(kE1, kG1, 2);
      if ((castle_ & 2) && piece_[kA1] == kRook && color_[kA1] == kWhite) Push(kE1, kC1, 2);
    }
  } else {
    if (piece_[kE8] == kKing && color_[kE8] == kBlack) {
      if ((castle_ & 4) && piece_[kH8] == kRook && color_[kH8] == kBlack) Push(kE8, kG8, 2);
      if ((castle_ & 8) && piece_[kA8] == kRook && color_[kA8] == kBlack) Push(kE8, kC8, 2);
    }
  }
  if (ep_ != -1) {
    if (side_ == kWhite) {
      if (FileOf(ep_) != 0 && color_[ep_ + 7] == kWhite && piece_[ep_ + 7] == kPawn)
        Push(ep_ + 7, ep_, 21);
      if (FileOf(ep_) != 7 && color_[ep_ + 9] == kWhite && piece_[ep_ + 9] == kPawn)
        Push(ep_ + 9, ep_, 21);
    } else {
      if (FileOf(ep_) != 0 && color_[ep_ - 9] == kBlack && piece_[ep_ - 9] == kPawn)
        Push(ep_ - 9, ep_, 21);
      if (FileOf(ep_) != 7 && color_[ep_ - 7] == kBlack && piece_[ep_ - 7] == kPawn)
        Push(ep_ - 7, ep_, 21);
    }
  }
  first_[ply_ + 1] = end_[ply_];
}

void Searcher::GenerateCaptures() {
  end_[ply_] = first_[ply_];
  for (int sq = 0; sq < 64; ++sq) {
    if (color_[sq] != side_) continue;
    const int p = piece_[sq];
    if (p == kPawn) {
      if (side_ == kWhite) {
        if (sq < 8) continue;
        if (FileOf(sq) != 0 && color_[sq - 9] == kBlack) Push(sq, sq - 9, 17);
        if (FileOf(sq) != 7 && color_[sq - 7] == kBlack) Push(sq, sq - 7, 17);
        if (sq <= 15 && color_[sq - 8] == kEmpty) Push(sq, sq - 8, 16);
      } else {
        if (sq > 55) continue;
        if (FileOf(sq) != 0 && color_[sq + 7] == kWhite) Push(sq, sq + 7, 17);
        if (FileOf(sq) != 7 && color_[sq + 9] == kWhite) Push(sq, sq + 9, 17);
        if (sq >= 48 && color_[sq + 8] == kEmpty) Push(sq, sq + 8, 16);
      }
      continue;
    }
    for (int j = 0; j < kDirectionCount[p]; ++j) {
      for (int n = sq;;) {
        n = kMailbox[Mailbox64(n) + kDirections[p][j]];
        if (n == -1) break;
        if (color_[n] != kEmpty) {
          if (color_[n] == xside_) Push(sq, n, 1);
          break;
        }
        if (!kSlides[p]) break;
      }
    }
  }
  if (ep_ != -1) {
    if (side_ == kWhite) {
      if (FileOf(ep_) != 0 && color_[ep_ + 7] == kWhite && piece_[ep_ + 7] == kPawn)
        Push(ep_ + 7, ep_, 21);
      if (FileOf(ep_) != 7 && color_[ep_ + 9] == kWhite && piece_[ep_ + 9] == kPawn)
        Push(ep_ + 9, ep_, 21);
    } else {
      if (FileOf(ep_) != 0 && color_[ep_ - 9] == kBlack && piece_[ep_ - 9] == kPawn)
        Push(ep_ - 9, ep_, 21);
      if (FileOf(ep_) != 7 && color_[ep_ - 7] == kBlack && piece_[ep_ - 7] == kPawn)
        Push(ep_ - 7, ep_, 21);
    }
  }
  first_[ply_ + 1] = end_[ply_];
}

bool Searcher::MakeMove(EngineMove m) {
  if (m.flags & kFlagCastle) {
    if (InCheck(side_)) return false;
    int rookFrom, rookTo;
    switch (m.to) {
      case kG1:
        if (color_[kF1] != kEmpty || color_[kG1] != kEmpty || IsAttacked(kF1, xside_) ||
            IsAttacked(kG1, xside_))
          return false;
        rookFrom = kH1, rookTo = kF1;
        break;
      case kC1:
        if (color_[kB1] != kEmpty || color_[kC1] != kEmpty || color_[kD1] != kEmpty ||
            IsAttacked(kC1, xside_) || IsAttacked(kD1, xside_))
          return false;
        rookFrom = kA1, rookTo = kD1;
        break;
      case kG8:
        if (color_[kF8] != kEmpty || color_[kG8] != kEmpty || IsAttacked(kF8, xside_) ||
            IsAttacked(kG8, xside_))
          return false;
        rookFrom = kH8, rookTo = kF8;
        break;
      case kC8:
        if (color_[kB8] != kEmpty || color_[kC8] != kEmpty || color_[kD8] != kEmpty ||
            IsAttacked(kC8, xside_) || IsAttacked(kD8, xside_))
          return false;
        rookFrom = kA8, rookTo = kD8;
        break;
      default:
        return false;
    }
    color_[rookTo] = color_[rookFrom];
    piece_[rookTo] = piece_[rookFrom];
    color_[rookFrom] = kEmpty;
    piece_[rookFrom] = kEmpty;
  }

  Undo& u = undo_[ply_];
  u.move = m;
  u.captured = piece_[m.to];
  u.castling = castle_;
  u.enPassant = ep_;
  ++ply_;
  castle_ &= kCastleMask[m.from] & kCastleMask[m.to];
  if (m.flags & kFlagDoubleStep)
    ep_ = side_ == kWhite ? m.to + 8 : m.to - 8;
  else
    ep_ = -1;
  color_[m.to] = side_;
  piece_[m.to] = (m.flags & kFlagPromotion) ? m.promote : piece_[m.from];
  color_[m.from] = kEmpty;
  piece_[m.from] = kEmpty;
  if (m.flags & kFlagEnPassant) {
    const int behind = side_ == kWhite ? m.to + 8 : m.to - 8;
    color_[behind] = kEmpty;
    piece_[behind] = kEmpty;
  }
  side_ ^= 1;
  xside_ ^= 1;
  if (InCheck(xside_)) {
    TakeBack();
    return false;
  }
  return true;
}

void Searcher::TakeBack() {
  side_ ^= 1;
  xside_ ^= 1;
  --ply_;
  const Undo& u = undo_[ply_];
  const EngineMove m = u.move;
  castle_ = u.castling;
  ep_ = u.enPassant;
  color_[m.from] = side_;
  piece_[m.from] = (m.flags & kFlagPromotion) ? kPawn : piece_[m.to];
  if (u.captured == kEmpty) {
    color_[m.to] = kEmpty;
    piece_[m.to] = kEmpty;
  } else {
    color_[m.to] = xside_;
    piece_[m.to] = u.captured;
  }
  if (m.flags & kFlagCastle) {
    int rookFrom, rookTo;
    switch (m.to) {
      case kG1:
        rookFrom = kF1, rookTo = kH1;
        break;
      case kC1:
        rookFrom = kD1, rookTo = kA1;
        break;
      case kG8:
        rookFrom = kF8, rookTo = kH8;
        break;
      default:
        rookFrom = kD8, rookTo = kA8;
        break;
    }
    color_[rookTo] = side_;
    piece_[rookTo] = kRook;
    color_[rookFrom] = kEmpty;
    piece_[rookFrom] = kEmpty;
  }
  if (m.flags & kFlagEnPassant) {
    const int behind = side_ == kWhite ? m.to + 8 : m.to - 8;
    color_[behind] = xside_;
    piece_[behind] = kPawn;
  }
}

void Searcher::MarkPrincipalMove() {
  followPv_ = false;
  const EngineMove target = pv_[0][ply_];
  for (int i = first_[ply_]; i < end_[ply_]; ++i) {
    if (list_[i].move.from == target.from && list_[i].move.to == target.to) {
      followPv_ = true;
      list_[i].score += 10000000;
      return;
    }
  }
}

void Searcher::PickMove(int i) {
  int best = i;
  int bestScore = list_[i].score;
  for (int j = i + 1; j < end_[ply_]; ++j) {
    if (list_[j].score > bestScore) {
      bestScore = list_[j].score;
      best = j;
    }
  }
  if (best != i) {
    const ListEntry t = list_[i];
    list_[i] = list_[best];
    list_[best] = t;
  }
}

int Searcher::Search(int alpha, int beta, int depth) {
  if (stop_->load(std::memory_order_relaxed)) return 0;
  if (depth == 0) return Quiesce(alpha, beta);
  ++nodes_;
  // Beyond the per-ply arrays the position is only evaluated.
  if (ply_ >= plyLimit_) {
    pvLength_[ply_] = ply_;
    return Evaluate();
  }
  pvLength_[ply_] = ply_;
  const bool check = InCheck(side_);
  if (check) ++depth;
  GenerateMoves();
  if (end_[ply_] >= moveLimit_) return Evaluate();  // the move list is full: no room to search
  if (followPv_) MarkPrincipalMove();
  bool legal = false;
  for (int i = first_[ply_]; i < end_[ply_]; ++i) {
    if (stop_->load(std::memory_order_relaxed)) break;
    PickMove(i);
    const EngineMove m = list_[i].move;
    if (!MakeMove(m)) continue;
    legal = true;
    const int x = -Search(-beta, -alpha, depth - 1);
    TakeBack();
    if (x > alpha) {
      history_[m.from][m.to] += depth;
      if (x >= beta) return beta;
      alpha = x;
      pv_[ply_][ply_] = m;
      for (int j = ply_ + 1; j < pvLength_[ply_ + 1]; ++j) pv_[ply_][j] = pv_[ply_ + 1][j];
      pvLength_[ply_] = pvLength_[ply_ + 1];
    }
  }
  if (!legal) return check ? -kMate + ply_ : 0;
  return alpha;
}

int Searcher::Quiesce(int alpha, int beta) {
  ++nodes_;
  pvLength_[ply_] = ply_;
  if (ply_ >= plyLimit_) return Evaluate();
  const bool check = InCheck(side_);
  if (check) {
    GenerateMoves();
  } else {
    const int x = Evaluate();
    if (x >= beta) return beta;
    if (x > alpha) alpha = x;
    GenerateCaptures();
  }
  if (end_[ply_] >= moveLimit_) return Evaluate();
  if (followPv_) MarkPrincipalMove();
  bool legal = false;
  for (int i = first_[ply_]; i < end_[ply_]; ++i) {
    PickMove(i);
    const EngineMove m = list_[i].move;
    if (!MakeMove(m)) continue;
    legal = true;
    const int x = -Quiesce(-beta, -alpha);
    TakeBack();
    if (x > alpha) {
      if (x >= beta) return beta;
      alpha = x;
      pv_[ply_][ply_] = m;
      for (int j = ply_ + 1; j < pvLength_[ply_ + 1]; ++j) pv_[ply_][j] = pv_[ply_ + 1][j];
      pvLength_[ply_] = pvLength_[ply_ + 1];
    }
  }
  if (!legal && check) return -kMate + ply_;
  return alpha;
}

SearchResult Searcher::Think(const EnginePosition& pos, int depth, const std::atomic<bool>& stop,
                             const IterationCallback& onIteration) {
  SearchResult result;
  SetPosition(pos);
  PrepareEvaluation();
  std::memset(history_, 0, sizeof history_);
  stop_ = &stop;
  nodes_ = 0;
  if (depth < 1) depth = 1;
  if (depth > kMaxPly - 1) depth = kMaxPly - 1;
  for (int d = 1; d <= depth; ++d) {
    if (stop.load(std::memory_order_relaxed)) {
      result.stopped = true;
      break;
    }
    followPv_ = true;
    const int score = Search(-kInfinity, kInfinity, d);
    if (stop.load(std::memory_order_relaxed)) {
      result.stopped = true;
      break;
    }
    result.depth = d;
    result.score = score;
    result.pvLength = pvLength_[0];
    for (int j = 0; j < result.pvLength; ++j) result.pv[j] = pv_[0][j];
    result.hasMove = result.pvLength > 0;
    if (result.hasMove) result.move = result.pv[0];
    if (onIteration) onIteration(IterationInfo{d, score, nodes_, result.pv, result.pvLength});
  }
  result.nodes = nodes_;
  stop_ = nullptr;
  return result;
}

uint64_t Searcher::PerftNode(int depth) {
  if (depth == 0) return 1;
  GenerateMoves();
  uint64_t count = 0;
  for (int i = first_[ply_]; i < end_[ply_]; ++i) {
    if (!MakeMove(list_[i].move)) continue;
    count += PerftNode(depth - 1);
    TakeBack();
  }
  return count;
}

uint64_t Searcher::Perft(int depth) {
  if (depth < 0) return 0;
  if (depth > kMaxPly - 1) depth = kMaxPly - 1;
  ply_ = 0;
  first_[0] = 0;
  return PerftNode(depth);
}

void Searcher::PerftDivide(int depth, const std::function<void(EngineMove, uint64_t)>& perMove) {
  if (depth < 1) return;
  if (depth > kMaxPly - 1) depth = kMaxPly - 1;
  ply_ = 0;
  first_[0] = 0;
  GenerateMoves();
  for (int i = first_[0]; i < end_[0]; ++i) {
    const EngineMove m = list_[i].move;
    if (!MakeMove(m)) continue;
    const uint64_t n = PerftNode(depth - 1);
    TakeBack();
    perMove(m, n);
  }
}

int Searcher::LegalMoves(EngineMove* out, int capacity) {
  ply_ = 0;
  first_[0] = 0;
  GenerateMoves();
  int n = 0;
  for (int i = first_[0]; i < end_[0]; ++i) {
    const EngineMove m = list_[i].move;
    if (!MakeMove(m)) continue;
    TakeBack();
    if (n < capacity) out[n] = m;
    ++n;
  }
  return n < capacity ? n : capacity;
}

}  // namespace tavrel
