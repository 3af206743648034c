// A literal, unoptimised reading of the shortest-mate search, built from the solver's own
// board, generator and move execution: no tables, no move ordering, pieces in list order and
// moves in generation order. The fast solver must give exactly its answers.
#pragma once

#include <string_view>

#include "core/solver.h"

namespace tavrel {

MateSolution ReferenceSolveMate(std::string_view placement, int maxMoves, int side);

}  // namespace tavrel
