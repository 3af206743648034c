#pragma once
// Text conversions of the problem panel, free of any window code: board text to solver input,
// the solver's English piece letters to German ones, the German letters of the entry grid, the
// move counts typed or stored for a problem, and the captions the panel shows.
//
// Board text: 64 characters a8, b8, ..., h8, a7, ..., h1; " PNBRQKpnbrqk" (blank = empty).
// Grid letters: B Bauer, L Läufer, S Springer, T Turm, D Dame, K König; upper case White.
// Strings are UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace tavrel {

// Piece-placement field of FEN for a board text, with a "/" after every rank, the last one
// included: "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/" for the initial position. Every run
// of blanks inside a rank becomes its length as one digit. A shorter text counts as padded with
// blanks; characters after the 64th are ignored; other characters are copied as they are (the
// solver then refuses the placement).
std::string PositionToPlacement(std::string_view board);

// The solver's first move with German piece letters: every "R" becomes "T", then every "N"
// "S", every "B" "L", every "Q" "D" and every "P" "B", in this order, so that a bishop's "L" is
// made before a pawn's "B". Lower-case letters (squares, "x", "e.p") stay as they are.
std::string TranslateSolutionLetters(std::string_view move);

// One grid letter to a board character: B, L, S, T, D, K and their lower-case forms map to
// P, B, N, R, Q, K (lower case likewise); any other character gives a blank (empty square).
char GridLetterToBoard(char letter);
// One board character to its grid letter: p b n r q to b l s t d, upper case likewise; kings,
// blanks and anything else stay as they are.
char BoardLetterToGrid(char piece);

// The board text for 64 grid cells (row 0 to 7, column 0 to 7 within a row): the first
// character of each cell through GridLetterToBoard; an empty cell is an empty square.
std::string GridToPosition(const std::string (&cells)[64]);

// Number typed for a new problem's move count, read like this: leading blanks skipped, an
// optional sign, then digits up to the first other character (nothing read gives 0). The value
// saturates at the int range. Below 1 the result is 3, above 12 it is 12.
int StoredMoveCount(std::string_view typed);

// The move-count line of a stored problem as a decimal integer: optional leading blanks, an
// optional sign, at least one digit, nothing after, within the 32-bit range. Nothing otherwise.
std::optional<int> ParseMoveCountLine(std::string_view line);

// Message for a move-count line that is not an integer, as the error box shows it.
std::string InvalidIntegerMessage(std::string_view line);

// Caption of the bar above the board for a chosen problem title T: the part of T up to and
// including its first ".", then "Problem : ", then at most 255 characters of the rest, then five
// blanks. "3. Turmleiter" gives "3.Problem :  Turmleiter     ".
std::string ProblemCaption(std::string_view title);

// Title of a new problem: the number of list entries before it, ". " and the name.
std::string NewProblemTitle(int entries, std::string_view name);

// The mate announcement: "Matt in 1 Zug", otherwise "Matt in <moves> Zügen".
std::string MateAnnouncement(int moves);

}  // namespace tavrel
