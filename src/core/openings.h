// The 26 stored openings: menu entries, the stored games' expected shape and the moves they
// play. The games themselves are saved-game files produced by tools/make_openings from this
// table and embedded in the program; this table is what both the tool and the tests read.
#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

class ChessBoard;

struct OpeningInfo {
  std::string_view MenuItem;  // component name of the menu item, also names the data item
  std::string_view Caption;   // menu text
  std::string_view DataItem;  // "E001" .. "E026"
  int Bytes;                  // size of the stored game
  int HalfMoves;              // lines of the move list
  bool WhiteToMoveAtEnd;
  // "1. d2-d4 d7-d5 2. c2-c4 ..." in move-list notation (German piece letters).
  std::string_view Moves;
};

// All 26, in menu order (alphabetical by caption).
std::span<const OpeningInfo> Openings();

// The opening whose menu item or data item equals name, ignoring case and any "&"; nullptr if
// there is none.
const OpeningInfo* FindOpening(std::string_view name);

// The move-list lines the opening must show: "N. move" for White, a tab and the move for Black.
std::vector<std::string> OpeningLines(const OpeningInfo& opening);

class OpeningError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Plays the opening's moves through ExecuteMove on a board standing at the start of a new
// game, and checks that every move is legal, moves the named piece and that the resulting move
// list equals OpeningLines. Throws OpeningError naming the opening and the move otherwise.
void PlayOpening(ChessBoard& board, const OpeningInfo& opening);

}  // namespace tavrel
