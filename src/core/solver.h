// Mate-in-N problem solver: finds the shortest forced mate for the side to move and the first
// move, in piece-list and generation order, that forces it.
//
// The solver has its own board of 10 x 12 cells, its own move generator and attack test, and is
// independent of the playing engine. The building blocks below are exposed so that tests and
// tools can check them one by one; `SolveMate` is the one call a caller normally needs.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tavrel {

// Side codes. The attacker is the side to move in the problem, the defender the other one.
inline constexpr int kSolverWhite = 1;
inline constexpr int kSolverBlack = -1;

// Cell values: 0 empty, 7 border, +1..+6 white pawn, knight, bishop, rook, queen, king, and the
// negated codes for Black.
inline constexpr int kEmptyCell = 0;
inline constexpr int kBorderCell = 7;
inline constexpr int kPawn = 1;
inline constexpr int kKnight = 2;
inline constexpr int kBishop = 3;
inline constexpr int kRook = 4;
inline constexpr int kQueen = 5;
inline constexpr int kKing = 6;

// Rows 0..7 are ranks 8..1; a square's cell is 10 * (row + 2) + file + 1 (file 1..8 = a..h), so
// a8 = 22, h8 = 29, a1 = 92, e1 = 96, h1 = 99. Cells ending in 0 or 1, below 22 and above 99 are
// border. One cell more than 10 x 12 is kept so that a knight jump from h1 (+21) stays inside.
inline constexpr int kSolverCells = 121;
inline constexpr int kFirstSquareCell = 22;
inline constexpr int kLastSquareCell = 99;

constexpr int CellOf(int file, int rank) {
  return 10 * (10 - rank) + file + 1;
}  // file 1..8
constexpr int CellFile(int cell) {
  return cell % 10 - 1;
}  // 1..8
constexpr int CellRank(int cell) {
  return 10 - cell / 10;
}  // 1..8
constexpr bool IsSquareCell(int cell) {
  return cell >= kFirstSquareCell && cell <= kLastSquareCell && cell % 10 >= 2;
}
// Square numbering of the board (Square): a8 = 1 ... h8 = 8, a7 = 9 ... h1 = 64.
constexpr int CellToSquare(int cell) {
  return (8 - CellRank(cell)) * 8 + CellFile(cell);
}
constexpr int SquareToCell(int square) {
  return CellOf((square - 1) % 8 + 1, 8 - (square - 1) / 8);
}

// Castling flags of one colour: the king still on its start square and unmoved, and each rook
// still on its corner, unmoved and not captured there.
struct CastleFlags {
  bool king = false;
  bool aRook = false;
  bool hRook = false;
};

// The solver's position. Saved and restored as a whole by copying; there are no undo records.
struct SolverBoard {
  std::array<int32_t, kSolverCells> cells{};
  CastleFlags white;
  CastleFlags black;
  int epCell = 0;  // the cell a pawn passed over in a two-square step on the last move, or 0
  int whiteKing = 0;
  int blackKing = 0;

  CastleFlags& Flags(int side) { return side > 0 ? white : black; }
  const CastleFlags& Flags(int side) const { return side > 0 ? white : black; }
  int& KingCell(int side) { return side > 0 ? whiteKing : blackKing; }
  int KingCell(int side) const { return side > 0 ? whiteKing : blackKing; }
};

// The empty board: all squares empty, borders 7, flags cleared.
SolverBoard EmptySolverBoard();

// Move kinds by magnitude; the kind is negative when the move captures (en passant is -8).
enum SolverMoveKind : int {
  kOrdinaryMove = 1,
  kPromoteKnight = 2,
  kPromoteBishop = 3,
  kPromoteRook = 4,
  kPromoteQueen = 5,
  kShortCastle = 6,
  kLongCastle = 7,
  kEnPassant = 8,
};

struct SolverMove {
  int from = 0;
  int to = 0;
  int kind = 0;  // 0: no move
  friend bool operator==(const SolverMove&, const SolverMove&) = default;
};

// The moves of one piece; no piece has more than 27.
struct SolverMoveList {
  std::array<SolverMove, 32> moves;
  int count = 0;
};

// One colour's pieces, king included, in ascending cell order (a8, b8, ..., h1).
struct PieceList {
  int kingCell = 0;
  int count = 0;
  std::array<int, 16> cells{};
};

// Builds the list of `side` by one scan of cells 22..99. Pieces beyond 16 are not listed (a
// placement that passed `ParsePlacement` never has more).
PieceList BuildPieceList(const SolverBoard& board, int side);

// Reads a placement (eight ranks, rank 8 first, each ending in "/", digits for runs of empty
// squares; only the first 80 characters count) into `board`. False when the text is invalid:
// wrong rank lengths, other characters, missing final "/", not exactly one king per colour,
// more than 8 pawns or more than 16 pieces of a colour. On success the castling flags follow
// from the placement alone and there is no en-passant cell.
bool ParsePlacement(std::string_view placement, SolverBoard& board);

// Refuses positions the search cannot handle soundly although `ParsePlacement` accepts them:
// the side not to move already in check (which includes adjacent kings) and pawns on the first
// or last rank. `side` is the side to move.
bool IsSearchablePosition(const SolverBoard& board, int side);

// Is `cell` attacked by the side -s? `enemyKingCell` is the king of -s.
bool CellAttacked(const SolverBoard& board, int s, int cell, int enemyKingCell);

struct GenerateOptions {
  bool legalOnly = false;    // drop moves that leave the own king attacked
  bool stopAtFirst = false;  // with legalOnly: stop at the first legal move and report it
};

// Generates the moves of the piece of side s on `from` into `out` (appended). Pawns: step,
// double step, captures towards offsets 9 then 11 (en passant included), promotions in the
// order queen, rook, bishop, knight. Knights, kings and sliders in their fixed direction order;
// the king then short and long castling. Returns true only with stopAtFirst, when a legal move
// exists (out is then unspecified).
bool GeneratePieceMoves(const SolverBoard& board, int from, int s, GenerateOptions options,
                        SolverMoveList& out);

// Plays `move` for side s, with rook moves of castling, en passant, promotions, the en-passant
// cell and the castling flags.
void ApplySolverMove(SolverBoard& board, const SolverMove& move, int s);

// Has side s at least one legal move? Tries the king first, then the other pieces in list order.
bool SideHasLegalMove(const SolverBoard& board, int s);

// The solver's notation of `move` on `board` (before the move): piece letter (none for a pawn,
// upper case for either colour), from-square, "x" or "-", to-square and a suffix: "=N", "=B",
// "=R", "=Q", " OO", " OOO" or " e.p". Examples: "Qh5xf7", "e7-e8=Q", "Ke1-g1 OO", "e5xd6 e.p".
std::string FormatSolution(const SolverBoard& board, const SolverMove& move);

// The move as board squares (a8 = 1 ... h1 = 64) and the promotion piece,
// for front ends with their own notation.
struct SolverSquareMove {
  int fromSquare = 0;
  int toSquare = 0;
  char promotion = 0;  // 'q', 'r', 'b', 'n' or 0
};
SolverSquareMove ToSquareMove(const SolverMove& move);

// Long algebraic notation as in UCI ("e7e8q", "e1g1"), "0000" for no move.
std::string ToUciMove(const SolverMove& move);

// Board text (64 characters, a8 ... h1, blank = empty) to placement text: the piece-placement
// field of FEN with a "/" after every rank, the last included. Other characters count as empty.
std::string BoardTextToPlacement(std::string_view boardText);

// Called from inside the search at most about twice a second (for example to keep a window
// responsive or to report progress); the stop flag is read right after it returns.
using SolverYield = std::function<void()>;

// Larger maxMoves values are searched as this many.
inline constexpr int kMaxSolverMoves = 100;

struct MateSolution {
  int moves = 0;           // n of the shortest forced mate, 0 when none was found or stopped
  std::string solution;    // the first move in the solver's notation, empty when moves is 0
  SolverMove firstMove{};  // the same move in cells, kind 0 when moves is 0
};

// Finds the shortest forced mate of `side` (+1 White, -1 Black) within 1..maxMoves moves on the
// placement. Refused with no solution: an invalid placement, a position failing
// `IsSearchablePosition`, maxMoves below 1, a side other than +1 or -1. `stopFlag` may be raised
// from any thread; the search then ends within a few milliseconds with no solution. Every call
// starts from scratch and keeps no state.
MateSolution SolveMate(std::string_view placement, int maxMoves, int side,
                       const std::atomic<bool>& stopFlag, const SolverYield& yield = {});

// The same search on a board made by the caller, with its castling flags and en-passant cell
// as they are (a whole FEN carries both). The board must pass `IsSearchablePosition`.
MateSolution SolveMateOnBoard(const SolverBoard& board, int maxMoves, int side,
                              const std::atomic<bool>& stopFlag, const SolverYield& yield = {});

class FastMateSearch;

// Exact answers to many questions about one problem, for callers that walk the whole tree
// (every key, every defence, tries). The proven and refuted positions are kept between the
// questions: the answers are exact either way, and the later ones come mostly from the table.
// After a stop every answer is false; check `Stopped()`.
class MateProver {
 public:
  MateProver(int attacker, const std::atomic<bool>& stopFlag, const SolverYield& yield = {});
  ~MateProver();
  MateProver(const MateProver&) = delete;
  MateProver& operator=(const MateProver&) = delete;

  // The attacker to move: does it force mate within `moves` (>= 1) moves?
  bool AttackerMates(const SolverBoard& board, int moves);
  // The defender to move: does every defence lose within `moves` further attacker moves?
  // With 0: is the defender mated now? (Stalemate is no loss.)
  bool DefenderLoses(const SolverBoard& board, int moves);
  bool Stopped() const;
  int Attacker() const { return attacker_; }

 private:
  int attacker_;
  std::unique_ptr<FastMateSearch> search_;
};

}  // namespace tavrel
