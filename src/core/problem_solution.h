// The whole solution of a mate-in-N problem as a problemist writes it: every key, the threat,
// the variations, the tries with their refutations and, for a two-mover, the set play. All
// answers come from the exact mate prover of the solver, so they are proofs, not estimates.
// Also the questions a trainer asks move by move, and the German notation of the moves.
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fen.h"
#include "core/solver.h"

namespace tavrel {

// A position read from a whole FEN: the side to move is the attacker.
struct ProblemPosition {
  SolverBoard board;
  int side = kSolverWhite;
};

// Largest N a problem may ask for.
inline constexpr int kMaxProblemMoves = 12;

// Reads a FEN with its castling rights and en-passant square. A right whose king or rook is
// not at home, or an en-passant square no pawn can just have passed, could never be used and
// is dropped. Nothing, with a German reason, for unreadable text or a position that cannot be
// solved: not one king of each colour, more than 16 pieces or 8 pawns of a colour, a pawn on
// the first or last rank, the side not to move in check, the side to move already mated or
// stalemated.
std::optional<ProblemPosition> ReadProblemFen(std::string_view fen, std::string* reason);
// The same for a FEN already read.
std::optional<ProblemPosition> ToProblemPosition(const FenPosition& fen, std::string* reason);

// The same position for the board's own rules (notation, the trainer's board).
FenPosition ToFenPosition(const SolverBoard& board, int side);

// Legal moves of side s, pieces in ascending cell order, each in generation order.
std::vector<SolverMove> LegalSolverMoves(const SolverBoard& board, int side);

// The board after `move` of side s.
SolverBoard After(const SolverBoard& board, const SolverMove& move, int side);

// The move among `moves` with the same squares and promotion piece, if any.
std::optional<SolverMove> FindMove(const std::vector<SolverMove>& moves, int from, int to,
                                   char promotion);

// Exact questions of a trainer or a solution writer. `prover` belongs to the attacker.
// Attacker to move: the shortest mate within maxMoves, 0 when there is none.
int ShortestMate(MateProver& prover, const SolverBoard& board, int maxMoves);
// Defender to move: the attacker moves still needed (0 = mated now), -1 when more than maxMoves.
int ShortestLoss(MateProver& prover, const SolverBoard& board, int maxMoves);

struct Defence {
  SolverMove move;
  int attackerMoves = 0;  // the attacker's shortest mate after it
};
// Defender to move, losing within `moves`: every defence, the longest first; among equally
// long ones those that parry the threat first, then in generation order.
std::vector<Defence> OrderedDefences(MateProver& prover, const SolverBoard& board, int moves);
// Defender to move, the attacker having `moves` left: a defence after which there is no mate
// within moves - 1 (or none within moves: every reply refutes), kind 0 when every defence loses.
SolverMove Refutation(MateProver& prover, const SolverBoard& board, int moves);
// Attacker to move with a mate in exactly `moves` (its shortest): the line to mate, the
// attacker's first move in generation order at each step and the longest defence.
std::vector<SolverMove> MatingLine(MateProver& prover, const SolverBoard& board, int moves);
// Defender to move: the threat, the attacker's shortest mate within `moves` if the defender
// could pass. Empty when the defender is in check or there is none.
std::vector<SolverMove> Threat(MateProver& prover, const SolverBoard& board, int moves);

struct SolutionKey {
  SolverMove move;
  int mateIn = 0;  // this key's own shortest mate
};
struct SolutionVariation {
  SolverMove defence;
  std::vector<SolverMove> line;  // the attacker's continuation to mate with the defences
};
struct SolutionTry {
  SolverMove move;
  SolverMove refutation;
};
struct SetPlayLine {
  SolverMove defence;
  SolverMove mate;
};

struct ProblemSolution {
  int requested = 0;              // N
  int mateIn = 0;                 // the shortest mate K, 0 when there is no key
  std::vector<SolutionKey> keys;  // the shortest first, then in generation order
  bool keyGivesCheck = false;     // the first key checks: no threat, and no zugzwang either
  std::vector<SolverMove> threat;  // of the first key; empty: none (zugzwang unless a check)
  std::vector<SolutionVariation> variations;
  std::vector<SolutionTry> tries;
  std::vector<SetPlayLine> setPlay;  // N = 2 only
  bool stopped = false;              // the stop flag was raised: the rest is incomplete
};

// The solution of "attacker mates in `moves`" (1..kMaxProblemMoves).
ProblemSolution SolveProblem(const ProblemPosition& problem, int moves,
                             const std::atomic<bool>& stopFlag, const SolverYield& yield = {});

// German short notation: "Dxf7#", "Sbd7", "0-0-0", "exd6 e.p.", "e8=D+".
std::string GermanMove(const SolverBoard& board, int side, const SolverMove& move);
// A line in move-number notation, the first move by `mover`, numbered by the attacker's moves
// from `number`: "1... Lxf3 2. Dxf3#".
std::string GermanLine(const SolverBoard& board, int mover, int attacker, int number,
                       const std::vector<SolverMove>& moves);

// The solution as text, in German terms: Schlüsselzug, Nebenlösung, Drohung or Zugzwang,
// Varianten, Verführungen with their Widerlegung, Satzspiel.
std::string SolutionText(const ProblemPosition& problem, const ProblemSolution& solution);

// One JSON object with every move in UCI notation: mate_in, keys, threat, variations, tries,
// set_play.
std::string SolutionJson(const ProblemSolution& solution);

}  // namespace tavrel
