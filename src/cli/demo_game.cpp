// tavrel-demo: plays Morphy's "Opera Game" (Paris 1858) through the board core and prints the
// German move list, the way the program's move list shows it.
#include <cstdio>
#include <string>
#include <vector>

#include "core/chessboard.h"

int main() {
  using namespace tavrel;
  static const char* const kMoves[] = {
      "e2e4", "e7e5", "g1f3", "d7d6", "d2d4", "c8g4", "d4e5", "g4f3", "d1f3", "d6e5", "f1c4",
      "g8f6", "f3b3", "d8e7", "b1c3", "c7c6", "c1g5", "b7b5", "c3b5", "c6b5", "c4b5", "b8d7",
      "e1c1", "a8d8", "d1d7", "d8d7", "h1d1", "e7e6", "b5d7", "f6d7", "b3b8", "d7b8", "d1d8"};
  ChessBoard board;
  bool mate = false;
  board.OnMate = [&mate](ChessBoard*, Square, Square) { mate = true; };
  for (const char* m : kMoves) {
    Square from = SquareAt(m[0] - 'a' + 1, m[1] - '0'), to = SquareAt(m[2] - 'a' + 1, m[3] - '0');
    if (!board.ExecuteMove(from, to)) {
      std::fprintf(stderr, "Zug %s wurde abgelehnt\n", m);
      return 1;
    }
  }
  std::vector<std::string> lines;
  board.GetMoveList(lines);
  std::printf("Paul Morphy – Herzog von Braunschweig und Graf Isouard, Paris 1858\n\n");
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  if (mate) std::printf("\nMatt!\n");
  return mate ? 0 : 1;
}
