#include "test_solver_reference.h"

namespace tavrel {
namespace {

// Exhaustive search for "the attacker mates within n moves", ply counting the attacker's moves
// from 1.
class MateSearch {
 public:
  MateSearch(SolverBoard& board, int attacker) : board_(board), s_(attacker) {}

  const SolverMove& firstMove() const { return firstMove_; }

  bool SearchMate(int ply, int n) {
    const PieceList attackers = BuildPieceList(board_, s_);
    const PieceList defenders = BuildPieceList(board_, -s_);
    const SolverBoard saved = board_;
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

  SolverBoard& board_;
  const int s_;
  SolverMove firstMove_{};
};

}  // namespace

MateSolution ReferenceSolveMate(std::string_view placement, int maxMoves, int side) {
  MateSolution result;
  if (maxMoves < 1 || (side != kSolverWhite && side != kSolverBlack)) return result;
  SolverBoard board;
  if (!ParsePlacement(placement, board) || !IsSearchablePosition(board, side)) return result;
  const SolverBoard start = board;
  MateSearch search(board, side);
  for (int n = 1; n <= maxMoves; ++n) {
    const bool found = search.SearchMate(1, n);
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
