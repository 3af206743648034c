// Portable Game Notation and FEN for the game on a board: reading and writing PGN text, the
// game record as a PGN game and back, the FEN of the shown position and a new game from a FEN.
// Plain C++; the board resolves every move with its own rules, so an imported game is an
// ordinary game (record, move list, final position) as after loading a saved game.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/fen.h"

namespace tavrel {

class ChessBoard;

// A PGN or FEN text that cannot be used; the message is German and names the move (number
// and text) or the reason.
class PgnError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PgnGame {
  std::vector<std::pair<std::string, std::string>> Tags;  // in file order
  std::vector<std::string> Moves;                         // the SAN texts of the main line
  std::string Result = "*";  // termination marker: "1-0", "0-1", "1/2-1/2" or "*"
  // The movetext ended with its termination marker. Without one the game may be cut short
  // (a truncated file): its moves are read all the same.
  bool EndsWithResult = false;

  // The value of a tag, "" when absent.
  std::string Tag(std::string_view name) const;
  void SetTag(const std::string& name, const std::string& value);
};

// All games of a PGN text, in order. Comments ({...}, ; to the end of the line, % lines),
// variations (skipped, also nested), NAGs ($n, !, ?) and move numbers (with or without blanks,
// "12." or "12...") are read over. Throws PgnError for a broken tag, an unclosed comment or
// variation, or a closing ")" or "}" without its opening bracket (the moves around it cannot
// be told apart from a variation's); an empty list means the text holds no game.
std::vector<PgnGame> ReadPgn(std::string_view text);

// Largest PGN file the program reads.
inline constexpr std::size_t kMaxPgnFileBytes = std::size_t{16} << 20;

// The bytes of a PGN file: only a regular file of at most kMaxPgnFileBytes, opened without
// blocking (a named pipe would wait for a writer). Throws PgnError naming the file and the
// reason in German, the limit included.
std::string ReadPgnFile(const std::string& path);

// A piece of input for a message: short text as it is, a long one cut to its first
// characters with "…" and its length, so that a huge token never fills a message.
std::string Excerpt(std::string_view text);

// One game in export form: tags, a blank line, the movetext in lines of at most 80 columns
// ending with the result, a blank line. Move numbers follow the FEN tag when there is one.
std::string WritePgn(const PgnGame& game);

// The game on the board as a PGN game: the Seven Tag Roster (Event "Tavrel-Partie", Site
// "?", date as given "YYYY.MM.DD", Round "?", White, Black, Result from the final position)
// plus SetUp and FEN when the record does not start from the normal position.
PgnGame GameFromBoard(const ChessBoard& board, const std::string& white, const std::string& black,
                      const std::string& date);

// Today's local date as a PGN Date tag value, "YYYY.MM.DD".
std::string PgnToday();

// The result the record's final position shows: "1-0"/"0-1" after mate, "1/2-1/2" after
// stalemate, insufficient material or a third repetition, else "*".
std::string ResultOfBoard(const ChessBoard& board);

// Replays a PGN game on board as a new game (from the FEN tag when present) through the
// board's own move execution. Throws PgnError naming the move number and text for an
// unreadable or illegal move, or a game longer than the record; board then holds part of the
// game: use a scratch board and TakeOverGame to change nothing on failure.
void PlayPgnGame(const PgnGame& game, ChessBoard& board);

// The whole record of `from` in saved-game bytes (as SaveGame writes them); LoadGameBytes of
// these bytes makes another board hold the same game.
std::vector<uint8_t> GameBytes(const ChessBoard& from);

// The shown position as a 6-field FEN: the half-move clock counts back through the record to
// the last capture or pawn move (or the record's start), the move number is CurrentMove().
// Castling rights whose king or rook has left its square are not written.
std::string FenOfBoard(const ChessBoard& board);

// A FEN for a new game: the fields must be well-formed and the position playable (one king
// each, no pawn on the first or last rank, the side not to move not in check, an en-passant
// square behind a pawn that has just made a double step). Castling rights whose king or rook
// stands elsewhere are dropped. Throws PgnError with a German reason.
FenPosition ParseSetUpFen(std::string_view fen);

// A new game on board from a FEN checked by ParseSetUpFen.
void StartFromFen(ChessBoard& board, const FenPosition& position);

}  // namespace tavrel
