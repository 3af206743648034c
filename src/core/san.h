// Standard algebraic notation (SAN) of one move in one position, both ways, and the position
// after a move. Everything works on FenPosition values with the board's own rules
// (board/rules.h), so PGN, FEN and the tools share one notion of a legal move; the threefold
// repetition, which only the game record knows, plays no part here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fen.h"

namespace tavrel {

struct SanMove {
  Square From = None;
  Square To = None;
  char Promotion = 0;  // 'Q', 'R', 'B' or 'N' for a pawn reaching the last rank, else 0
  bool operator==(const SanMove&) const = default;
};

// Is from -> to a legal move for the side to move (the own king not attacked afterwards)?
bool IsLegalIn(const FenPosition& position, int from, int to);

// Every legal move; a promotion appears once per piece Q, R, B, N.
std::vector<SanMove> LegalMovesIn(const FenPosition& position);

// The position after a legal move, as the board plays it: castling rook, pawn taken en
// passant, promotion, the new en-passant square, the rights lost by the from-square, the side
// to move and both counters.
FenPosition PositionAfter(const FenPosition& position, const SanMove& move);

// "Nbd7", "R1e2", "Qh4xe1", "exd6", "O-O-O", "e8=N+", "Qf7#": English letters, disambiguation
// by file, then rank, then both, "+" for check and "#" for mate.
std::string ToSan(const FenPosition& position, const SanMove& move);

// The legal move a SAN text names. Tolerant of "0-0", German piece letters (K D T L S),
// promotion with or without "=" (default queen), long forms such as "e2-e4", "Sg1-f3" or
// "g1f3", and trailing "+", "#", "!", "?" or "e.p.". Nothing for unreadable, illegal or
// ambiguous text.
std::optional<SanMove> ParseSan(const FenPosition& position, std::string_view text);

// Long algebraic notation as UCI speaks it: "e2e4", "e7e8q", castling as the king's move
// ("e1g1"). Empty for a move without squares.
std::string UciOf(const SanMove& move);

// The legal move a UCI move text names, matched exactly (lower case, promotion letter required
// for a promotion and refused otherwise). Nothing for anything else: engines are not trusted.
std::optional<SanMove> ParseUciMove(const FenPosition& position, std::string_view text);

// The FEN value of the normal start position.
FenPosition StartPosition();

}  // namespace tavrel
