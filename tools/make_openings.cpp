// Produces the stored openings: plays each opening's moves from the start position through
// ExecuteMove and saves the game with SaveGame, so the embedded items are exactly what the
// board itself writes.
//   make_openings OUTDIR            writes OUTDIR/E001.spa .. E026.spa
//   make_openings --check DIR       compares DIR/E0xx.spa with freshly produced bytes
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/openings.h"
#include "core/chessboard.h"

namespace fs = std::filesystem;

namespace {

std::vector<char> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Plays and saves one opening to path; throws on any mismatch with the table.
void Produce(const tavrel::OpeningInfo& opening, const fs::path& path) {
  tavrel::ChessBoard board;
  board.NewGame();
  tavrel::PlayOpening(board, opening);
  if (board.WhiteToMoveAtEnd() != opening.WhiteToMoveAtEnd)
    throw tavrel::OpeningError(std::string(opening.Caption) + ": falsche Seite am Zug");
  board.SaveGame(path.string());
  if (fs::file_size(path) != static_cast<uintmax_t>(opening.Bytes))
    throw tavrel::OpeningError(std::string(opening.Caption) + ": falsche Dateigröße");
}

}  // namespace

int main(int argc, char** argv) {
  const bool check = argc == 3 && std::string(argv[1]) == "--check";
  if (argc != 2 && !check) {
    std::fprintf(stderr, "usage: %s OUTDIR | --check DIR\n", argv[0]);
    return 2;
  }
  const fs::path dir = argv[argc - 1];
  try {
    fs::path scratch;
    if (check) {
      scratch = fs::temp_directory_path() / ("make_openings." + std::to_string(::getpid()));
      fs::create_directories(scratch);
    }
    int differing = 0;
    for (const tavrel::OpeningInfo& opening : tavrel::Openings()) {
      const std::string file = std::string(opening.DataItem) + ".spa";
      Produce(opening, (check ? scratch : dir) / file);
      if (check && ReadAll(scratch / file) != ReadAll(dir / file)) {
        std::fprintf(stderr, "%s differs from the freshly produced game\n", (dir / file).c_str());
        ++differing;
      }
    }
    if (check) fs::remove_all(scratch);
    return differing == 0 ? 0 : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_openings: %s\n", e.what());
    return 1;
  }
}
