#include "core/solver.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>

namespace tavrel {

namespace {

constexpr int kKnightSteps[8] = {-21, -19, -12, -8, 8, 12, 19, 21};
constexpr int kKingSteps[8] = {-11, -10, -9, -1, 1, 9, 10, 11};
constexpr int kDiagonalSteps[4] = {-11, -9, 9, 11};
constexpr int kStraightSteps[4] = {-10, -1, 1, 10};

constexpr int kWhiteACorner = 92;    // a1
constexpr int kWhiteHCorner = 99;    // h1
constexpr int kBlackACorner = 22;    // a8
constexpr int kBlackHCorner = 29;    // h8
constexpr int kWhiteKingStart = 96;  // e1
constexpr int kBlackKingStart = 26;  // e8

int ACorner(int side) {
  return side > 0 ? kWhiteACorner : kBlackACorner;
}
int HCorner(int side) {
  return side > 0 ? kWhiteHCorner : kBlackHCorner;
}

// Enemy of side s: a piece whose code has the other sign. The border is nobody's piece.
bool IsEnemy(int value, int s) {
  return value != kBorderCell && value * s < 0;
}
bool IsOwn(int value, int s) {
  return value != kBorderCell && value * s > 0;
}

int PieceCode(char c) {
  switch (c) {
    case 'P':
      return kPawn;
    case 'N':
      return kKnight;
    case 'B':
      return kBishop;
    case 'R':
      return kRook;
    case 'Q':
      return kQueen;
    case 'K':
      return kKing;
    case 'p':
      return -kPawn;
    case 'n':
      return -kKnight;
    case 'b':
      return -kBishop;
    case 'r':
      return -kRook;
    case 'q':
      return -kQueen;
    case 'k':
      return -kKing;
    default:
      return 0;
  }
}

// Appends one candidate, or with legalOnly tries it on a copy first. Returns true when
// stopAtFirst ends the generation.
bool AddCandidate(const SolverBoard& board, int s, int from, int to, int kind,
                  GenerateOptions options, SolverMoveList& out) {
  if (options.legalOnly) {
    SolverBoard trial = board;
    const int piece = board.cells[from];
    const int magnitude = std::abs(kind);
    int placed = piece;
    if (magnitude >= kPromoteKnight && magnitude <= kPromoteQueen) placed = s * magnitude;
    trial.cells[to] = placed;
    trial.cells[from] = kEmptyCell;
    if (magnitude == kEnPassant) trial.cells[to + 10 * s] = kEmptyCell;
    const int ownKing = std::abs(piece) == kKing ? to : board.KingCell(s);
    if (CellAttacked(trial, s, ownKing, board.KingCell(-s))) return false;
    if (options.stopAtFirst) return true;
  }
  out.moves[out.count++] = SolverMove{from, to, kind};
  return false;
}

bool AddPawnMove(const SolverBoard& board, int s, int from, int to, bool capture,
                 GenerateOptions options, SolverMoveList& out) {
  const int sign = capture ? -1 : 1;
  const bool lastRank = s > 0 ? CellRank(to) == 8 : CellRank(to) == 1;
  if (!lastRank) return AddCandidate(board, s, from, to, sign * kOrdinaryMove, options, out);
  for (int kind : {kPromoteQueen, kPromoteRook, kPromoteBishop, kPromoteKnight}) {
    if (AddCandidate(board, s, from, to, sign * kind, options, out)) return true;
  }
  return false;
}

bool GeneratePawn(const SolverBoard& board, int from, int s, GenerateOptions options,
                  SolverMoveList& out) {
  const int forward = from - 10 * s;
  if (board.cells[forward] == kEmptyCell) {
    if (AddPawnMove(board, s, from, forward, false, options, out)) return true;
    const bool secondRank = CellRank(from) == (s > 0 ? 2 : 7);
    const int twoAhead = forward - 10 * s;
    if (secondRank && board.cells[twoAhead] == kEmptyCell &&
        AddCandidate(board, s, from, twoAhead, kOrdinaryMove, options, out))
      return true;
  }
  const bool fifthRank = CellRank(from) == (s > 0 ? 5 : 4);
  for (int offset : {9, 11}) {
    const int target = from - offset * s;
    if (target == board.epCell && board.epCell != 0 && fifthRank) {
      if (AddCandidate(board, s, from, target, -kEnPassant, options, out)) return true;
    } else if (IsEnemy(board.cells[target], s)) {
      if (AddPawnMove(board, s, from, target, true, options, out)) return true;
    }
  }
  return false;
}

bool GenerateSteps(const SolverBoard& board, int from, int s, const int (&steps)[8],
                   GenerateOptions options, SolverMoveList& out) {
  for (int d : steps) {
    const int to = from + d;
    const int value = board.cells[to];
    if (value == kBorderCell || IsOwn(value, s)) continue;
    const int kind = value == kEmptyCell ? kOrdinaryMove : -kOrdinaryMove;
    if (AddCandidate(board, s, from, to, kind, options, out)) return true;
  }
  return false;
}

template <int N>
bool GenerateRays(const SolverBoard& board, int from, int s, const int (&steps)[N],
                  GenerateOptions options, SolverMoveList& out) {
  for (int d : steps) {
    for (int to = from + d;; to += d) {
      const int value = board.cells[to];
      if (value == kEmptyCell) {
        if (AddCandidate(board, s, from, to, kOrdinaryMove, options, out)) return true;
        continue;
      }
      if (IsEnemy(value, s) && AddCandidate(board, s, from, to, -kOrdinaryMove, options, out))
        return true;
      break;
    }
  }
  return false;
}

bool GenerateCastling(const SolverBoard& board, int from, int s, GenerateOptions options,
                      SolverMoveList& out) {
  const CastleFlags& flags = board.Flags(s);
  if (!flags.king) return false;
  const int enemyKing = board.KingCell(-s);
  if (CellAttacked(board, s, from, enemyKing)) return false;
  const auto& c = board.cells;
  auto add = [&](int to, int kind) {
    if (options.stopAtFirst) return true;
    out.moves[out.count++] = SolverMove{from, to, kind};
    return false;
  };
  if (flags.hRook && c[from + 1] == kEmptyCell && c[from + 2] == kEmptyCell &&
      !CellAttacked(board, s, from + 1, enemyKing) &&
      !CellAttacked(board, s, from + 2, enemyKing) && add(from + 2, kShortCastle))
    return true;
  if (flags.aRook && c[from - 1] == kEmptyCell && c[from - 2] == kEmptyCell &&
      c[from - 3] == kEmptyCell && !CellAttacked(board, s, from - 1, enemyKing) &&
      !CellAttacked(board, s, from - 2, enemyKing) && add(from - 2, kLongCastle))
    return true;
  return false;
}

}  // namespace

SolverBoard EmptySolverBoard() {
  SolverBoard board;
  board.cells.fill(kBorderCell);
  for (int cell = kFirstSquareCell; cell <= kLastSquareCell; ++cell) {
    if (IsSquareCell(cell)) board.cells[cell] = kEmptyCell;
  }
  return board;
}

PieceList BuildPieceList(const SolverBoard& board, int side) {
  PieceList list;
  for (int cell = kFirstSquareCell; cell <= kLastSquareCell; ++cell) {
    const int value = board.cells[cell];
    if (!IsOwn(value, side)) continue;
    if (std::abs(value) == kKing) list.kingCell = cell;
    if (list.count < static_cast<int>(list.cells.size())) list.cells[list.count++] = cell;
  }
  return list;
}

bool ParsePlacement(std::string_view placement, SolverBoard& board) {
  board = EmptySolverBoard();
  const std::string_view text = placement.substr(0, 80);
  int cell = kFirstSquareCell;
  int inRank = 0;
  int ranksDone = 0;
  int pieces[2] = {0, 0};
  int kings[2] = {0, 0};
  int pawns[2] = {0, 0};
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '1' && c <= '8') {
      inRank += c - '0';
      if (inRank > 8) return false;
      cell += c - '0';
    } else if (const int code = PieceCode(c); code != 0) {
      if (inRank >= 8) return false;
      board.cells[cell] = code;
      const int colour = code > 0 ? 0 : 1;
      ++pieces[colour];
      if (std::abs(code) == kKing) {
        ++kings[colour];
        board.KingCell(code > 0 ? 1 : -1) = cell;
      }
      if (std::abs(code) == kPawn) ++pawns[colour];
      ++inRank;
      ++cell;
    } else if (c == '/') {
      if (inRank != 8) return false;
      inRank = 0;
      ++ranksDone;
      if (ranksDone < 8) {
        cell += 2;
        continue;
      }
      if (i + 1 != text.size()) return false;
      for (int colour = 0; colour < 2; ++colour) {
        if (kings[colour] != 1 || pawns[colour] > 8 || pieces[colour] > 16) return false;
      }
      const auto& cells = board.cells;
      board.white = {cells[kWhiteKingStart] == kKing, cells[kWhiteACorner] == kRook,
                     cells[kWhiteHCorner] == kRook};
      board.black = {cells[kBlackKingStart] == -kKing, cells[kBlackACorner] == -kRook,
                     cells[kBlackHCorner] == -kRook};
      board.epCell = 0;
      return true;
    } else {
      return false;
    }
  }
  return false;
}

bool IsSearchablePosition(const SolverBoard& board, int side) {
  for (int file = 1; file <= 8; ++file) {
    for (int rank : {1, 8}) {
      if (std::abs(board.cells[CellOf(file, rank)]) == kPawn) return false;
    }
  }
  return !CellAttacked(board, -side, board.KingCell(-side), board.KingCell(side));
}

bool CellAttacked(const SolverBoard& board, int s, int cell, int enemyKingCell) {
  const int distance = std::abs(enemyKingCell - cell);
  if (distance == 1 || distance == 9 || distance == 10 || distance == 11) return true;
  const auto& c = board.cells;
  for (int i = 0; i < 4; ++i) {
    int to = cell + kDiagonalSteps[i];
    while (c[to] == kEmptyCell) to += kDiagonalSteps[i];
    if (c[to] == -s * kBishop || c[to] == -s * kQueen) return true;
    to = cell + kStraightSteps[i];
    while (c[to] == kEmptyCell) to += kStraightSteps[i];
    if (c[to] == -s * kRook || c[to] == -s * kQueen) return true;
  }
  for (int d : kKnightSteps) {
    if (c[cell + d] == -s * kKnight) return true;
  }
  return c[cell - 9 * s] == -s * kPawn || c[cell - 11 * s] == -s * kPawn;
}

bool GeneratePieceMoves(const SolverBoard& board, int from, int s, GenerateOptions options,
                        SolverMoveList& out) {
  switch (std::abs(board.cells[from])) {
    case kPawn:
      return GeneratePawn(board, from, s, options, out);
    case kKnight:
      return GenerateSteps(board, from, s, kKnightSteps, options, out);
    case kBishop:
      return GenerateRays(board, from, s, kDiagonalSteps, options, out);
    case kRook:
      return GenerateRays(board, from, s, kStraightSteps, options, out);
    case kQueen:
      return GenerateRays(board, from, s, kKingSteps, options, out);
    case kKing:
      return GenerateSteps(board, from, s, kKingSteps, options, out) ||
             GenerateCastling(board, from, s, options, out);
    default:
      return false;
  }
}

void ApplySolverMove(SolverBoard& board, const SolverMove& move, int s) {
  auto& c = board.cells;
  const int piece = c[move.from];
  const int magnitude = std::abs(move.kind);
  c[move.to] = piece;
  c[move.from] = kEmptyCell;
  board.epCell = 0;
  CastleFlags& own = board.Flags(s);
  switch (std::abs(piece)) {
    case kPawn:
      if (std::abs(move.to - move.from) == 20) board.epCell = (move.from + move.to) / 2;
      if (magnitude >= kPromoteKnight && magnitude <= kPromoteQueen) c[move.to] = s * magnitude;
      if (magnitude == kEnPassant) c[move.to + 10 * s] = kEmptyCell;
      break;
    case kRook:
      if (move.from == ACorner(s)) own.aRook = false;
      if (move.from == HCorner(s)) own.hRook = false;
      break;
    case kKing:
      board.KingCell(s) = move.to;
      if (own.king) own = CastleFlags{};
      if (magnitude == kShortCastle) {
        c[move.to - 1] = c[move.from + 3];
        c[move.from + 3] = kEmptyCell;
      } else if (magnitude == kLongCastle) {
        c[move.to + 1] = c[move.from - 4];
        c[move.from - 4] = kEmptyCell;
      }
      break;
    default:
      break;
  }
  CastleFlags& theirs = board.Flags(-s);
  if (move.to == ACorner(-s)) theirs.aRook = false;
  if (move.to == HCorner(-s)) theirs.hRook = false;
}

bool SideHasLegalMove(const SolverBoard& board, int s) {
  const GenerateOptions options{.legalOnly = true, .stopAtFirst = true};
  SolverMoveList scratch;
  const int king = board.KingCell(s);
  if (GeneratePieceMoves(board, king, s, options, scratch)) return true;
  const PieceList list = BuildPieceList(board, s);
  for (int i = 0; i < list.count; ++i) {
    if (list.cells[i] == king) continue;
    scratch.count = 0;
    if (GeneratePieceMoves(board, list.cells[i], s, options, scratch)) return true;
  }
  return false;
}

std::string FormatSolution(const SolverBoard& board, const SolverMove& move) {
  static constexpr const char* kLetters[] = {"", "", "N", "B", "R", "Q", "K"};
  auto square = [](int cell) {
    return std::string{static_cast<char>('a' + cell % 10 - 2),
                       static_cast<char>('0' + 10 - cell / 10)};
  };
  const int piece = std::abs(board.cells[move.from]);
  std::string text = piece >= kPawn && piece <= kKing ? kLetters[piece] : "";
  text += square(move.from);
  text += move.kind < 0 ? "x" : "-";
  text += square(move.to);
  static constexpr const char* kSuffixes[] = {"",   "",    "=N",   "=B",  "=R",
                                              "=Q", " OO", " OOO", " e.p"};
  const int magnitude = std::abs(move.kind);
  if (magnitude <= kEnPassant) text += kSuffixes[magnitude];
  return text;
}

SolverSquareMove ToSquareMove(const SolverMove& move) {
  if (move.kind == 0) return {};
  static constexpr char kPromotion[] = {0, 0, 'n', 'b', 'r', 'q', 0, 0, 0};
  const int magnitude = std::abs(move.kind);
  return {CellToSquare(move.from), CellToSquare(move.to),
          magnitude <= kEnPassant ? kPromotion[magnitude] : char{0}};
}

std::string ToUciMove(const SolverMove& move) {
  if (move.kind == 0) return "0000";
  std::string text;
  for (int cell : {move.from, move.to}) {
    text += static_cast<char>('a' + CellFile(cell) - 1);
    text += static_cast<char>('0' + CellRank(cell));
  }
  if (const char promotion = ToSquareMove(move).promotion; promotion != 0) text += promotion;
  return text;
}

std::string BoardTextToPlacement(std::string_view boardText) {
  std::string placement;
  for (int rank = 0; rank < 8; ++rank) {
    int empty = 0;
    for (int file = 0; file < 8; ++file) {
      const size_t index = static_cast<size_t>(rank * 8 + file);
      const char c = index < boardText.size() ? boardText[index] : ' ';
      if (PieceCode(c) == 0) {
        ++empty;
        continue;
      }
      if (empty > 0) placement += static_cast<char>('0' + empty);
      empty = 0;
      placement += c;
    }
    if (empty > 0) placement += static_cast<char>('0' + empty);
    placement += '/';
  }
  return placement;
}

namespace {

// ---------------------------------------------------------------------------------------------
// The search. Its answer is that of the plain exhaustive search: the shortest n, and the first
// attacker move in list and generation order that forces mate in n. Only the root keeps that
// order; inside the tree the value "the attacker mates within r moves" does not depend on the
// order in which moves are tried, so there the search orders moves, remembers proven and
// refuted positions per number of remaining moves, and tests cheaply whether a last move can
// give check at all before testing for mate.

// One byte per cell; otherwise the same layout as SolverBoard.
struct FastBoard {
  std::array<int8_t, 128> c;
  uint8_t castle;   // bits 0..2 White king, a-rook, h-rook; bits 3..5 the same for Black
  uint8_t ep;       // en-passant cell or 0
  uint8_t king[2];  // [0] White, [1] Black
  uint64_t hash;
};

struct FastMove {
  uint8_t from;
  uint8_t to;
  int8_t kind;
};

constexpr int Index(int side) {
  return side > 0 ? 0 : 1;
}
constexpr uint8_t KingBit(int side) {
  return side > 0 ? 1 : 8;
}
constexpr uint8_t ARookBit(int side) {
  return side > 0 ? 2 : 16;
}
constexpr uint8_t HRookBit(int side) {
  return side > 0 ? 4 : 32;
}
constexpr uint8_t AllBits(int side) {
  return side > 0 ? 7 : 56;
}

struct ZobristKeys {
  uint64_t piece[13][128];
  uint64_t castle[64];
  uint64_t ep[128];
  uint64_t defenderToMove;

  ZobristKeys() {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    auto next = [&state] {  // splitmix64
      uint64_t z = (state += 0x9E3779B97F4A7C15ull);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      return z ^ (z >> 31);
    };
    for (auto& row : piece)
      for (auto& key : row) key = next();
    for (auto& key : castle) key = next();
    for (auto& key : ep) key = next();
    defenderToMove = next();
  }
};

// Built before main; the solver is never called during static initialisation.
const ZobristKeys kKeys;
inline const ZobristKeys& Keys() {
  return kKeys;
}

inline uint64_t PieceKey(int piece, int cell) {
  return Keys().piece[piece + 6][cell];
}

// Direction of the queen line from one square to another (0 when not on one). Rays that wrap
// over the board edge run into border cells, so callers walk the path.
struct LineTable {
  std::array<int8_t, 160> step{};
  LineTable() {
    for (int k = 1; k <= 7; ++k) {
      for (int d : {1, 9, 10, 11}) {
        step[80 + d * k] = static_cast<int8_t>(d);
        step[80 - d * k] = static_cast<int8_t>(-d);
      }
    }
  }
  int operator()(int from, int to) const { return step[80 + to - from]; }
};

const LineTable kLines;
inline const LineTable& Lines() {
  return kLines;
}

FastBoard ToFastBoard(const SolverBoard& board) {
  FastBoard b{};
  b.c.fill(kBorderCell);
  for (int cell = 0; cell < kSolverCells; ++cell)
    b.c[cell] = static_cast<int8_t>(board.cells[cell]);
  for (int side : {kSolverWhite, kSolverBlack}) {
    const CastleFlags& f = board.Flags(side);
    if (f.king) b.castle |= KingBit(side);
    if (f.aRook) b.castle |= ARookBit(side);
    if (f.hRook) b.castle |= HRookBit(side);
  }
  b.ep = static_cast<uint8_t>(board.epCell);
  b.king[0] = static_cast<uint8_t>(board.whiteKing);
  b.king[1] = static_cast<uint8_t>(board.blackKing);
  b.hash = Keys().castle[b.castle] ^ Keys().ep[b.ep];
  for (int cell = kFirstSquareCell; cell <= kLastSquareCell; ++cell) {
    if (b.c[cell] != kEmptyCell && b.c[cell] != kBorderCell) b.hash ^= PieceKey(b.c[cell], cell);
  }
  return b;
}

bool Attacked(const FastBoard& b, int s, int cell, int enemyKingCell) {
  const int distance = std::abs(enemyKingCell - cell);
  if (distance == 1 || distance == 9 || distance == 10 || distance == 11) return true;
  const auto& c = b.c;
  const int bishop = -s * kBishop, rook = -s * kRook, queen = -s * kQueen;
  for (int i = 0; i < 4; ++i) {
    int to = cell + kDiagonalSteps[i];
    while (c[to] == kEmptyCell) to += kDiagonalSteps[i];
    if (c[to] == bishop || c[to] == queen) return true;
    to = cell + kStraightSteps[i];
    while (c[to] == kEmptyCell) to += kStraightSteps[i];
    if (c[to] == rook || c[to] == queen) return true;
  }
  const int knight = -s * kKnight;
  for (int d : kKnightSteps) {
    if (c[cell + d] == knight) return true;
  }
  return c[cell - 9 * s] == -s * kPawn || c[cell - 11 * s] == -s * kPawn;
}

inline bool InCheck(const FastBoard& b, int s) {
  return Attacked(b, s, b.king[Index(s)], b.king[Index(-s)]);
}

// Can the move of side s leave its own king attacked? Only when the side is in check, the king
// moves, the piece stands on a line with its king (it may be pinned) or a pawn is taken en
// passant (two cells of a rank change).
inline bool NeedsLegalityTest(bool inCheck, FastMove m, int ownKing) {
  return inCheck || m.from == ownKing || Lines()(m.from, ownKing) != 0 ||
         std::abs(m.kind) == kEnPassant;
}

// Pseudo-legal moves of side s, pieces in ascending cell order and each piece's moves in the
// generator's order; castling is generated only when it passes its attack tests.
class MoveBuffer {
 public:
  FastMove moves[256];
  int count = 0;
  void Add(int from, int to, int kind) {
    moves[count++] =
        FastMove{static_cast<uint8_t>(from), static_cast<uint8_t>(to), static_cast<int8_t>(kind)};
  }
};

void AddFastPawnMove(MoveBuffer& out, int s, int from, int to, bool capture) {
  const int sign = capture ? -1 : 1;
  if (CellRank(to) != (s > 0 ? 8 : 1)) {
    out.Add(from, to, sign * kOrdinaryMove);
    return;
  }
  for (int kind : {kPromoteQueen, kPromoteRook, kPromoteBishop, kPromoteKnight})
    out.Add(from, to, sign * kind);
}

void GenerateFastPiece(const FastBoard& b, int from, int s, MoveBuffer& out) {
  const auto& c = b.c;
  const int piece = c[from] * s;
  switch (piece) {
    case kPawn: {
      const int forward = from - 10 * s;
      if (c[forward] == kEmptyCell) {
        AddFastPawnMove(out, s, from, forward, false);
        if (CellRank(from) == (s > 0 ? 2 : 7) && c[forward - 10 * s] == kEmptyCell)
          out.Add(from, forward - 10 * s, kOrdinaryMove);
      }
      const bool fifthRank = CellRank(from) == (s > 0 ? 5 : 4);
      for (int offset : {9, 11}) {
        const int target = from - offset * s;
        if (b.ep != 0 && target == b.ep && fifthRank) {
          out.Add(from, target, -kEnPassant);
        } else if (IsEnemy(c[target], s)) {
          AddFastPawnMove(out, s, from, target, true);
        }
      }
      return;
    }
    case kKnight:
    case kKing: {
      const int(&steps)[8] = piece == kKnight ? kKnightSteps : kKingSteps;
      for (int d : steps) {
        const int value = c[from + d];
        if (value == kBorderCell || value * s > 0) continue;
        out.Add(from, from + d, value == kEmptyCell ? kOrdinaryMove : -kOrdinaryMove);
      }
      if (piece == kKnight || !(b.castle & KingBit(s))) return;
      const int enemyKing = b.king[Index(-s)];
      if (Attacked(b, s, from, enemyKing)) return;
      if ((b.castle & HRookBit(s)) && c[from + 1] == kEmptyCell && c[from + 2] == kEmptyCell &&
          !Attacked(b, s, from + 1, enemyKing) && !Attacked(b, s, from + 2, enemyKing))
        out.Add(from, from + 2, kShortCastle);
      if ((b.castle & ARookBit(s)) && c[from - 1] == kEmptyCell && c[from - 2] == kEmptyCell &&
          c[from - 3] == kEmptyCell && !Attacked(b, s, from - 1, enemyKing) &&
          !Attacked(b, s, from - 2, enemyKing))
        out.Add(from, from - 2, kLongCastle);
      return;
    }
    case kBishop:
    case kRook:
    case kQueen: {
      const int* steps = piece == kBishop ? kDiagonalSteps
                         : piece == kRook ? kStraightSteps
                                          : kKingSteps;
      const int count = piece == kQueen ? 8 : 4;
      for (int i = 0; i < count; ++i) {
        for (int to = from + steps[i];; to += steps[i]) {
          const int value = c[to];
          if (value == kEmptyCell) {
            out.Add(from, to, kOrdinaryMove);
            continue;
          }
          if (IsEnemy(value, s)) out.Add(from, to, -kOrdinaryMove);
          break;
        }
      }
      return;
    }
    default:
      return;
  }
}

void GenerateFast(const FastBoard& b, int s, MoveBuffer& out) {
  for (int cell = kFirstSquareCell; cell <= kLastSquareCell; ++cell) {
    if (IsOwn(b.c[cell], s)) GenerateFastPiece(b, cell, s, out);
  }
}

inline void SetCell(FastBoard& b, int cell, int value) {
  const int old = b.c[cell];
  if (old != kEmptyCell) b.hash ^= PieceKey(old, cell);
  if (value != kEmptyCell) b.hash ^= PieceKey(value, cell);
  b.c[cell] = static_cast<int8_t>(value);
}

void ApplyFast(FastBoard& b, FastMove m, int s) {
  const int piece = b.c[m.from];
  const int magnitude = std::abs(m.kind);
  const uint8_t oldCastle = b.castle;
  SetCell(b, m.from, kEmptyCell);
  SetCell(b, m.to, piece);
  b.hash ^= Keys().ep[b.ep];
  b.ep = 0;
  switch (piece * s) {
    case kPawn:
      if (std::abs(m.to - m.from) == 20) b.ep = static_cast<uint8_t>((m.from + m.to) / 2);
      if (magnitude >= kPromoteKnight && magnitude <= kPromoteQueen)
        SetCell(b, m.to, s * magnitude);
      if (magnitude == kEnPassant) SetCell(b, m.to + 10 * s, kEmptyCell);
      break;
    case kRook:
      if (m.from == ACorner(s)) b.castle &= ~ARookBit(s);
      if (m.from == HCorner(s)) b.castle &= ~HRookBit(s);
      break;
    case kKing:
      b.king[Index(s)] = m.to;
      if (b.castle & KingBit(s)) b.castle &= ~AllBits(s);
      if (magnitude == kShortCastle) {
        SetCell(b, m.to - 1, b.c[m.from + 3]);
        SetCell(b, m.from + 3, kEmptyCell);
      } else if (magnitude == kLongCastle) {
        SetCell(b, m.to + 1, b.c[m.from - 4]);
        SetCell(b, m.from - 4, kEmptyCell);
      }
      break;
    default:
      break;
  }
  if (m.to == ACorner(-s)) b.castle &= ~ARookBit(-s);
  if (m.to == HCorner(-s)) b.castle &= ~HRookBit(-s);
  b.hash ^= Keys().ep[b.ep];
  if (b.castle != oldCastle) b.hash ^= Keys().castle[oldCastle] ^ Keys().castle[b.castle];
}

// Does side s have a legal move? Each candidate is tried in place and taken back.
bool HasLegalMoveFast(FastBoard& b, int s) {
  auto& c = b.c;
  const int king = b.king[Index(s)];
  const int enemyKing = b.king[Index(-s)];
  const int kingPiece = c[king];
  c[king] = kEmptyCell;
  for (int d : kKingSteps) {
    const int to = king + d;
    const int value = c[to];
    if (value == kBorderCell || value * s > 0) continue;
    c[to] = static_cast<int8_t>(kingPiece);
    const bool attacked = Attacked(b, s, to, enemyKing);
    c[to] = static_cast<int8_t>(value);
    if (!attacked) {
      c[king] = static_cast<int8_t>(kingPiece);
      return true;
    }
  }
  c[king] = static_cast<int8_t>(kingPiece);
  // Castling needs a free king, which has just been shown not to exist.
  const bool inCheck = Attacked(b, s, king, enemyKing);
  MoveBuffer moves;
  for (int cell = kFirstSquareCell; cell <= kLastSquareCell; ++cell) {
    if (cell == king || !IsOwn(c[cell], s)) continue;
    moves.count = 0;
    GenerateFastPiece(b, cell, s, moves);
    for (int i = 0; i < moves.count; ++i) {
      const FastMove m = moves.moves[i];
      if (!NeedsLegalityTest(inCheck, m, king)) return true;
      const int8_t movedPiece = c[m.from], captured = c[m.to];
      const int epCell = std::abs(m.kind) == kEnPassant ? m.to + 10 * s : 0;
      const int8_t epPawn = epCell ? c[epCell] : 0;
      c[m.to] = movedPiece;
      c[m.from] = kEmptyCell;
      if (epCell) c[epCell] = kEmptyCell;
      const bool attacked = Attacked(b, s, king, enemyKing);
      c[m.from] = movedPiece;
      c[m.to] = captured;
      if (epCell) c[epCell] = epPawn;
      if (!attacked) return true;
    }
  }
  return false;
}

// Could the move of side s give check to the king on `target`? False only when it certainly
// does not; the caller confirms a true answer on the board.
bool MayGiveCheck(const FastBoard& b, FastMove m, int s, int target) {
  if (std::abs(m.kind) >= kPromoteKnight) return true;  // promotions, castling, en passant
  if (Lines()(m.from, target) != 0) return true;        // the move may uncover a line
  const int piece = b.c[m.from] * s;
  const int diff = target - m.to;
  switch (piece) {
    case kPawn:
      return diff == -9 * s || diff == -11 * s;
    case kKnight: {
      const int a = std::abs(diff);
      return a == 8 || a == 12 || a == 19 || a == 21;
    }
    case kBishop:
    case kRook:
    case kQueen: {
      const int step = Lines()(m.to, target);
      if (step == 0) return false;
      const bool diagonal = std::abs(step) == 9 || std::abs(step) == 11;
      if (piece == kBishop && !diagonal) return false;
      if (piece == kRook && diagonal) return false;
      for (int cell = m.to + step; cell != target; cell += step) {
        if (b.c[cell] != kEmptyCell && cell != m.from) return false;
      }
      return true;
    }
    default:
      return false;
  }
}

struct TableEntry {
  uint64_t key;
  int8_t proven;           // smallest r for which a mate within r is proven, 0 if none
  int8_t refuted;          // largest r for which no mate within r exists, 0 if none
  uint8_t refutationFrom;  // defender entries: the reply that refuted last time
  uint8_t refutationTo;
};

}  // namespace

class FastMateSearch {
 public:
  FastMateSearch(int attacker, const std::atomic<bool>& stopFlag, const SolverYield& yield)
      : s_(attacker), stopFlag_(stopFlag), yield_(yield) {
    table_.reset(static_cast<TableEntry*>(std::calloc(kTableSize, sizeof(TableEntry))));
    lastYield_ = std::chrono::steady_clock::now();
  }

  bool stopped() const { return stopped_; }
  uint64_t nodes() const { return nodes_; }

  bool AttackerWinsFrom(const FastBoard& b, int r) { return AttackerWins(b, r); }
  bool DefenderLosesFrom(FastBoard b, int r) {
    if (r == 0) return MatesNow(b);
    if (ShouldStop()) return false;
    const bool loses = DefenderLoses(b, r + 1);
    return !stopped_ && loses;
  }

  // The first move, in list and generation order, that forces mate within n, or kind 0.
  FastMove SearchRoot(const FastBoard& root, int n) {
    if (ShouldStop()) return {};
    MoveBuffer moves;
    GenerateFast(root, s_, moves);
    for (int i = 0; i < moves.count; ++i) {
      FastBoard next = root;
      ApplyFast(next, moves.moves[i], s_);
      if (InCheck(next, s_)) continue;
      const bool forces = n == 1 ? MatesNow(next) : DefenderLoses(next, n);
      if (stopped_) return {};
      if (forces) return moves.moves[i];
    }
    return {};
  }

 private:
  static constexpr size_t kTableSize = size_t{1} << 20;

  struct FreeDeleter {
    void operator()(TableEntry* p) const { std::free(p); }
  };

  bool ShouldStop() {
    if (stopped_) return true;
    if ((++nodes_ & 1023) == 0 && yield_) {
      const auto now = std::chrono::steady_clock::now();
      if (now - lastYield_ > std::chrono::milliseconds(500)) {
        yield_();
        lastYield_ = now;
      }
    }
    if (stopFlag_.load(std::memory_order_relaxed)) stopped_ = true;
    return stopped_;
  }

  TableEntry& Slot(uint64_t key) { return table_.get()[key & (kTableSize - 1)]; }

  // The attacker has just moved (legally): is the defender mated?
  bool MatesNow(FastBoard& b) { return InCheck(b, -s_) && !HasLegalMoveFast(b, -s_); }

  // Attacker to move: a mate in one?
  bool MateInOne(const FastBoard& b) {
    if (ShouldStop()) return false;
    const TableEntry& entry = Slot(b.hash);
    if (entry.key == b.hash) {
      if (entry.proven == 1) return true;
      if (entry.refuted >= 1) return false;
    }
    const bool mates = FindMateInOne(b);
    Remember(b.hash, mates, 1);
    return mates;
  }

  bool FindMateInOne(const FastBoard& b) {
    const int target = b.king[Index(-s_)];
    MoveBuffer moves;
    GenerateFast(b, s_, moves);
    for (int i = 0; i < moves.count; ++i) {
      if (!MayGiveCheck(b, moves.moves[i], s_, target)) continue;
      FastBoard next = b;
      ApplyFast(next, moves.moves[i], s_);
      if (!InCheck(next, -s_) || InCheck(next, s_)) continue;
      if (!HasLegalMoveFast(next, -s_)) return true;
    }
    return false;
  }

  // Attacker to move: a mate within r moves?
  bool AttackerWins(const FastBoard& b, int r) {
    if (r == 1) return MateInOne(b);
    if (ShouldStop()) return false;
    TableEntry& entry = Slot(b.hash);
    if (entry.key == b.hash) {
      if (entry.proven != 0 && entry.proven <= r) return true;
      if (entry.refuted >= r) return false;
    }
    // A mate in one settles the node before the longer lines are ordered and searched.
    if (MateInOne(b)) return true;
    MoveBuffer moves;
    GenerateFast(b, s_, moves);
    int scores[256];
    int legal = 0;
    const int target = b.king[Index(-s_)];
    const int ownKing = b.king[Index(s_)];
    const bool inCheck = InCheck(b, s_);
    for (int i = 0; i < moves.count; ++i) {
      const FastMove m = moves.moves[i];
      FastBoard next = b;
      ApplyFast(next, m, s_);
      if (NeedsLegalityTest(inCheck, m, ownKing) && InCheck(next, s_)) continue;
      int score = 0;
      if (MayGiveCheck(b, m, s_, target) && InCheck(next, -s_)) score += 1000;
      if (m.kind < 0) score += 100 + 10 * std::abs(b.c[m.to]);
      if (std::abs(m.kind) >= kPromoteKnight && std::abs(m.kind) <= kPromoteQueen) score += 50;
      moves.moves[legal] = m;
      scores[legal++] = score;
    }
    SortByScore(moves.moves, scores, legal);
    bool wins = false;
    for (int i = 0; i < legal && !wins; ++i) {
      FastBoard next = b;
      ApplyFast(next, moves.moves[i], s_);
      wins = DefenderLoses(next, r);
    }
    if (stopped_) return false;
    Remember(b.hash, wins, r);
    return wins;
  }

  // Results of a stopped search are never remembered: its "false" answers are not refutations.
  void Remember(uint64_t key, bool wins, int r) {
    if (stopped_) return;
    TableEntry& slot = Slot(key);
    if (slot.key != key) slot = TableEntry{key, 0, 0, 0, 0};
    if (wins && (slot.proven == 0 || r < slot.proven)) slot.proven = static_cast<int8_t>(r);
    if (!wins && r > slot.refuted) slot.refuted = static_cast<int8_t>(r);
  }

  // Defender to move after the attacker's move; the attacker has r - 1 moves left. True when
  // every reply loses (or the defender is mated now).
  bool DefenderLoses(const FastBoard& b, int r) {
    const int d = -s_;
    const uint64_t key = b.hash ^ Keys().defenderToMove;
    MoveBuffer moves;
    GenerateFast(b, d, moves);
    const int ownKing = b.king[Index(d)];
    const bool inCheck = InCheck(b, d);

    // First the replies that refuted before: the one remembered for this position and the
    // killers of this depth. Usually one of them refutes again, and the other replies need not
    // be ordered at all.
    FastMove tried[3];
    int triedCount = 0;
    auto isTried = [&](FastMove m) {
      for (int i = 0; i < triedCount; ++i) {
        if (tried[i].from == m.from && tried[i].to == m.to && tried[i].kind == m.kind) return true;
      }
      return false;
    };
    const TableEntry& remembered = Slot(key);
    const Killers& killers = killers_[r];
    std::pair<uint8_t, uint8_t> candidates[3] = {
        {0, 0}, {killers.from[0], killers.to[0]}, {killers.from[1], killers.to[1]}};
    if (remembered.key == key) candidates[0] = {remembered.refutationFrom, remembered.refutationTo};
    for (const auto& [from, to] : candidates) {
      if (from == 0) continue;
      for (int i = 0; i < moves.count; ++i) {
        const FastMove m = moves.moves[i];
        if (m.from != from || m.to != to || isTried(m)) continue;
        tried[triedCount++] = m;
        FastBoard next = b;
        ApplyFast(next, m, d);
        if (NeedsLegalityTest(inCheck, m, ownKing) && InCheck(next, d)) break;
        if (!AttackerWins(next, r - 1)) return Refuted(key, m, r);
        break;
      }
    }

    int scores[256];
    int legal = 0;
    const int attackerKing = b.king[Index(s_)];
    bool anyLegal = false;
    for (int i = 0; i < moves.count; ++i) {
      const FastMove m = moves.moves[i];
      FastBoard next = b;
      ApplyFast(next, m, d);
      if (NeedsLegalityTest(inCheck, m, ownKing) && InCheck(next, d)) continue;
      anyLegal = true;
      if (isTried(m)) continue;
      int score = history_[Index(d)][m.from][m.to];
      if (MayGiveCheck(b, m, d, attackerKing) && InCheck(next, s_)) score += 1 << 25;
      if (m.kind < 0) score += (1 << 20) * (1 + std::abs(b.c[m.to]));
      if (m.from == ownKing) score += 1 << 19;
      moves.moves[legal] = m;
      scores[legal++] = score;
    }
    if (!anyLegal) return inCheck;
    SortByScore(moves.moves, scores, legal);
    for (int i = 0; i < legal; ++i) {
      FastBoard next = b;
      ApplyFast(next, moves.moves[i], d);
      if (!AttackerWins(next, r - 1)) return Refuted(key, moves.moves[i], r);
    }
    return true;
  }

  // A reply refuted the attacker's move (unless the search was stopped, which makes every
  // answer false): remember it for this position, this depth and the history.
  bool Refuted(uint64_t key, FastMove m, int r) {
    if (stopped_) return false;
    Slot(key) = TableEntry{key, 0, 0, m.from, m.to};
    killers_[r].Remember(m);
    int& h = history_[Index(-s_)][m.from][m.to];
    h = std::min(h + r * r, 1 << 18);
    return false;
  }

  static void SortByScore(FastMove* moves, int* scores, int count) {
    for (int i = 1; i < count; ++i) {
      const FastMove m = moves[i];
      const int score = scores[i];
      int j = i - 1;
      while (j >= 0 && scores[j] < score) {
        moves[j + 1] = moves[j];
        scores[j + 1] = scores[j];
        --j;
      }
      moves[j + 1] = m;
      scores[j + 1] = score;
    }
  }

  struct Killers {
    uint8_t from[2] = {0, 0};
    uint8_t to[2] = {0, 0};
    bool Matches(FastMove m, int i) const { return m.from == from[i] && m.to == to[i]; }
    void Remember(FastMove m) {
      if (Matches(m, 0)) return;
      from[1] = from[0];
      to[1] = to[0];
      from[0] = m.from;
      to[0] = m.to;
    }
  };

  const int s_;
  const std::atomic<bool>& stopFlag_;
  const SolverYield yield_;  // a copy: a prover outlives the caller's argument
  std::chrono::steady_clock::time_point lastYield_;
  bool stopped_ = false;
  uint64_t nodes_ = 0;
  std::unique_ptr<TableEntry, FreeDeleter> table_;
  Killers killers_[kMaxSolverMoves + 1];
  int history_[2][128][128] = {};
};

MateSolution SolveMate(std::string_view placement, int maxMoves, int side,
                       const std::atomic<bool>& stopFlag, const SolverYield& yield) {
  SolverBoard board;
  if (!ParsePlacement(placement, board)) return {};
  return SolveMateOnBoard(board, maxMoves, side, stopFlag, yield);
}

MateSolution SolveMateOnBoard(const SolverBoard& board, int maxMoves, int side,
                              const std::atomic<bool>& stopFlag, const SolverYield& yield) {
  MateSolution result;
  if (maxMoves < 1 || (side != kSolverWhite && side != kSolverBlack)) return result;
  if (!IsSearchablePosition(board, side)) return result;
  const FastBoard root = ToFastBoard(board);
  auto search = std::make_unique<FastMateSearch>(side, stopFlag, yield);
  // Remaining move counts are kept in bytes; a mate that long could never be searched anyway.
  const int limit = std::min(maxMoves, kMaxSolverMoves);
  for (int n = 1; n <= limit; ++n) {
    const FastMove first = search->SearchRoot(root, n);
    if (search->stopped()) return result;
    if (first.kind != 0) {
      result.moves = n;
      result.firstMove = SolverMove{first.from, first.to, first.kind};
      result.solution = FormatSolution(board, result.firstMove);
      return result;
    }
  }
  return result;
}

MateProver::MateProver(int attacker, const std::atomic<bool>& stopFlag, const SolverYield& yield)
    : attacker_(attacker), search_(std::make_unique<FastMateSearch>(attacker, stopFlag, yield)) {}

MateProver::~MateProver() = default;

bool MateProver::AttackerMates(const SolverBoard& board, int moves) {
  if (moves < 1) return false;
  const bool mates = search_->AttackerWinsFrom(ToFastBoard(board), std::min(moves, kMaxSolverMoves));
  return mates && !search_->stopped();
}

bool MateProver::DefenderLoses(const SolverBoard& board, int moves) {
  if (moves < 0) return false;
  return search_->DefenderLosesFrom(ToFastBoard(board), std::min(moves, kMaxSolverMoves - 1));
}

bool MateProver::Stopped() const {
  return search_->stopped();
}

}  // namespace tavrel
