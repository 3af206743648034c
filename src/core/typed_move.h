// A move typed by a person: SAN with German or English letters ("Sf3", "Nf3", "0-0", "O-O",
// "exd5", "e8=D", "e8=Q") or coordinates ("e2e4", "e2-e4", "e7e8q"), read in one position.
// Tells apart text that names no legal move, a move that the other side could make, and a
// piece move that more than one piece could make, so that the person learns what was wrong.
#pragma once

#include <string_view>

#include "core/san.h"

namespace tavrel {

struct TypedMove {
  enum Outcome { Ok, Empty, NoMove, Ambiguous, OtherSide };
  Outcome outcome = NoMove;
  SanMove move;  // only for Ok
};

TypedMove ReadTypedMove(const FenPosition& position, std::string_view text);

}  // namespace tavrel
