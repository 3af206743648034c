#include "core/search.h"

#include "core/search_keys.h"

#include <emmintrin.h>

#include <bit>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace tavrel {

using namespace engine;

namespace {

// clang-format off
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

// A root window wider than any score: material alone can pass kInfinity (sixteen queens).
constexpr int kWideWindow = 1 << 24;

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

namespace {

// Directions in the order rays are walked, as engine-square steps: NW, N, NE, W, E, SW, S, SE.
// The first four run towards lower squares, the last four towards higher ones.
constexpr int kRowStep[8] = {-1, -1, -1, 0, 0, 1, 1, 1};
constexpr int kFileStep[8] = {-1, 0, 1, -1, 1, -1, 0, 1};
// The pieces' mailbox directions mapped onto these: bishop -11 -9 9 11, rook -10 -1 1 10, queen
// all eight.
constexpr int kBishopDirs[4] = {0, 2, 5, 7};
constexpr int kRookDirs[4] = {1, 3, 4, 6};
constexpr int kQueenDirs[8] = {0, 1, 2, 3, 4, 5, 6, 7};

// Maximum of the four lanes, broadcast to all of them (SSE2 has no packed 32-bit max).
inline __m128i MaxLanes(__m128i v) {
  auto max = [](__m128i a, __m128i b) {
    const __m128i g = _mm_cmpgt_epi32(a, b);
    return _mm_or_si128(_mm_and_si128(g, a), _mm_andnot_si128(g, b));
  };
  v = max(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2)));
  return max(v, _mm_shuffle_epi32(v, _MM_SHUFFLE(2, 3, 0, 1)));
}

constexpr uint64_t Bit(int sq) {
  return uint64_t(1) << sq;
}
inline int Lowest(uint64_t b) {
  return std::countr_zero(b);
}
inline int Highest(uint64_t b) {
  return 63 - std::countl_zero(b);
}
// The blocker nearest to the origin of a ray in direction d.
inline int Nearest(int d, uint64_t blockers) {
  return d >= 4 ? Lowest(blockers) : Highest(blockers);
}

struct Tables {
  uint64_t knight[64];  // knight and king targets; listed in ascending square order they are
  uint64_t king[64];    // in the order of the mailbox directions
  uint64_t pawnAttackers[2][64];  // squares from which a pawn of that colour attacks the square
  uint64_t ray[8][64];
  int8_t raySquares[8][64][7];
  int8_t rayLength[8][64];
  uint64_t diagonals[64];
  uint64_t lines[64];

  Tables() {
    for (int sq = 0; sq < 64; ++sq) {
      const int r = RowOf(sq), f = FileOf(sq);
      auto on = [](int rr, int ff) { return rr >= 0 && rr < 8 && ff >= 0 && ff < 8; };
      knight[sq] = king[sq] = 0;
      static constexpr int kKnightRow[8] = {-2, -2, -1, -1, 1, 1, 2, 2};
      static constexpr int kKnightFile[8] = {-1, 1, -2, 2, -2, 2, -1, 1};
      for (int i = 0; i < 8; ++i) {
        if (on(r + kKnightRow[i], f + kKnightFile[i]))
          knight[sq] |= Bit((r + kKnightRow[i]) * 8 + f + kKnightFile[i]);
        if (on(r + kRowStep[i], f + kFileStep[i]))
          king[sq] |= Bit((r + kRowStep[i]) * 8 + f + kFileStep[i]);
      }
      // A white pawn on p attacks p-9 and p-7 (one row up); a black one p+7 and p+9.
      pawnAttackers[kWhite][sq] = pawnAttackers[kBlack][sq] = 0;
      if (on(r + 1, f - 1)) pawnAttackers[kWhite][sq] |= Bit(sq + 7);
      if (on(r + 1, f + 1)) pawnAttackers[kWhite][sq] |= Bit(sq + 9);
      if (on(r - 1, f - 1)) pawnAttackers[kBlack][sq] |= Bit(sq - 9);
      if (on(r - 1, f + 1)) pawnAttackers[kBlack][sq] |= Bit(sq - 7);
      diagonals[sq] = lines[sq] = 0;
      for (int d = 0; d < 8; ++d) {
        ray[d][sq] = 0;
        int n = 0;
        for (int rr = r + kRowStep[d], ff = f + kFileStep[d]; on(rr, ff);
             rr += kRowStep[d], ff += kFileStep[d]) {
          ray[d][sq] |= Bit(rr * 8 + ff);
          raySquares[d][sq][n++] = int8_t(rr * 8 + ff);
        }
        rayLength[d][sq] = int8_t(n);
        (kRowStep[d] != 0 && kFileStep[d] != 0 ? diagonals : lines)[sq] |= ray[d][sq];
      }
    }
  }
};

const Tables kTables;

}  // namespace

Searcher::Searcher() {
  std::memset(pieceSquare_, 0, sizeof pieceSquare_);
  for (EngineMove& m : moves_) m = EngineMove{};
  std::memset(scores_, 0, sizeof scores_);
  std::memset(first_, 0, sizeof first_);
  std::memset(end_, 0, sizeof end_);
  std::memset(history_, 0, sizeof history_);
  for (Undo& u : undo_) u = Undo{};
  std::memset(pvLength_, 0, sizeof pvLength_);
  std::memset(occupied_, 0, sizeof occupied_);
  std::memset(pieces_, 0, sizeof pieces_);
  material_[0] = material_[1] = 0;
  for (int i = 0; i < 64; ++i) {
    color_[i] = kEmpty;
    piece_[i] = kEmpty;
  }
  ClearHint();
  // Zero pages: the operating system provides them when first written.
  tableMemory_ = std::calloc(TableBytes() + 64, 1);
  if (!tableMemory_) throw std::bad_alloc();
  table_ = reinterpret_cast<TableEntry*>((reinterpret_cast<uintptr_t>(tableMemory_) + 63) &
                                         ~uintptr_t(63));
}

void Searcher::ClearHint() {
  std::memset(pv_, 0, sizeof pv_);
  ForgetReplay();
}

void Searcher::SetLimits(int maxPly, int maxMoves) {
  plyLimit_ = maxPly < 1 ? 1 : maxPly > kMaxPly - 1 ? kMaxPly - 1 : maxPly;
  moveLimit_ = maxMoves < 1 ? 1 : maxMoves > kMaxMoves ? kMaxMoves : maxMoves;
}

template <bool kMaterial>
[[gnu::always_inline]] inline void Searcher::PutPiece(int sq, int colour, int piece) {
  color_[sq] = uint8_t(colour);
  piece_[sq] = uint8_t(piece);
  occupied_[colour] |= Bit(sq);
  pieces_[colour][piece] |= Bit(sq);
  hash_ ^= PieceKey(colour, piece, sq);
  if (kMaterial) material_[colour] += pieceSquare_[colour][piece][sq];
}

template <bool kMaterial>
[[gnu::always_inline]] inline void Searcher::RemovePiece(int sq) {
  const int colour = color_[sq], piece = piece_[sq];
  occupied_[colour] &= ~Bit(sq);
  pieces_[colour][piece] &= ~Bit(sq);
  hash_ ^= PieceKey(colour, piece, sq);
  if (kMaterial) material_[colour] -= pieceSquare_[colour][piece][sq];
  color_[sq] = kEmpty;
  piece_[sq] = kEmpty;
}

void Searcher::RecomputeMaterial() {
  material_[0] = material_[1] = 0;
  for (int sq = 0; sq < 64; ++sq)
    if (color_[sq] != kEmpty) material_[color_[sq]] += pieceSquare_[color_[sq]][piece_[sq]][sq];
}

void Searcher::SetPosition(const EnginePosition& pos) {
  std::memset(occupied_, 0, sizeof occupied_);
  std::memset(pieces_, 0, sizeof pieces_);
  for (int i = 0; i < 64; ++i) {
    const char c = pos.squares[i];
    const int colour = (c >= 'b' && c <= 'r') ? kBlack : (c >= 'B' && c <= 'R') ? kWhite : kEmpty;
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
    // A letter in the colour ranges that names no piece ("c", "d", ...) leaves the square empty.
    color_[i] = piece_[i] = kEmpty;
    if (colour != kEmpty && p != kEmpty) {
      color_[i] = uint8_t(colour);
      piece_[i] = uint8_t(p);
      occupied_[colour] |= Bit(i);
      pieces_[colour][p] |= Bit(i);
    }
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
  RecomputeMaterial();
  hash_ = 0;
  for (int sq = 0; sq < 64; ++sq)
    if (color_[sq] != kEmpty) hash_ ^= PieceKey(color_[sq], piece_[sq], sq);
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
  RecomputeMaterial();
  for (PawnEntry& e : pawnCache_) e = PawnEntry{};
}

// Doubled, isolated and passed pawns; adds each colour's terms to score[] and gives the files
// holding pawns (bit f) for the rook terms.
void Searcher::PawnTerms(int* score, unsigned* files) const {
  const uint64_t white = pieces_[kWhite][kPawn], black = pieces_[kBlack][kPawn];
  PawnEntry& e = pawnCache_[((white * 0x9E3779B97F4A7C15ull) ^ (black * 0xC2B2AE3D27D4EB4Full)) >>
                            (64 - kPawnCacheBits)];
  if (e.white != white || e.black != black) {
    unsigned f[2] = {0, 0}, doubled[2] = {0, 0};
    for (int c = 0; c < 2; ++c) {
      for (uint64_t b = pieces_[c][kPawn]; b; b &= b - 1) {
        const unsigned bit = 1u << FileOf(Lowest(b));
        if (f[c] & bit) doubled[c] |= bit;
        f[c] |= bit;
      }
    }
    for (int c = 0; c < 2; ++c) {
      const int o = c ^ 1;
      int s = 0;
      for (uint64_t b = pieces_[c][kPawn]; b; b &= b - 1) {
        const int sq = Lowest(b);
        const unsigned bit = 1u << FileOf(sq);
        const unsigned neighbours = ((bit << 1) | (bit >> 1)) & 0xff;
        if (doubled[c] & bit) s -= 5;
        if (!(f[c] & neighbours)) s -= (f[o] & bit) ? 20 : 30;
        if (!(f[o] & (neighbours | bit))) s += 2 * pieceSquare_[c][kPawn][sq];
      }
      e.score[c] = s;
      e.files[c] = uint8_t(f[c]);
    }
    e.white = white;
    e.black = black;
  }
  score[0] += e.score[0];
  score[1] += e.score[1];
  files[0] = e.files[0];
  files[1] = e.files[1];
}

int Searcher::Evaluate() const {
  int score[2] = {material_[0], material_[1]};
  unsigned files[2];
  PawnTerms(score, files);
  for (int c = 0; c < 2; ++c) {
    for (uint64_t b = pieces_[c][kRook]; b; b &= b - 1) {
      const unsigned bit = 1u << FileOf(Lowest(b));
      if (!(files[c] & bit)) score[c] += (files[c ^ 1] & bit) ? 10 : 15;
    }
  }
  return score[side_] - score[xside_];
}

bool Searcher::IsAttacked(int sq, int colour) const {
  const uint64_t* p = pieces_[colour];
  if ((kTables.pawnAttackers[colour][sq] & p[kPawn]) || (kTables.knight[sq] & p[kKnight]) ||
      (kTables.king[sq] & p[kKing]))
    return true;
  const uint64_t all = occupied_[0] | occupied_[1];
  const uint64_t diagonal = p[kBishop] | p[kQueen];
  if (diagonal & kTables.diagonals[sq]) {
    for (int d : kBishopDirs) {
      const uint64_t blockers = kTables.ray[d][sq] & all;
      if (blockers && (diagonal & Bit(Nearest(d, blockers)))) return true;
    }
  }
  const uint64_t straight = p[kRook] | p[kQueen];
  if (straight & kTables.lines[sq]) {
    for (int d : kRookDirs) {
      const uint64_t blockers = kTables.ray[d][sq] & all;
      if (blockers && (straight & Bit(Nearest(d, blockers)))) return true;
    }
  }
  return false;
}

uint64_t Searcher::Pinned(int kingSq, int colour) const {
  const uint64_t* enemy = pieces_[colour ^ 1];
  const uint64_t all = occupied_[0] | occupied_[1];
  const uint64_t diagonal = enemy[kBishop] | enemy[kQueen];
  const uint64_t straight = enemy[kRook] | enemy[kQueen];
  uint64_t pinned = 0;
  for (int d = 0; d < 8; ++d) {
    const uint64_t ray = kTables.ray[d][kingSq];
    const uint64_t sliders = (kRowStep[d] != 0 && kFileStep[d] != 0) ? diagonal : straight;
    if (!(ray & sliders)) continue;
    uint64_t blockers = ray & all;
    if (!blockers) continue;
    const int first = Nearest(d, blockers);
    if (!(occupied_[colour] & Bit(first))) continue;
    blockers &= ~Bit(first);
    if (blockers && (sliders & Bit(Nearest(d, blockers)))) pinned |= Bit(first);
  }
  return pinned;
}

bool Searcher::InCheck(int colour) const {
  // The first king from square 0 upwards, as the board would find it.
  const uint64_t kings = pieces_[colour][kKing];
  return kings && IsAttacked(Lowest(kings), colour ^ 1);
}

void Searcher::Push(int from, int to, int flags) {
  if (end_[ply_] >= moveLimit_) return;
  const int n = end_[ply_]++;
  moves_[n] = EngineMove{uint8_t(from), uint8_t(to), 0, uint8_t(flags)};
  scores_[n] =
      (flags & kFlagCapture) ? 1000000 + 10 * piece_[to] - piece_[from] : history_[from][to];
}

// A pawn move onto the last rank becomes four entries: knight, bishop, rook, queen.
void Searcher::PushPawnMove(int from, int to, int flags) {
  if (to > 7 && to < 56) return Push(from, to, flags);
  for (int p = kKnight; p <= kQueen; ++p) {
    if (end_[ply_] >= moveLimit_) return;
    const int n = end_[ply_]++;
    moves_[n] = EngineMove{uint8_t(from), uint8_t(to), uint8_t(p), uint8_t(flags | kFlagPromotion)};
    scores_[n] = 1000000 + 10 * p;
  }
}

// Pieces in square order, each piece's directions in table order, each ray from near to far:
// the list order that move ordering's ties depend on.
template <bool kCapturesOnly>
void Searcher::Generate() {
  end_[ply_] = first_[ply_];
  const uint64_t own = occupied_[side_], opp = occupied_[xside_], all = own | opp;
  for (uint64_t b = own; b; b &= b - 1) {
    const int sq = Lowest(b);
    const int p = piece_[sq];
    switch (p) {
      case kPawn:
        if (side_ == kWhite) {
          if (sq < 8) break;  // a pawn on its last rank has no move
          if (FileOf(sq) != 0 && color_[sq - 9] == kBlack)
            PushPawnMove(sq, sq - 9, kFlagPawnMove | kFlagCapture);
          if (FileOf(sq) != 7 && color_[sq - 7] == kBlack)
            PushPawnMove(sq, sq - 7, kFlagPawnMove | kFlagCapture);
          if (color_[sq - 8] == kEmpty) {
            if (!kCapturesOnly) {
              PushPawnMove(sq, sq - 8, kFlagPawnMove);
              if (sq >= 48 && sq <= 55 && color_[sq - 16] == kEmpty)
                Push(sq, sq - 16, kFlagPawnMove | kFlagDoubleStep);
            } else if (sq <= 15) {
              PushPawnMove(sq, sq - 8, kFlagPawnMove);
            }
          }
        } else {
          if (sq > 55) break;
          if (FileOf(sq) != 0 && color_[sq + 7] == kWhite)
            PushPawnMove(sq, sq + 7, kFlagPawnMove | kFlagCapture);
          if (FileOf(sq) != 7 && color_[sq + 9] == kWhite)
            PushPawnMove(sq, sq + 9, kFlagPawnMove | kFlagCapture);
          if (color_[sq + 8] == kEmpty) {
            if (!kCapturesOnly) {
              PushPawnMove(sq, sq + 8, kFlagPawnMove);
              if (sq >= 8 && sq <= 15 && color_[sq + 16] == kEmpty)
                Push(sq, sq + 16, kFlagPawnMove | kFlagDoubleStep);
            } else if (sq >= 48) {
              PushPawnMove(sq, sq + 8, kFlagPawnMove);
            }
          }
        }
        break;
      case kKnight:
      case kKing: {
        const uint64_t targets =
            (p == kKnight ? kTables.knight[sq] : kTables.king[sq]) & (kCapturesOnly ? opp : ~own);
        for (uint64_t t = targets; t; t &= t - 1) {
          const int to = Lowest(t);
          Push(sq, to, (opp & Bit(to)) ? 1 : 0);
        }
        break;
      }
      default: {
        const int* dirs = p == kBishop ? kBishopDirs : p == kRook ? kRookDirs : kQueenDirs;
        const int count = p == kQueen ? 8 : 4;
        for (int i = 0; i < count; ++i) {
          const int d = dirs[i];
          if (kCapturesOnly) {
            const uint64_t blockers = kTables.ray[d][sq] & all;
            if (blockers) {
              const int to = Nearest(d, blockers);
              if (opp & Bit(to)) Push(sq, to, kFlagCapture);
            }
            continue;
          }
          const int8_t* ray = kTables.raySquares[d][sq];
          for (int k = 0, n = kTables.rayLength[d][sq]; k < n; ++k) {
            const int to = ray[k];
            if (all & Bit(to)) {
              if (opp & Bit(to)) Push(sq, to, kFlagCapture);
              break;
            }
            Push(sq, to, 0);
          }
        }
      }
    }
  }
  // Castling needs the right and, since a start position may carry all four rights with the king
  // or rooks elsewhere, the king and the rook on their start squares; MakeMove checks the rest.
  if (!kCapturesOnly) {
    if (side_ == kWhite) {
      if (pieces_[kWhite][kKing] & Bit(kE1)) {
        if ((castle_ & 1) && (pieces_[kWhite][kRook] & Bit(kH1)))
          Push(kE1, kG1, kFlagCastle);
        if ((castle_ & 2) && (pieces_[kWhite][kRook] & Bit(kA1)))
          Push(kE1, kC1, kFlagCastle);
      }
    } else {
      if (pieces_[kBlack][kKing] & Bit(kE8)) {
        if ((castle_ & 4) && (pieces_[kBlack][kRook] & Bit(kH8)))
          Push(kE8, kG8, kFlagCastle);
        if ((castle_ & 8) && (pieces_[kBlack][kRook] & Bit(kA8)))
          Push(kE8, kC8, kFlagCastle);
      }
    }
  }
  if (ep_ != -1) {
    const uint64_t pawns = pieces_[side_][kPawn];
    if (side_ == kWhite) {
      if (FileOf(ep_) != 0 && (pawns & Bit(ep_ + 7)))
        Push(ep_ + 7, ep_, kFlagPawnMove | kFlagEnPassant | kFlagCapture);
      if (FileOf(ep_) != 7 && (pawns & Bit(ep_ + 9)))
        Push(ep_ + 9, ep_, kFlagPawnMove | kFlagEnPassant | kFlagCapture);
    } else {
      if (FileOf(ep_) != 0 && (pawns & Bit(ep_ - 9)))
        Push(ep_ - 9, ep_, kFlagPawnMove | kFlagEnPassant | kFlagCapture);
      if (FileOf(ep_) != 7 && (pawns & Bit(ep_ - 7)))
        Push(ep_ - 7, ep_, kFlagPawnMove | kFlagEnPassant | kFlagCapture);
    }
  }
  first_[ply_ + 1] = end_[ply_];
}

void Searcher::GenerateMoves() {
  Generate<false>();
}
void Searcher::GenerateCaptures() {
  Generate<true>();
}

bool Searcher::MakeMove(EngineMove m) {
  const int material0 = material_[0], material1 = material_[1];
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
    const int colour = color_[rookFrom], piece = piece_[rookFrom];
    RemovePiece(rookFrom);
    PutPiece(rookTo, colour, piece);
  }

  Undo& u = undo_[ply_];
  u.move = m;
  u.captured = piece_[m.to];
  u.castling = castle_;
  u.enPassant = ep_;
  u.material[0] = material0;
  u.material[1] = material1;
  ++ply_;
  castle_ &= kCastleMask[m.from] & kCastleMask[m.to];
  if (m.flags & kFlagDoubleStep)
    ep_ = side_ == kWhite ? m.to + 8 : m.to - 8;
  else
    ep_ = -1;
  const int piece = (m.flags & kFlagPromotion) ? m.promote : piece_[m.from];
  if (u.captured != kEmpty) RemovePiece(m.to);
  RemovePiece(m.from);
  PutPiece(m.to, side_, piece);
  if (m.flags & kFlagEnPassant) {
    const int behind = side_ == kWhite ? m.to + 8 : m.to - 8;
    if (color_[behind] != kEmpty) RemovePiece(behind);
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
  const int piece = (m.flags & kFlagPromotion) ? kPawn : piece_[m.to];
  RemovePiece<false>(m.to);
  PutPiece<false>(m.from, side_, piece);
  if (u.captured != kEmpty) PutPiece<false>(m.to, xside_, u.captured);
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
    RemovePiece<false>(rookFrom);
    PutPiece<false>(rookTo, side_, kRook);
  }
  if (m.flags & kFlagEnPassant)
    PutPiece<false>(side_ == kWhite ? m.to + 8 : m.to - 8, xside_, kPawn);
  material_[0] = u.material[0];
  material_[1] = u.material[1];
}

void Searcher::MarkPrincipalMove() {
  followPv_ = false;
  const EngineMove target = pv_[0][ply_];
  for (int i = first_[ply_]; i < end_[ply_]; ++i) {
    if (moves_[i].from == target.from && moves_[i].to == target.to) {
      followPv_ = true;
      scores_[i] += 10000000;
      return;
    }
  }
}

void Searcher::PickMove(int i) {
  // The highest score from i on, the first of equal ones: find the maximum, then its first place.
  // Four scores at a time; the entries after the list (the next ply's, rewritten before use) hold
  // sentinels so that the last group needs no special case.
  const int n = end_[ply_];
  int32_t* scores = scores_;
  for (int k = 0; k < 4; ++k) scores[n + k] = INT32_MIN;
  __m128i best = _mm_set1_epi32(scores[i]);
  for (int j = i + 1; j < n; j += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(scores + j));
    const __m128i greater = _mm_cmpgt_epi32(v, best);
    best = _mm_or_si128(_mm_and_si128(greater, v), _mm_andnot_si128(greater, best));
  }
  best = MaxLanes(best);
  const int32_t top = _mm_cvtsi128_si32(best);
  int at = i;
  while (scores[at] != top) ++at;
  if (at != i) {
    std::swap(moves_[i], moves_[at]);
    std::swap(scores_[i], scores_[at]);
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
    const EngineMove m = moves_[i];
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
  // Capture chains can branch as widely as full-width nodes (a board full of queens), so the
  // stop flag is polled here as well; a stopped search's scores are never used. Once it is set,
  // every child returns at entry, so the loop below needs no poll of its own.
  if (stop_->load(std::memory_order_relaxed)) return 0;
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
    const EngineMove m = moves_[i];
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

SearchResult Searcher::LiteralThink(const EnginePosition& pos, int depth,
                                    const std::atomic<bool>& stop,
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
    const int score = LiteralIteration(d);
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

int Searcher::LiteralIteration(int d) {
  followPv_ = true;
  int score = Search(-kInfinity, kInfinity, d);
  EngineMove fallback;
  if (!stop_->load(std::memory_order_relaxed) && pvLength_[0] == 0 &&
      FirstLegalRootMove(fallback)) {
    // Every move fell outside the fixed window: one side is more than kInfinity ahead (a board
    // full of queens). Search again with a window that holds any score, so that a legal move
    // is still handed over; searches inside the window never come here.
    followPv_ = true;
    score = Search(-kWideWindow, kWideWindow, d);
    if (pvLength_[0] == 0) {  // even so no line (the move list was full): any legal move
      pv_[0][0] = fallback;
      pvLength_[0] = 1;
    }
  }
  return score;
}

bool Searcher::FirstLegalRootMove(EngineMove& move) {
  ply_ = 0;
  GenerateMoves();
  for (int i = first_[0]; i < end_[0]; ++i) {
    if (!MakeMove(moves_[i])) continue;
    TakeBack();
    move = moves_[i];
    return true;
  }
  return false;
}

uint64_t Searcher::PerftNode(int depth) {
  if (depth == 0) return 1;
  // Polled above the last two plies only: those are small and the counting loop stays tight.
  if (depth >= 3 && stop_ && stop_->load(std::memory_order_relaxed)) return 0;
  GenerateMoves();
  uint64_t count = 0;
  const uint64_t kings = pieces_[side_][kKing];
  if (depth == 1 && std::popcount(kings) == 1) {
    // Last ply: a move of an unpinned piece other than the king, out of no check and neither
    // castling nor en passant, cannot leave the king attacked; only the others are made.
    const int kingSq = Lowest(kings);
    const bool check = IsAttacked(kingSq, xside_);
    const uint64_t pinned = check ? 0 : Pinned(kingSq, side_);
    for (int i = first_[ply_]; i < end_[ply_]; ++i) {
      const EngineMove m = moves_[i];
      if (!check && !(m.flags & (kFlagCastle | kFlagEnPassant)) && m.from != kingSq &&
          !(pinned & Bit(m.from))) {
        ++count;
      } else if (MakeMove(m)) {
        ++count;
        TakeBack();
      }
    }
    return count;
  }
  for (int i = first_[ply_]; i < end_[ply_]; ++i) {
    if (!MakeMove(moves_[i])) continue;
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

bool Searcher::PerftDivide(int depth, const std::function<void(EngineMove, uint64_t)>& perMove,
                           const std::atomic<bool>* stop) {
  if (depth < 1) return true;
  if (depth > kMaxPly - 1) depth = kMaxPly - 1;
  ply_ = 0;
  first_[0] = 0;
  stop_ = stop;
  GenerateMoves();
  bool complete = true;
  for (int i = first_[0]; i < end_[0]; ++i) {
    const EngineMove m = moves_[i];
    if (!MakeMove(m)) continue;
    const uint64_t n = PerftNode(depth - 1);
    TakeBack();
    if (stop && stop->load(std::memory_order_relaxed)) {
      complete = false;
      break;
    }
    perMove(m, n);
  }
  stop_ = nullptr;
  return complete;
}

int Searcher::LegalMoves(EngineMove* out, int capacity) {
  ply_ = 0;
  first_[0] = 0;
  GenerateMoves();
  int n = 0;
  for (int i = first_[0]; i < end_[0]; ++i) {
    const EngineMove m = moves_[i];
    if (!MakeMove(m)) continue;
    TakeBack();
    if (n < capacity) out[n] = m;
    ++n;
  }
  return n < capacity ? n : capacity;
}

}  // namespace tavrel
