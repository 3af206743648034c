// tavrel-solve: the whole solution of a mate-in-N problem, proven by the exact mate solver.
//   tavrel-solve [--json] FEN N
// The FEN may be one argument or its fields as several; castling rights and the en-passant
// square count as given. Text output is German; --json prints one JSON object with UCI moves.
// Messages are German and go to stderr; the exit status is 1 on bad input, 2 on wrong use.
#include <atomic>
#include <charconv>
#include <iostream>
#include <string>
#include <vector>

#include "core/problem_solution.h"

int main(int argc, char** argv) {
  bool json = false;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--json") {
      json = true;
    } else if (arg == "-h" || arg == "--help") {
      std::cout << "Aufruf: tavrel-solve [--json] FEN N\n"
                   "Löst \"Matt in N Zügen\" für die Seite am Zug: Schlüsselzug, Drohung,\n"
                   "Varianten, Verführungen und (bei N = 2) Satzspiel.\n";
      return 0;
    } else {
      words.push_back(arg);
    }
  }
  if (words.size() < 2) {
    std::cerr << "tavrel-solve: Aufruf: tavrel-solve [--json] FEN N\n";
    return 2;
  }
  const std::string& count = words.back();
  int moves = 0;
  const auto [end, ec] = std::from_chars(count.data(), count.data() + count.size(), moves);
  if (ec != std::errc() || end != count.data() + count.size() || moves < 1 ||
      moves > tavrel::kMaxProblemMoves) {
    std::cerr << "tavrel-solve: die Zugzahl \"" << count << "\" muss zwischen 1 und "
              << tavrel::kMaxProblemMoves << " liegen\n";
    return 1;
  }
  std::string fen;
  for (size_t i = 0; i + 1 < words.size(); ++i) fen += (i ? " " : "") + words[i];
  std::string reason;
  const std::optional<tavrel::ProblemPosition> problem = tavrel::ReadProblemFen(fen, &reason);
  if (!problem) {
    std::cerr << "tavrel-solve: " << reason << "\n";
    return 1;
  }
  const std::atomic<bool> stop{false};
  const tavrel::ProblemSolution solution = tavrel::SolveProblem(*problem, moves, stop);
  if (json) {
    std::cout << tavrel::SolutionJson(solution) << "\n";
  } else {
    std::cout << tavrel::SolutionText(*problem, solution);
  }
  return 0;
}
