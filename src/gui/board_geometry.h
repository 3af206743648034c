// Pixel geometry of the board widget: where each square lies on screen in either orientation,
// which square a pixel hits, the square size that a control size gives, and the pixel paths of
// the move animation. Pure functions without Qt, so that tests can check them exhaustively.
#pragma once

#include <cstdint>
#include <vector>

#include "core/squares.h"

namespace tavrel {

// Edges of the board that show coordinates, stored as bits (West 1, North 2, East 4, South 8).
enum DisplayCoord : uint8_t { West = 1, North = 2, East = 4, South = 8 };
using CoordSet = uint8_t;

struct Pixel {
  int x = 0;
  int y = 0;
  friend bool operator==(const Pixel&, const Pixel&) = default;
};

// Square edge S, border width B and orientation: all that the mapping needs.
struct BoardLayout {
  int square = 40;
  int border = 24;
  bool whiteOnTop = false;

  // Screen column / line (0..7) of a board square 1..64.
  int Column(int sq) const { return whiteOnTop ? 7 - (sq - 1) % 8 : (sq - 1) % 8; }
  int Line(int sq) const { return whiteOnTop ? 7 - (sq - 1) / 8 : (sq - 1) / 8; }
  // Top-left pixel of a board square 1..64.
  Pixel PixelOf(int sq) const { return {border + Column(sq) * square, border + Line(sq) * square}; }
  // The square under a pixel of the control, None in the border and beyond the squares.
  Square SquareAtPixel(int x, int y) const {
    const int dx = x - border, dy = y - border;
    if (square <= 0 || dx < 0 || dy < 0 || dx >= 8 * square || dy >= 8 * square) return None;
    int column = dx / square, line = dy / square;
    if (whiteOnTop) column = 7 - column, line = 7 - line;
    return static_cast<Square>(line * 8 + column + 1);
  }
  // Edge of the whole control: 8 squares and the border on both sides.
  int Edge() const { return 8 * square + 2 * border; }
};

// The square edge a control of width x height settles on: the mean of both edges, less the
// border on both sides, divided among eight squares. At least 1, so that a control smaller
// than its border keeps a usable (if tiny) board instead of wrapping around.
constexpr int SquareSizeFor(int width, int height, int border) {
  const int s = ((width + height) / 2 - 2 * border) / 8;
  return s < 1 ? 1 : s;
}

// A piece set is six cells wide and four high: width * 2 == height * 3, and not empty.
constexpr bool IsValidPieceSet(int width, int height) {
  return width > 0 && height > 0 && width * 2 == height * 3;
}

// Offset of a piece image of edge `cell` inside a square of edge `square`: centred,
// truncated towards zero (negative when the image is larger than the square).
constexpr int PieceOffset(int square, int cell) {
  return (square - cell) / 2;
}

// Positions of a one-pixel slide along the straight line from p0 to p1, both ends included;
// empty when the points are equal. The longer axis steps by one pixel; the other coordinate
// accumulates in double precision and is truncated for each drawn position.
std::vector<Pixel> StraightSlide(Pixel p0, Pixel p1);

// The path of an animated move: a knight slides horizontally at p0's height first, then
// vertically at p1's column; every other piece along the straight line.
std::vector<Pixel> MoveSlide(Pixel p0, Pixel p1, bool knight);

}  // namespace tavrel
