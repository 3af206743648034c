// The panel's default solver call: the mate-in-N solver.
#include "engine/solver.h"
#include "problems/probleme.h"

namespace tavrel {

SolverCall MateSolverCall() {
  return [](const std::string& placement, int maxMoves, int side, const std::atomic<bool>& stop) {
    MateSolution mate = SolveMate(placement, maxMoves, side, stop);
    return SolverAnswer{mate.moves, std::move(mate.solution)};
  };
}

}  // namespace tavrel
