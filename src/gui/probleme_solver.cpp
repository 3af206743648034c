// The panel's default solver call: the mate-in-N solver.
#include "core/solver.h"
#include "gui/probleme.h"

namespace tavrel {

SolverCall MateSolverCall() {
  return [](const std::string& placement, int maxMoves, int side, const std::atomic<bool>& stop) {
    MateSolution mate = SolveMate(placement, maxMoves, side, stop);
    return SolverAnswer{mate.moves, std::move(mate.solution)};
  };
}

}  // namespace tavrel
