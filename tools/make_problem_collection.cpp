// make-problem-collection: writes the readable source of the shipped problem collection
// (resources/problems/mtavrel.txt) and its provenance table (resources/problems/PROVENANCE.md)
// from the composed direct mates in Debian's pychess package, keeping the game positions below.
//
//   make-problem-collection [--puzzles DIR] [--out DIR] [--limit-ms N] [--keep-limit-ms N]
//                           [--per-group N]
//
// Without --puzzles the tool fetches the package itself into a temporary folder
// ("apt-get download pychess", "dpkg-deb -x"); pychess is needed neither to build nor to run
// Tavrel. Only works of composers who died before 1956 are taken, and of them only problems the
// solver proves: a mate in exactly the stated number of moves whose first move, in the solver's
// order, is the composer's key, found within the time limit (CPU time of this thread; a little
// more for a problem the current source already has). Every problem left out is counted with its
// reason.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "core/solver.h"

namespace fs = std::filesystem;

namespace {

// The composers whose works are taken, as the .olv files spell them, with the years checked
// against the usual references: all died before 1956, so their works are in the public domain.
struct Composer {
  const char* olvName;
  const char* titleName;  // as the list box shows it (German transliteration)
  const char* fullName;
  int born;
  int died;
};

const Composer kComposers[] = {
    {"Алехин, Александр Александрович", "A. Aljechin", "Alexander Aljechin (Alekhine)", 1892, 1946},
    {"Baird, Edith Elina Helen", "E. Baird", "Edith Elina Helen Baird", 1859, 1924},
    {"Dawson, Thomas Rayner", "T. R. Dawson", "Thomas Rayner Dawson", 1889, 1951},
    {"Horwitz, Bernhard", "B. Horwitz", "Bernhard Horwitz", 1807, 1885},
    {"Куббель, Леонид Иванович", "L. Kubbel", "Leonid Kubbel", 1891, 1942},
    {"Lasker, Emanuel", "Em. Lasker", "Emanuel Lasker", 1868, 1941},
    {"Loyd, Samuel", "S. Loyd", "Samuel Loyd", 1841, 1911},
    {"Réti, Richard", "R. Réti", "Richard Réti", 1889, 1929},
    {"Троицкий, Алексей Алексеевич", "A. Troizki", "Alexei Troizki (Troitzky)", 1866, 1942},
};

// Positions from games and the smothered mate, kept by name from the current source; they go
// first among the problems of their length, in this order. Their names are short enough for the
// list box; the table of origins gives the game in full.
struct KeptName {
  const char* name;
  const char* players;
  const char* event;
  const char* year;
};
const KeptName kKeptNames[] = {
    {"Morphy, Paris 1858", "Morphy - Herzog Karl von Braunschweig und Graf Isouard", "Paris",
     "1858"},
    {"Legall, Paris 1750", "Legall - Saint Brie", "Paris", "1750"},
    {"Greco 1620, Owen", "Greco, Owen-Verteidigung", "Greco's manuscripts", "1620"},
    {"Greco 1620, Damiano", "Greco, Damiano-Verteidigung", "Greco's manuscripts", "1620"},
    {"Greco 1620, Italienisch", "Greco, Italienische Partie", "Greco's manuscripts", "1620"},
    {"Holländer-Falle", "Holländische Verteidigung, Eröffnungsfalle", "opening trap", ""},
    {"Réti - Tartakower 1910", "Réti - Tartakower", "Wien", "1910"},
    {"Unsterbliche Partie", "Anderssen - Kieseritzky", "London", "1851"},
    {"Ed. Lasker - Thomas", "Ed. Lasker - Thomas", "London", "1912"},
    {"Immergrüne Partie", "Anderssen - Dufresne", "Berlin", "1852"},
    {"Ersticktes Matt", "Ersticktes Matt (Philidors Vermächtnis)", "teaching example", ""},
    {"Ed. Lasker, 14. Zug", "Ed. Lasker - Thomas, after Black's 14th move", "London", "1912"},
    {"Ed. Lasker, 13. Zug", "Ed. Lasker - Thomas, after Black's 13th move", "London", "1912"},
};

constexpr int kMinMoves = 2;
constexpr int kMaxMoves = 12;

struct Entry {
  std::string name;  // title without its number
  int moves = 0;
  std::string board;  // 64 characters
  // Composed problems only:
  const Composer* composer = nullptr;
  std::string source;
  std::string date;
  std::string year;
  std::string keyText;     // the composer's key as the solution writes it
  std::string solverMove;  // the same move as the solver reports it
  double cpuMs = 0;
  std::string origin;  // file and document number
  const KeptName* kept = nullptr;
  bool distinction = false;  // a prize, mention or commendation
};

// One YAML document of an .olv file, read line by line: the files use only top-level keys with
// scalars, flow lists ("[Kg6, Qa7]"), block lists ("  - item"), one nested mapping
// (algebraic: white/black) and block scalars ("solution: |", "source: |").
struct Document {
  std::map<std::string, std::string> scalars;
  std::map<std::string, std::vector<std::string>> lists;  // block list items, nested "k: v"
  std::string solution;
  int index = 0;
};

std::string Trim(std::string s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

std::string Unquote(std::string s) {
  s = Trim(s);
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
    s = s.substr(1, s.size() - 2);
  }
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) ++i;
    out += s[i];
  }
  return out;
}

std::vector<Document> ReadOlv(const fs::path& file) {
  std::ifstream in(file);
  std::vector<Document> docs;
  std::string line, key;
  bool inSolution = false;
  bool inBlock = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "---") {
      docs.emplace_back();
      docs.back().index = static_cast<int>(docs.size());
      key.clear();
      inSolution = inBlock = false;
      continue;
    }
    if (docs.empty()) continue;
    Document& d = docs.back();
    const bool topLevel = !line.empty() && line[0] != ' ';
    if (topLevel) {
      inSolution = inBlock = false;
      const auto colon = line.find(':');
      if (colon == std::string::npos) continue;
      key = line.substr(0, colon);
      const std::string value = Trim(line.substr(colon + 1));
      const bool block = value == "|" || value == "|-" || value == ">" || value == ">-";
      if (key == "solution") {
        inSolution = true;
        if (!block) d.solution = value + "\n";
      } else if (block) {
        inBlock = true;
        d.scalars[key];
      } else if (!value.empty()) {
        d.scalars[key] = Unquote(value);
      } else {
        d.lists[key];
      }
      continue;
    }
    if (inSolution) {
      d.solution += (line.size() > 2 ? line.substr(2) : std::string()) + "\n";
      continue;
    }
    if (inBlock) {  // a scalar written as a block ("source: |"): its lines joined by blanks
      std::string& scalar = d.scalars[key];
      const std::string part = Trim(line);
      if (!part.empty()) scalar += (scalar.empty() ? "" : " ") + part;
      continue;
    }
    const std::string item = Trim(line);
    if (item.empty() || key.empty()) continue;
    d.lists[key].push_back(item.rfind("- ", 0) == 0 ? Unquote(item.substr(2)) : item);
  }
  return docs;
}

// "white: [Kg6, Qa7, Sf4, Pf2]" -> pieces on the board text; false for anything else.
bool PlacePieces(const std::string& item, bool white, std::string& board) {
  const auto open = item.find('['), close = item.rfind(']');
  if (open == std::string::npos || close == std::string::npos || close < open) return false;
  std::stringstream list(item.substr(open + 1, close - open - 1));
  std::string piece;
  while (std::getline(list, piece, ',')) {
    piece = Trim(piece);
    if (piece.size() != 3) return false;
    const std::string letters = "KQRBSP", codes = "KQRBNP";
    const auto kind = letters.find(piece[0]);
    if (kind == std::string::npos) return false;
    if (piece[1] < 'a' || piece[1] > 'h' || piece[2] < '1' || piece[2] > '8') return false;
    const int index = ('8' - piece[2]) * 8 + (piece[1] - 'a');
    if (board[index] != ' ') return false;
    const char code = codes[kind];
    board[index] = white ? code : static_cast<char>(code - 'A' + 'a');
  }
  return true;
}

// The composer's key: every move written as "1.<move>!" (or "!!", with a check sign before
// the mark allowed) that is not a try ("?", "!?"). Distinct texts are returned, so a solution
// with several marked keys (twins, cooks, alternatives) shows as more than one.
std::vector<std::string> MarkedKeys(const std::string& solution) {
  static const std::regex pattern(R"((^|[^0-9.])1\.\s*([^\s!?.][^\s!?]*)\s*(\+\s*)?!(?![?]))");
  std::vector<std::string> keys;
  for (auto it = std::sregex_iterator(solution.begin(), solution.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    std::string key = (*it)[2];
    key = std::regex_replace(key, std::regex(R"(\[[^\]]*\])"), "");
    while (!key.empty() && (key.back() == '+' || key.back() == '#')) key.pop_back();
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
  }
  return keys;
}

int SquareCell(char file, char rank) {
  return tavrel::CellOf(file - 'a' + 1, rank - '0');
}

// The legal moves of White on the board that the key text describes: piece letter (English or
// German, none or "P" for a pawn), optional origin file, rank or square, capture sign of any
// kind, target square, optional promotion; castling as "0-0" or "0-0-0".
std::vector<tavrel::SolverMove> MovesForKey(const tavrel::SolverBoard& board, std::string key,
                                            bool& enPassant) {
  enPassant = false;
  for (const char* ep : {"e.p.", "e.p", "ep."}) {
    const auto at = key.find(ep);
    if (at != std::string::npos && at + std::string(ep).size() == key.size()) {
      key.erase(at);
      enPassant = true;
    }
  }
  std::replace(key.begin(), key.end(), 'O', '0');
  int wantKind = 0;
  int piece = 0, fromFile = 0, fromRank = 0, to = 0;
  if (key == "0-0" || key == "0-0-0") {
    wantKind = key == "0-0" ? tavrel::kShortCastle : tavrel::kLongCastle;
    piece = tavrel::kKing;
  } else {
    static const std::regex move(
        R"(^([KQRBNSLTDP])?([a-h])?([1-8])?[-x:*]?([a-h][1-8])(=?([QRBNSLTD]))?$)");
    std::smatch m;
    if (!std::regex_match(key, m, move)) return {};
    const auto code = [](char c) {
      switch (c) {
        case 'K':
          return tavrel::kKing;
        case 'Q':
        case 'D':
          return tavrel::kQueen;
        case 'R':
        case 'T':
          return tavrel::kRook;
        case 'B':
        case 'L':
          return tavrel::kBishop;
        case 'N':
        case 'S':
          return tavrel::kKnight;
        default:
          return tavrel::kPawn;
      }
    };
    piece = m[1].matched ? code(m[1].str()[0]) : tavrel::kPawn;
    if (m[2].matched) fromFile = m[2].str()[0] - 'a' + 1;
    if (m[3].matched) fromRank = m[3].str()[0] - '0';
    to = SquareCell(m[4].str()[0], m[4].str()[1]);
    if (m[6].matched) wantKind = code(m[6].str()[0]);
  }
  std::vector<tavrel::SolverMove> found;
  const tavrel::PieceList pieces = tavrel::BuildPieceList(board, tavrel::kSolverWhite);
  for (int i = 0; i < pieces.count; ++i) {
    const int from = pieces.cells[i];
    if (board.cells[from] != piece) continue;
    if (fromFile != 0 && tavrel::CellFile(from) != fromFile) continue;
    if (fromRank != 0 && tavrel::CellRank(from) != fromRank) continue;
    tavrel::SolverMoveList moves;
    tavrel::GeneratePieceMoves(board, from, tavrel::kSolverWhite, {.legalOnly = true}, moves);
    for (int j = 0; j < moves.count; ++j) {
      const tavrel::SolverMove& mv = moves.moves[j];
      const int kind = std::abs(mv.kind);
      if (wantKind == tavrel::kShortCastle || wantKind == tavrel::kLongCastle) {
        if (kind == wantKind) found.push_back(mv);
        continue;
      }
      if (mv.to != to || kind == tavrel::kShortCastle || kind == tavrel::kLongCastle) continue;
      const bool promotion = kind >= tavrel::kPromoteKnight && kind <= tavrel::kPromoteQueen;
      if (promotion ? kind != wantKind : wantKind != 0) continue;
      found.push_back(mv);
    }
  }
  return found;
}

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Options {
  fs::path puzzles;
  fs::path out = fs::path(TAVREL_SOURCE_DIR) / "resources" / "problems";
  double limitMs = 1000;          // for a problem new to the collection
  double keepLimitMs = 1500;      // for one the current source already has
  int perGroup = 40;              // problems of one composer and length at most
  std::set<std::string> shipped;  // board texts of the current source
};

class Collector {
 public:
  explicit Collector(const Options& options) : options_(options) {}

  void Drop(const std::string& reason) { ++dropped_[reason]; }

  void Read(const fs::path& file) {
    for (const Document& d : ReadOlv(file)) Consider(d, file.filename().string());
  }

  std::vector<Entry>& Proven() { return proven_; }
  const std::map<std::string, int>& Dropped() const { return dropped_; }
  double TotalMs() const { return totalMs_; }

 private:
  void Consider(const Document& d, const std::string& file) {
    const auto authors = d.lists.find("authors");
    if (authors == d.lists.end() || authors->second.empty()) return Drop("no author");
    const Composer* composer = nullptr;
    for (const std::string& a : authors->second) {
      const Composer* match = nullptr;
      for (const Composer& c : kComposers) {
        if (a == c.olvName) match = &c;
      }
      if (match == nullptr) {
        // Joint works count only when every author's work is in the public domain; works of
        // other composers are not ours to take at all.
        return Drop(composer != nullptr || authors->second.size() > 1
                        ? "joint work with a composer not on the list"
                        : "composer not on the list");
      }
      composer = match;
    }
    if (authors->second.size() > 1) return Drop("joint work with a composer not on the list");
    const auto scalar = [&](const char* k) {
      const auto it = d.scalars.find(k);
      return it == d.scalars.end() ? std::string() : it->second;
    };
    std::smatch m;
    const std::string stipulation = scalar("stipulation");
    static const std::regex direct(R"(^#(\d+)$)");
    if (!std::regex_match(stipulation, m, direct)) {
      return Drop("not a direct mate (study, selfmate, helpmate, twin ...)");
    }
    const int moves = std::stoi(m[1]);
    if (moves < kMinMoves || moves > kMaxMoves) return Drop("mate in 1 or beyond 12 moves");
    if (d.lists.count("twins") != 0) return Drop("twin problem");
    const auto options = d.lists.find("options");
    if (options != d.lists.end()) {
      for (const std::string& o : options->second) {
        if (o != "SetPlay") return Drop("fairy condition (" + o + ")");
      }
    }
    const auto comments = d.lists.find("comments");
    if (comments != d.lists.end()) {
      static const std::regex doubtful(
          R"(version (by|of) [A-Za-z]|corrected version|correction|unsound|wrong author|)"
          R"(intended solution|cook)",
          std::regex::icase);
      for (const std::string& c : comments->second) {
        if (std::regex_search(c, doubtful)) {
          return Drop("comment names another author's version, a cook or unsoundness");
        }
      }
    }
    if (std::regex_search(d.solution, std::regex("cook", std::regex::icase))) {
      return Drop("comment names another author's version, a cook or unsoundness");
    }
    static const std::regex yearPattern(R"(^(\d{4}))");
    const std::string date = scalar("date");
    const std::string year = std::regex_search(date, m, yearPattern) ? m[1].str() : std::string();
    if (!year.empty() && std::stoi(year) > composer->died) {
      return Drop("dated after the composer's death (a later version)");
    }
    std::string board(64, ' ');
    const auto algebraic = d.lists.find("algebraic");
    bool placed = algebraic != d.lists.end() && algebraic->second.size() == 2;
    if (placed) {
      for (const std::string& item : algebraic->second) {
        const bool white = item.rfind("white:", 0) == 0;
        if (!white && item.rfind("black:", 0) != 0) placed = false;
        placed = placed && PlacePieces(item, white, board);
      }
    }
    tavrel::SolverBoard solverBoard;
    const std::string placement = tavrel::BoardTextToPlacement(board);
    if (!placed || !tavrel::ParsePlacement(placement, solverBoard) ||
        !tavrel::IsSearchablePosition(solverBoard, tavrel::kSolverWhite)) {
      return Drop("broken position (pieces, kings, pawns on the edge ranks, Black in check)");
    }
    const std::vector<std::string> keys = MarkedKeys(d.solution);
    if (keys.empty()) return Drop("no key marked in the solution");
    if (keys.size() > 1) return Drop("several keys marked in the solution");
    bool enPassant = false;
    const std::vector<tavrel::SolverMove> keyMoves = MovesForKey(solverBoard, keys[0], enPassant);
    if (enPassant) return Drop("key is an en-passant capture (right not in the placement)");
    if (keyMoves.size() != 1) return Drop("key is not one legal move of the position");
    const tavrel::SolverMove key = keyMoves[0];
    const int keyKind = std::abs(key.kind);
    const bool castling = keyKind == tavrel::kShortCastle || keyKind == tavrel::kLongCastle;
    if (castling) return Drop("key castles (right not provable from the placement)");
    for (const Entry& e : proven_) {
      if (e.board == board && e.moves == moves) return Drop("same problem twice in the files");
    }

    std::atomic<bool> stop{false};
    const double start = ThreadCpuMs();
    // A problem already shipped keeps its place up to a higher limit, so that the noise of
    // timing on a busy machine does not make every run ship a slightly different collection.
    const double limit =
        options_.shipped.count(board) != 0 ? options_.keepLimitMs : options_.limitMs;
    const tavrel::MateSolution result =
        tavrel::SolveMate(placement, moves, tavrel::kSolverWhite, stop,
                          [&] { stop = ThreadCpuMs() - start > limit; });
    const double cpu = ThreadCpuMs() - start;
    totalMs_ += cpu;
    if (stop || cpu > limit) return Drop("solver needs more than the time limit");
    if (result.moves == 0) return Drop("solver finds no mate in the stated number of moves");
    if (result.moves < moves) return Drop("cooked: shorter mate");
    if (!(result.firstMove == key)) return Drop("solver's first move is not the composer's key");

    Entry e;
    e.composer = composer;
    e.moves = moves;
    e.board = board;
    e.source = scalar("source");
    e.date = date;
    e.year = year;
    e.keyText = keys[0];
    e.solverMove = result.solution;
    e.cpuMs = cpu;
    e.origin = file + " #" + std::to_string(d.index);
    e.distinction = !scalar("distinction").empty();
    proven_.push_back(e);
  }

  Options options_;
  std::map<std::string, int> dropped_;
  std::vector<Entry> proven_;
  double totalMs_ = 0;
};

// The kept entries of the current source, by name, and the board texts of all its entries.
void ReadSource(const fs::path& source, std::vector<Entry>& kept, std::set<std::string>& boards) {
  std::ifstream in(source);
  std::string title, moves, board;
  std::map<std::string, Entry> byName;
  while (std::getline(in, title) && std::getline(in, moves) && std::getline(in, board)) {
    const auto dot = title.find(". ");
    Entry e;
    e.name = dot == std::string::npos ? title : title.substr(dot + 2);
    e.moves = std::stoi(moves);
    e.board = board;
    e.board.resize(64, ' ');
    byName.emplace(e.name, e);
    boards.insert(e.board);
  }
  for (const KeptName& k : kKeptNames) {
    const auto it = byName.find(k.name);
    if (it == byName.end()) throw std::runtime_error(std::string("missing entry: ") + k.name);
    kept.push_back(it->second);
    kept.back().kept = &k;
  }
}

fs::path FetchPuzzles(fs::path& tempDir) {
  char pattern[] = "/tmp/tavrel-pychess-XXXXXX";
  if (mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot create a temporary folder");
  tempDir = pattern;
  const std::string command = "cd '" + tempDir.string() +
                              "' && apt-get download pychess >&2 && "
                              "dpkg-deb -x pychess_*.deb root >&2";
  if (std::system(command.c_str()) != 0) {
    throw std::runtime_error("fetching pychess failed: " + command);
  }
  return tempDir / "root/usr/share/pychess/learn/puzzles";
}

std::string Escaped(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '|' ? std::string("\\|") : std::string(1, c);
  return out;
}

void WriteFileAtomically(const fs::path& target, const std::string& text) {
  const fs::path temp = target.string() + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + temp.string());
  }
  fs::rename(temp, target);
}

int Run(Options options) {
  const fs::path sourceFile = options.out / "mtavrel.txt";
  std::vector<Entry> kept;
  ReadSource(sourceFile, kept, options.shipped);

  fs::path tempDir;
  const fs::path puzzles = options.puzzles.empty() ? FetchPuzzles(tempDir) : options.puzzles;
  std::vector<fs::path> files;
  for (const auto& f : fs::directory_iterator(puzzles)) {
    if (f.path().extension() == ".olv") files.push_back(f.path());
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) throw std::runtime_error("no .olv files in " + puzzles.string());

  Collector collector(options);
  for (const fs::path& f : files) collector.Read(f);
  if (!tempDir.empty()) fs::remove_all(tempDir);

  // A spread over composers and lengths: of each composer and length at most perGroup
  // problems, those with a distinction first, then in the files' order.
  std::vector<Entry> proven = collector.Proven();
  std::stable_sort(proven.begin(), proven.end(),
                   [](const Entry& a, const Entry& b) { return a.distinction > b.distinction; });
  // At most 26 of one composer and year, so that a letter after the year tells them apart.
  std::vector<Entry> problems;
  std::map<std::pair<const Composer*, int>, int> groupSize;
  std::map<std::pair<const Composer*, std::string>, int> yearSize;
  for (const Entry& e : proven) {
    int& inGroup = groupSize[{e.composer, e.moves}];
    int& inYear = yearSize[{e.composer, e.year}];
    if (inGroup < options.perGroup && inYear < 26) {
      problems.push_back(e);
      ++inGroup;
      ++inYear;
    }
  }
  // By length, then composer, then year; the files' order breaks ties.
  std::stable_sort(problems.begin(), problems.end(), [](const Entry& a, const Entry& b) {
    const auto surname = [](const Entry& e) {
      const std::string n = e.composer->titleName;
      return n.substr(n.rfind(' ') + 1);
    };
    return std::forward_as_tuple(a.moves, surname(a), a.year) <
           std::forward_as_tuple(b.moves, surname(b), b.year);
  });
  // Several problems of one composer and year get letters a, b, c ... after the year (at most
  // 26, see above).
  std::map<std::string, int> sameYear, seen;
  for (const Entry& e : problems) ++sameYear[std::string(e.composer->titleName) + e.year];
  for (Entry& e : problems) {
    const std::string id = std::string(e.composer->titleName) + e.year;
    // "o. J." (ohne Jahr) for a problem without a date.
    e.name = std::string(e.composer->titleName) + " " + (e.year.empty() ? "o. J." : e.year);
    if (sameYear[id] > 1) {
      if (e.year.empty()) e.name += ' ';
      e.name += static_cast<char>('a' + seen[id]++);
    }
  }
  std::vector<Entry> all;
  for (int n = kMinMoves; n <= kMaxMoves; ++n) {
    for (const Entry& e : kept) {
      if (e.moves == n) all.push_back(e);
    }
    for (const Entry& e : problems) {
      if (e.moves == n) all.push_back(e);
    }
  }

  std::ostringstream text, table;
  table << "# Provenance of the shipped problem collection\n\n"
           "`resources/problems/mtavrel.txt` is written by `tools/make_problem_collection.cpp`;\n"
           "the build packs it into `mtavrel.c00`. The composed problems come from the file\n"
           "`usr/share/pychess/learn/puzzles/*.olv` of Debian's package `pychess` (PyChess, GPL);\n"
           "the problems themselves are works of composers who died before 1956 and are in the\n"
           "public domain. Only problems by these composers alone are taken:\n\n"
           "| Composer | Lived | Title name |\n|---|---|---|\n";
  for (const Composer& c : kComposers) {
    table << "| " << c.fullName << " | " << c.born << "–" << c.died << " | " << c.titleName
          << " |\n";
  }
  table << "\nEvery composed problem below was proven by Tavrel's own solver: a mate in exactly "
           "the\nstated number of moves (no shorter one), whose first move in the solver's order "
           "is the\ncomposer's key. The other entries are positions from games kept from the "
           "earlier collection.\n\n"
           "| No. | Composer | Source | Year | Stipulation | Key | Solver |\n"
           "|---|---|---|---|---|---|---|\n";
  double slowest = 0;
  std::string slowestTitle;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const Entry& e = all[i];
    const std::string title = std::to_string(i) + ". " + e.name;
    std::string board = e.board;
    while (!board.empty() && board.back() == ' ') board.pop_back();
    text << title << "\n" << e.moves << "\n" << board << "\n";
    if (e.composer == nullptr) {
      table << "| " << i << " | " << e.kept->players << " | " << e.kept->event
            << " (earlier Tavrel collection) | " << e.kept->year << " | #" << e.moves << " | | |\n";
      continue;
    }
    table << "| " << i << " | " << e.composer->fullName << " | " << Escaped(e.source) << " | "
          << Escaped(e.date) << " | #" << e.moves << " | " << Escaped(e.keyText) << " | "
          << e.solverMove << " |\n";
    if (e.cpuMs > slowest) {
      slowest = e.cpuMs;
      slowestTitle = title;
    }
  }
  WriteFileAtomically(sourceFile, text.str());
  WriteFileAtomically(options.out / "PROVENANCE.md", table.str());

  std::map<int, int> byLength;
  std::map<std::string, int> byComposer;
  for (const Entry& e : problems) {
    ++byLength[e.moves];
    ++byComposer[e.composer->titleName];
  }
  printf(
      "proven %zu composed problems; kept %zu (at most %d per composer and length) and %zu "
      "game positions: %zu entries\n",
      proven.size(), problems.size(), options.perGroup, kept.size(), all.size());
  for (const auto& [n, count] : byLength) printf("  mate in %2d: %4d\n", n, count);
  for (const auto& [name, count] : byComposer) printf("  %-12s %4d\n", name.c_str(), count);
  int droppedTotal = 0;
  for (const auto& [reason, count] : collector.Dropped()) droppedTotal += count;
  printf("dropped %d:\n", droppedTotal);
  for (const auto& [reason, count] : collector.Dropped()) {
    printf("  %5d  %s\n", count, reason.c_str());
  }
  printf(
      "solver time for all proofs: %.0f ms cpu; slowest kept: %s (%.0f ms cpu; limits %.0f ms, "
      "%.0f ms for a problem already shipped)\n",
      collector.TotalMs(), slowestTitle.c_str(), slowest, options.limitMs, options.keepLimitMs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--puzzles" && i + 1 < argc) {
      options.puzzles = argv[++i];
    } else if (arg == "--out" && i + 1 < argc) {
      options.out = argv[++i];
    } else if (arg == "--per-group" && i + 1 < argc) {
      options.perGroup = std::atoi(argv[++i]);
    } else if (arg == "--limit-ms" && i + 1 < argc) {
      options.limitMs = std::atof(argv[++i]);
      options.keepLimitMs = std::max(options.keepLimitMs, options.limitMs);
    } else if (arg == "--keep-limit-ms" && i + 1 < argc) {
      options.keepLimitMs = std::atof(argv[++i]);
    } else {
      std::cerr << "usage: make-problem-collection [--puzzles DIR] [--out DIR] [--limit-ms N]\n"
                   "         [--keep-limit-ms N] [--per-group N]\n";
      return 2;
    }
  }
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::cerr << "make-problem-collection: " << e.what() << '\n';
    return 1;
  }
}
