// Test positions for the search, written as FEN.
#pragma once

#include <cstring>
#include <sstream>
#include <string>

#include "core/search.h"

namespace tavrel::testing {

// Minimal FEN reader for well-formed test positions (placement, side, castling, en passant).
inline EnginePosition FromFen(const std::string& fen) {
  EnginePosition pos;
  std::memset(pos.squares, ' ', 64);
  std::istringstream in(fen);
  std::string placement, side = "w", castling = "-", ep = "-";
  in >> placement >> side >> castling >> ep;
  int sq = 0;
  for (char c : placement) {
    if (c == '/') continue;
    if (c >= '1' && c <= '8') {
      sq += c - '0';
    } else if (sq < 64) {
      pos.squares[sq++] = c;
    }
  }
  pos.whiteToMove = side != "b";
  pos.castling = 0;
  for (char c : castling) {
    if (c == 'K') pos.castling |= 1;
    if (c == 'Q') pos.castling |= 2;
    if (c == 'k') pos.castling |= 4;
    if (c == 'q') pos.castling |= 8;
  }
  pos.enPassant = 0;
  if (ep.size() == 2 && ep[0] >= 'a' && ep[0] <= 'h' && ep[1] >= '1' && ep[1] <= '8')
    pos.enPassant = uint8_t((8 - (ep[1] - '0')) * 8 + (ep[0] - 'a') + 1);
  return pos;
}

inline std::string MoveText(EngineMove m) {
  std::string s;
  s += char('a' + m.from % 8);
  s += char('8' - m.from / 8);
  s += char('a' + m.to % 8);
  s += char('8' - m.to / 8);
  if (m.promote) s += "?nbrq"[m.promote];
  return s;
}

}  // namespace tavrel::testing
