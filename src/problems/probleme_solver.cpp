// The panel's default solver call: the mate-in-N solver.
#include "problems/probleme.h"

#if __has_include("engine/solver.h")
#include "engine/solver.h"
#define TAVREL_HAVE_SOLVER 1
#endif

namespace tavrel {

SolverCall MateSolverCall() {
#ifdef TAVREL_HAVE_SOLVER
  return [](const std::string& placement, int maxMoves, int side, const std::atomic<bool>& stop) {
    MateSolution mate = SolveMate(placement, maxMoves, side, stop);
    return SolverAnswer{mate.moves, std::move(mate.solution)};
  };
#else
  return [](const std::string&, int, int, const std::atomic<bool>&) { return SolverAnswer{}; };
#endif
}

}  // namespace tavrel
