// Square numbering, square arithmetic and castling-right bits shared by the rules, the
// drawing, the input, the engines and the file formats.
#pragma once

#include <cstdint>

namespace tavrel {

// One byte per square, rank 8 first: square = (8 - rank) * 8 + file, file 1..8 = a..h.
// None (0) is "no square"; the board array keeps index 0 empty so None reads as empty.
enum Square : uint8_t {
  None = 0,
  A8 = 1,
  B8,
  C8,
  D8,
  E8,
  F8,
  G8,
  H8,
  A7,
  B7,
  C7,
  D7,
  E7,
  F7,
  G7,
  H7,
  A6,
  B6,
  C6,
  D6,
  E6,
  F6,
  G6,
  H6,
  A5,
  B5,
  C5,
  D5,
  E5,
  F5,
  G5,
  H5,
  A4,
  B4,
  C4,
  D4,
  E4,
  F4,
  G4,
  H4,
  A3,
  B3,
  C3,
  D3,
  E3,
  F3,
  G3,
  H3,
  A2,
  B2,
  C2,
  D2,
  E2,
  F2,
  G2,
  H2,
  A1,
  B1,
  C1,
  D1,
  E1,
  F1,
  G1,
  H1  // H1 = 64
};

// 1 = a-file.
constexpr int FileOf(int square) {
  return ((square - 1) % 8) + 1;
}
// 1 = rank 1.
constexpr int RankOf(int square) {
  return 8 - (square - 1) / 8;
}
// None when file or rank lies outside 1..8.
constexpr Square SquareAt(int file, int rank) {
  if (file < 1 || file > 8 || rank < 1 || rank > 8) return None;
  return static_cast<Square>((8 - rank) * 8 + file);
}
constexpr bool IsBoardSquare(int square) {
  return square >= 1 && square <= 64;
}
// a8 and h1 are light.
constexpr bool IsLightSquare(int square) {
  return (square - 1) % 2 == ((square - 1) / 8) % 2;
}

// Castling rights as one byte: the enumerators are the bit masks, bit 0..3 in this order.
// The byte goes unchanged into the game record and the saved game file.
enum CanStillCastle : uint8_t {
  WhiteKingSide = 1,
  WhiteQueenSide = 2,
  BlackKingSide = 4,
  BlackQueenSide = 8,
};
using CastleSet = uint8_t;
constexpr CastleSet AllCastling = 15;
constexpr bool HasRight(CastleSet set, CanStillCastle right) {
  return (set & right) != 0;
}

// 1 for a white piece letter ("PNBRQK"), 0 for a black one ("pnbrqk"), -1 otherwise.
constexpr int PieceColorOf(char c) {
  switch (c) {
    case 'P':
    case 'N':
    case 'B':
    case 'R':
    case 'Q':
    case 'K':
      return 1;
    case 'p':
    case 'n':
    case 'b':
    case 'r':
    case 'q':
    case 'k':
      return 0;
    default:
      return -1;
  }
}
// Blank or one of the twelve piece letters: the only characters a board may hold.
constexpr bool IsBoardChar(char c) {
  return c == ' ' || PieceColorOf(c) >= 0;
}

// The piece letters of both languages, in the same order: king, queen, rook, bishop, knight,
// pawn. The German pawn "B" (Bauer) is not the English bishop "B": always convert through here.
inline constexpr char kEnglishLetters[] = "KQRBNP";
inline constexpr char kGermanLetters[] = "KDTLSB";

// The German letter (upper case) of an English piece letter of either case; 0 for anything else.
constexpr char GermanLetterOf(char english) {
  const char upper = english >= 'a' && english <= 'z' ? static_cast<char>(english - 32) : english;
  for (int i = 0; i < 6; ++i)
    if (kEnglishLetters[i] == upper) return kGermanLetters[i];
  return 0;
}
// The English letter of a German upper-case piece letter; 0 for anything else.
constexpr char EnglishLetterOf(char german) {
  for (int i = 0; i < 6; ++i)
    if (kGermanLetters[i] == german) return kEnglishLetters[i];
  return 0;
}

static_assert(SquareAt(1, 8) == A8 && SquareAt(8, 1) == H1 && SquareAt(5, 1) == E1);
static_assert(FileOf(E4) == 5 && RankOf(E4) == 4 && SquareAt(0, 4) == None);
static_assert(IsLightSquare(A8) && IsLightSquare(H1) && !IsLightSquare(A1));
static_assert(GermanLetterOf('q') == 'D' && GermanLetterOf('P') == 'B' && EnglishLetterOf('B') == 'P');

}  // namespace tavrel
