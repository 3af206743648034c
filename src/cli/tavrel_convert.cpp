// tavrel-convert: saved games between Tavrel's own ".spa" format and PGN, and the FEN of a
// game's final position.
//   tavrel-convert IN OUT        .spa -> .pgn, .pgn -> .spa (by the file extensions)
//   tavrel-convert --fen GAME    prints the FEN of the final position of a .spa or .pgn game
// Messages are German and go to stderr; the exit status is 1 on failure, 2 on wrong use.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "core/chessboard.h"
#include "core/pgn.h"
#include "core/problem_file.h"

namespace {

using tavrel::ChessBoard;

class ConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Kind { Spa, Pgn };

Kind KindOf(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".spa") return Kind::Spa;
  if (ext == ".pgn") return Kind::Pgn;
  throw ConvertError("\"" + path + "\": unbekannte Endung (erwartet .spa oder .pgn)");
}

// Loads the game into board and leaves the board at its final position.
void LoadGame(const std::string& path, ChessBoard& board) {
  if (KindOf(path) == Kind::Spa) {
    board.NewGame();
    board.LoadGame(path);
    board.GoToMove(board.LastMoveNumber(), board.WhiteToMoveAtEnd());
    return;
  }
  const std::vector<tavrel::PgnGame> games = tavrel::ReadPgn(tavrel::ReadPgnFile(path));
  if (games.empty()) throw ConvertError("\"" + path + "\" enthält keine Partie");
  if (games.size() > 1)
    std::cerr << "tavrel-convert: \"" << path << "\" enthält " << games.size()
              << " Partien; die erste wird gelesen\n";
  tavrel::PlayPgnGame(games.front(), board);
  if (!games.front().EndsWithResult)
    std::cerr << "tavrel-convert: Hinweis: Die Partie in \"" << path
              << "\" endet ohne Ergebnis (1-0, 0-1, 1/2-1/2 oder *); die Datei ist vielleicht "
                 "unvollständig.\n";
}

void SaveGame(const ChessBoard& board, const std::string& path) {
  if (KindOf(path) == Kind::Spa) {
    board.SaveGame(path);
    return;
  }
  const std::string text =
      tavrel::WritePgn(tavrel::GameFromBoard(board, "?", "?", tavrel::PgnToday()));
  tavrel::WriteFileAtomically(path, text);  // its error names the file and the reason
}

int Usage() {
  std::cerr << "Aufruf: tavrel-convert EINGABE AUSGABE   (.spa <-> .pgn nach der Endung)\n"
               "        tavrel-convert --fen PARTIE    (FEN der Endstellung)\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return Usage();
  const std::string first = argv[1], second = argv[2];
  try {
    ChessBoard board;
    if (first == "--fen") {
      LoadGame(second, board);
      std::cout << tavrel::FenOfBoard(board) << '\n';
      return 0;
    }
    if (!first.empty() && first[0] == '-') return Usage();
    KindOf(second);  // refuse an unknown output type before reading anything
    LoadGame(first, board);
    SaveGame(board, second);
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "tavrel-convert: " << e.what() << '\n';
    return 1;
  }
}
