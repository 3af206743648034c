// Random keys for position hashing (Zobrist): one per piece on a square, side, castling rights,
// en-passant square, and the remaining depth and ply of a search node.
#pragma once

#include <cstdint>

namespace tavrel::engine {

struct HashKeys {
  uint64_t piece[2][6][64];
  uint64_t blackToMove;
  uint64_t castling[16];
  uint64_t enPassant[65];  // index square + 1; 0 = none (key 0)
  uint64_t depth[128];
  uint64_t ply[64];

  constexpr HashKeys() : piece(), blackToMove(), castling(), enPassant(), depth(), ply() {
    uint64_t state = 0x5EED5EED1234ABCDull;
    auto next = [&state] {
      uint64_t z = (state += 0x9E3779B97F4A7C15ull);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      return z ^ (z >> 31);
    };
    for (auto& colour : piece)
      for (auto& p : colour)
        for (uint64_t& k : p) k = next();
    blackToMove = next();
    for (uint64_t& k : castling) k = next();
    for (int i = 1; i < 65; ++i) enPassant[i] = next();
    for (uint64_t& k : depth) k = next();
    for (uint64_t& k : ply) k = next();
  }
};

inline constexpr HashKeys kHashKeys{};

inline uint64_t PieceKey(int colour, int piece, int sq) {
  return kHashKeys.piece[colour][piece][sq];
}

}  // namespace tavrel::engine
