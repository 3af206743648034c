#include "core/solved_problems.h"

#include <charconv>
#include <system_error>

#include "core/problem_file.h"
#include "core/solver.h"

namespace tavrel {
namespace fs = std::filesystem;

namespace {

// One mark line: a move count 1..99 and a placement the solver reads.
bool ValidLine(std::string_view line) {
  const size_t blank = line.find(' ');
  if (blank == std::string_view::npos || blank == 0 || blank > 2) return false;
  int moves = 0;
  const auto [end, ec] = std::from_chars(line.data(), line.data() + blank, moves);
  if (ec != std::errc() || end != line.data() + blank || moves < 1) return false;
  SolverBoard board;
  const std::string_view placement = line.substr(blank + 1);
  return placement.size() <= 80 && ParsePlacement(placement, board);
}

fs::path FreeAsideName(const fs::path& file) {
  for (int i = 1;; ++i) {
    fs::path aside = file;
    aside += i == 1 ? std::string(kDamagedSuffix) : kDamagedSuffix + std::to_string(i);
    std::error_code ec;
    if (!fs::exists(aside, ec)) return aside;
  }
}

}  // namespace

std::string SolvedKey(int moves, std::string_view boardText) {
  return std::to_string(moves) + " " + BoardTextToPlacement(boardText);
}

SolvedLoad LoadSolved(const fs::path& file) {
  SolvedLoad result;
  std::error_code ec;
  if (!fs::exists(file, ec)) return result;
  std::string text;
  bool broken = false;
  try {
    text = ReadWholeFile(file, size_t{4} << 20);
  } catch (const std::exception&) {
    broken = true;
  }
  if (!broken) {
    size_t start = 0;
    bool first = true;
    while (start < text.size() && !broken) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) end = text.size();
      const std::string_view line(text.data() + start, end - start);
      if (first) {
        broken = line != kSolvedHeader;
        first = false;
      } else if (!line.empty()) {
        broken = !ValidLine(line);
        if (!broken) result.keys.emplace(line);
      }
      start = end + 1;
    }
    broken = broken || first;  // an empty file has no header either
  }
  if (!broken) return result;
  result.keys.clear();
  const fs::path aside = FreeAsideName(file);
  fs::rename(file, aside, ec);
  result.writable = !ec;
  result.problem = "Die Datei „" + file.string() + "“ mit den gelösten Problemen ist beschädigt. " +
                   (ec ? "Sie konnte nicht beiseitegelegt werden (" + ec.message() +
                             "); sie bleibt unverändert, neue Markierungen werden nicht gespeichert."
                       : "Sie wurde als „" + aside.string() +
                             "“ aufbewahrt; die Markierungen beginnen leer.");
  return result;
}

void SaveSolved(const fs::path& file, const std::set<std::string>& keys) {
  std::string text = std::string(kSolvedHeader) + "\n";
  for (const std::string& key : keys) text += key + "\n";
  WriteFileAtomically(file, text);
}

}  // namespace tavrel
