// Chess rules on a board array: piece geometry, the king-attack test, the complete effect of a
// move and the mating-material count. Pure functions; the board array is the 66-character
// layout of ChessBoard::Squares() (index 0 = None, always empty; 1..64 = a8..h1).
#pragma once

#include "core/squares.h"

namespace tavrel::rules {

using Board = char[66];

// Geometry of one kind of piece (the letter on `from` decides the colour). The square
// arguments must be board squares (1..64).
bool PawnMoveValid(const char* b, int from, int to, int enPassant);
bool KnightMoveValid(int from, int to);
bool BishopMoveValid(const char* b, int from, int to);
bool RookMoveValid(const char* b, int from, int to);
bool QueenMoveValid(const char* b, int from, int to);
// One step in any direction, or one of the four castling forms with its right, rook, empty
// squares and unattacked squares.
bool KingMoveValid(const char* b, int from, int to, CastleSet castling);

// Is from -> to an en-passant capture? Only onto the en-passant square, which must be empty and
// on the mover's sixth rank (rank 6 for White, rank 3 for Black), by a pawn one rank below it on
// a neighbouring file, with an enemy pawn behind the square. Loaded files may name any square.
bool IsEnPassantCapture(const char* b, int from, int to, int enPassant);

// Geometry of whatever stands on `from`; false for an empty square.
bool GeometryValid(const char* b, int from, int to, CastleSet castling, int enPassant);

// Is the king of that colour attacked on this board? The first "K" / "k" counts. A board
// without a black king counts as black in check; one without a white king never as white.
bool KingAttacked(const char* b, bool whiteKing);

// Everything a move from -> to changes on the board besides the moving piece itself: the one
// description of a move's effect that the board's execution, the rules' look-ahead and the
// SAN/PGN replay all apply. The search and the solver keep their own fast make/unmake.
struct MoveEffect {
  char Moved = ' ';               // the piece on `from`
  char Captured = ' ';            // what stood on `to` (blank: nothing)
  Square EnPassantVictim = None;  // the pawn taken en passant
  Square RookFrom = None;         // the rook of a castling ...
  Square RookTo = None;           // ... and where it goes
  bool Promotes = false;          // a pawn reaches the last rank
  CastleSet Castling = 0;         // the rights after the move
  Square EnPassant = None;        // the square a pawn's double step passes over
};
MoveEffect EffectOf(const char* b, int from, int to, CastleSet rights, int enPassant);

// Plays a move with its effect on b: the piece moves, a pawn taken en passant disappears, the
// castling rook moves, a pawn reaching the last rank becomes `promotion` (colour by rank).
void ApplyEffect(char* b, int from, int to, const MoveEffect& e, char promotion);
void ApplyMove(char* b, int from, int to, int enPassant, char promotion);

// The castling rights left after a move from `from`: as on the board, they go with the
// from-square only (a king or rook leaving its home square).
CastleSet RightsAfterMoveFrom(CastleSet rights, int from);

// Mating material: bishop 3, knight 2, pawn/rook/queen 5; a side below 5 cannot mate.
int MaterialSum(const char* b, bool white);
inline bool InsufficientMaterial(const char* b) {
  return MaterialSum(b, true) < 5 && MaterialSum(b, false) < 5;
}

// The promoted piece for a pawn reaching `square`: the letter in upper case on rank 8, in
// lower case on rank 1, whatever the case of `piece`.
char PromotedLetter(char piece, int square);

}  // namespace tavrel::rules
