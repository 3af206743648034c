#include "engine/solver.h"

#include <chrono>
#include <cstdlib>

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

// Exhaustive search for "the attacker mates within n moves", ply counting the attacker's moves
// from 1. Stops when the caller raises the stop flag; a stopped search answers false everywhere.
class MateSearch {
 public:
  MateSearch(SolverBoard& board, int attacker, const std::atomic<bool>& stopFlag,
             const SolverYield& yield)
      : board_(board), s_(attacker), stopFlag_(stopFlag), yield_(yield) {
    lastYield_ = std::chrono::steady_clock::now();
  }

  bool stopped() const { return stopped_; }
  const SolverMove& firstMove() const { return firstMove_; }

  bool SearchMate(int ply, int n) {
    const PieceList attackers = BuildPieceList(board_, s_);
    const PieceList defenders = BuildPieceList(board_, -s_);
    const SolverBoard saved = board_;
    if (ShouldStop()) return false;
    const bool lastPly = ply == n;
    for (int i = 0; i < attackers.count; ++i) {
      SolverMoveList moves;
      GeneratePieceMoves(board_, attackers.cells[i], s_, {.legalOnly = !lastPly}, moves);
      for (int m = 0; m < moves.count; ++m) {
        const SolverMove& move = moves.moves[m];
        ApplySolverMove(board_, move, s_);
        const bool forces = lastPly ? MatesNow() : AllRepliesLose(ply, n, move, defenders);
        board_ = saved;
        if (forces) {
          if (ply == 1) firstMove_ = move;
          return true;
        }
      }
    }
    return false;
  }

 private:
  bool DefenderInCheck() const {
    return CellAttacked(board_, -s_, board_.KingCell(-s_), board_.KingCell(s_));
  }

  bool MatesNow() const {
    return DefenderInCheck() &&
           !CellAttacked(board_, s_, board_.KingCell(s_), board_.KingCell(-s_)) &&
           !SideHasLegalMove(board_, -s_);
  }

  bool AllRepliesLose(int ply, int n, const SolverMove& move, const PieceList& nodeDefenders) {
    const PieceList defenders = move.kind < 0 ? BuildPieceList(board_, -s_) : nodeDefenders;
    const SolverBoard afterAttack = board_;
    bool anyReply = false;
    for (int i = 0; i < defenders.count; ++i) {
      SolverMoveList replies;
      GeneratePieceMoves(board_, defenders.cells[i], -s_, {.legalOnly = true}, replies);
      for (int r = 0; r < replies.count; ++r) {
        anyReply = true;
        ApplySolverMove(board_, replies.moves[r], -s_);
        const bool mates = SearchMate(ply + 1, n);
        board_ = afterAttack;
        if (!mates) return false;
      }
    }
    return anyReply || DefenderInCheck();
  }

  bool ShouldStop() {
    if (stopped_) return true;
    if (yield_) {
      const auto now = std::chrono::steady_clock::now();
      if (now - lastYield_ > std::chrono::milliseconds(500)) {
        yield_();
        lastYield_ = now;
      }
    }
    if (stopFlag_.load(std::memory_order_relaxed)) stopped_ = true;
    return stopped_;
  }

  SolverBoard& board_;
  const int s_;
  const std::atomic<bool>& stopFlag_;
  const SolverYield& yield_;
  std::chrono::steady_clock::time_point lastYield_;
  bool stopped_ = false;
  SolverMove firstMove_{};
};

}  // namespace

MateSolution SolveMate(std::string_view placement, int maxMoves, int side,
                       const std::atomic<bool>& stopFlag, const SolverYield& yield) {
  MateSolution result;
  if (maxMoves < 1 || (side != kSolverWhite && side != kSolverBlack)) return result;
  SolverBoard board;
  if (!ParsePlacement(placement, board) || !IsSearchablePosition(board, side)) return result;
  const SolverBoard start = board;
  MateSearch search(board, side, stopFlag, yield);
  for (int n = 1; n <= maxMoves; ++n) {
    const bool found = search.SearchMate(1, n);
    if (search.stopped()) return result;
    if (found) {
      result.moves = n;
      result.firstMove = search.firstMove();
      result.solution = FormatSolution(start, result.firstMove);
      return result;
    }
  }
  return result;
}

}  // namespace tavrel
