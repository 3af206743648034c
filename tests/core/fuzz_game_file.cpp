// Fuzz target: arbitrary bytes as a saved game file, then every record position shown, the
// rules asked, the move list built and one move played. Nothing may read or write out of range
// or put anything but the 13 board characters on the board.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/chessboard.h"

namespace {

void Exercise(tavrel::ChessBoard& b) {
  for (int m = 1; m <= b.LastMoveNumber(); ++m) {
    for (bool white : {true, false}) {
      if (!b.GoToMove(m, white)) continue;
      for (int sq = 0; sq <= 65; ++sq)
        if (!tavrel::IsBoardChar(b.Squares()[sq]) && sq != 0 && sq != 65) std::abort();
      b.HasLegalMove();
    }
  }
  std::vector<std::string> lines;
  b.GetMoveList(lines);
  for (int f = 1; f <= 64; ++f)
    for (int t = 1; t <= 64; ++t)
      if (b.IsLegalMove(f, t)) {
        b.ExecuteMove(f, t);
        lines.clear();
        b.GetMoveList(lines);
        return;
      }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/tavrel-fuzz-" + std::to_string(::getpid()) + ".spa";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // Reused: a board owns an engine thread, and starting one per input would dominate the run.
  // Entries beyond a loaded record are never read, so what earlier inputs left there is moot.
  static tavrel::ChessBoard board, b2;
  board.NewGame();
  try {
    board.LoadGame(path);
    Exercise(board);
  } catch (const tavrel::GameFileError&) {
  }
  // The same bytes cut or padded to a whole number of groups reach the record every time.
  if (size >= 88) {
    const size_t groups = std::min<size_t>(std::max<size_t>((size - 88) / 264, 1), 256);
    std::vector<uint8_t> bytes(88 + groups * 264, 0);
    std::memcpy(bytes.data(), data, std::min(size, bytes.size()));
    b2.NewGame();
    b2.LoadGameBytes(bytes, "fuzz");
    Exercise(b2);
  }
  return 0;
}
