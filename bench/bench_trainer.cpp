// Times what the problem trainer asks the prover, over the whole shipped collection:
//  - opening a problem (is there a mate in N at all?);
//  - each reply to a first move, for every legal first move (the user may play any): judging
//    it, then the longest defence or the refutation;
//  - the whole solution (keys, threat, variations, tries, set play) of every problem.
// Prints per stipulation the worst reply and the median and worst whole solution, CPU time.
//
//   bench_trainer [collection.txt]
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "core/problem_solution.h"

namespace {

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Figures {
  int problems = 0;
  double worstOpen = 0, worstReply = 0;
  std::string worstReplyName;
  std::vector<double> solutions;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string path =
      argc > 1 ? argv[1] : std::string(TAVREL_SOURCE_DIR) + "/resources/problems/mtavrel.txt";
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "bench_trainer: %s kann nicht geöffnet werden\n", path.c_str());
    return 1;
  }
  std::map<int, Figures> byMoves;
  std::string title, count, board;
  const std::atomic<bool> stop{false};
  while (std::getline(in, title) && std::getline(in, count) && std::getline(in, board)) {
    const int n = std::stoi(count);
    board.resize(64, ' ');
    std::string placement = tavrel::BoardTextToPlacement(board);
    placement.pop_back();
    const auto problem = tavrel::ReadProblemFen(placement + " w KQkq - 0 1", nullptr);
    if (!problem || n > 5) continue;
    Figures& f = byMoves[n];
    ++f.problems;
    tavrel::MateProver prover(tavrel::kSolverWhite, stop);
    double t0 = CpuMs();
    tavrel::ShortestMate(prover, problem->board, n);
    f.worstOpen = std::max(f.worstOpen, CpuMs() - t0);
    for (const tavrel::SolverMove& m : tavrel::LegalSolverMoves(problem->board, 1)) {
      t0 = CpuMs();
      const tavrel::SolverBoard next = tavrel::After(problem->board, m, 1);
      if (!prover.DefenderLoses(next, 0)) {
        if (n > 1 && prover.DefenderLoses(next, n - 1)) {
          const int needed = tavrel::ShortestLoss(prover, next, n - 1);
          tavrel::OrderedDefences(prover, next, needed);
        } else {
          tavrel::Refutation(prover, next, n - 1);
        }
      }
      const double ms = CpuMs() - t0;
      if (ms > f.worstReply) {
        f.worstReply = ms;
        f.worstReplyName = title + " " + tavrel::ToUciMove(m);
      }
    }
    {
      t0 = CpuMs();
      tavrel::SolveProblem(*problem, n, stop);
      f.solutions.push_back(CpuMs() - t0);
    }
  }
  std::printf("%-4s %8s %12s %12s %14s %14s  %s\n", "#N", "Probleme", "Öffnen max", "Antwort max",
              "Lösung Median", "Lösung max", "langsamste Antwort");
  for (const auto& [n, f] : byMoves) {
    const bool solutions = !f.solutions.empty();
    std::printf("#%-3d %8d %9.1f ms %9.1f ms %11s %14s  %s\n", n, f.problems, f.worstOpen,
                f.worstReply,
                solutions ? (std::to_string(Median(f.solutions)).substr(0, 5) + " ms").c_str() : "-",
                solutions ? (std::to_string(*std::max_element(f.solutions.begin(), f.solutions.end()))
                                 .substr(0, 6) + " ms").c_str() : "-",
                f.worstReplyName.c_str());
  }
  return 0;
}
