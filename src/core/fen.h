// Forsyth-Edwards notation for board texts: the perft tests, the tools and the command-line
// engine describe positions this way. Plain value types, no board object involved.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/squares.h"

namespace tavrel {

struct FenPosition {
  std::string Board = std::string(64, ' ');  // board text, a8..h8, a7..h1
  bool WhiteToMove = true;
  CastleSet Castling = 0;
  Square EnPassant = None;  // the square a double-stepping pawn passed over
  int HalfmoveClock = 0;
  int FullmoveNumber = 1;
};

// Parses the placement, side to move, castling and en-passant fields; the two counters are
// optional. Returns nothing (and a reason in *error) for malformed text.
std::optional<FenPosition> ParseFen(std::string_view fen, std::string* error = nullptr);

// All six fields.
std::string FormatFen(const FenPosition& position);

// The placement field alone for a 64-character board text (other characters count as empty).
std::string FormatPlacement(std::string_view board);

inline constexpr std::string_view kStartFen =
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

}  // namespace tavrel
