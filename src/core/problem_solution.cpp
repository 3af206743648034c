#include "core/problem_solution.h"

#include <algorithm>
#include <cstdlib>

#include "core/san.h"

namespace tavrel {
namespace {

int CodeOf(char c) {
  switch (c) {
    case 'P': return kPawn;
    case 'N': return kKnight;
    case 'B': return kBishop;
    case 'R': return kRook;
    case 'Q': return kQueen;
    case 'K': return kKing;
    case 'p': return -kPawn;
    case 'n': return -kKnight;
    case 'b': return -kBishop;
    case 'r': return -kRook;
    case 'q': return -kQueen;
    case 'k': return -kKing;
    default: return 0;
  }
}

char LetterOf(int code) {
  static constexpr char kWhite[] = " PNBRQK";
  if (code == 0 || std::abs(code) > kKing) return ' ';
  const char c = kWhite[std::abs(code)];
  return code > 0 ? c : static_cast<char>(c - 'A' + 'a');
}

bool Fail(std::string* reason, std::string text) {
  if (reason) *reason = std::move(text);
  return false;
}

// The reader's English reasons in German.
std::string GermanFenReason(const std::string& why) {
  if (why == "expected 4 to 6 fields") return "erwartet werden 4 bis 6 Felder";
  if (why == "side to move must be w or b") return "am Zug muss \"w\" oder \"b\" stehen";
  if (why == "bad castling field") return "ungültige Rochaderechte";
  if (why == "bad en-passant square") return "ungültiges En-passant-Feld";
  if (why == "bad move counter") return "ungültiger Zugzähler";
  return "ungültige Stellung";
}

bool IsCheck(const SolverBoard& board, int side) {
  return CellAttacked(board, side, board.KingCell(side), board.KingCell(-side));
}

bool SameMove(const SolverMove& a, const SolverMove& b) {
  return a.from == b.from && a.to == b.to && std::abs(a.kind) == std::abs(b.kind);
}

char PromotionLetter(const SolverMove& move) {
  return ToSquareMove(move).promotion;
}

}  // namespace

std::optional<ProblemPosition> ReadProblemFen(std::string_view fen, std::string* reason) {
  std::string why;
  const std::optional<FenPosition> parsed = ParseFen(fen, &why);
  if (!parsed) {
    Fail(reason, "Ungültige FEN: " + GermanFenReason(why) + ".");
    return std::nullopt;
  }
  return ToProblemPosition(*parsed, reason);
}

std::optional<ProblemPosition> ToProblemPosition(const FenPosition& fen, std::string* reason) {
  ProblemPosition problem;
  problem.side = fen.WhiteToMove ? kSolverWhite : kSolverBlack;
  SolverBoard& board = problem.board;
  board = EmptySolverBoard();
  int kings[2] = {0, 0}, pawns[2] = {0, 0}, pieces[2] = {0, 0};
  for (int square = 1; square <= 64; ++square) {
    const int code = CodeOf(fen.Board[static_cast<size_t>(square - 1)]);
    if (code == 0) continue;
    const int cell = SquareToCell(square);
    board.cells[cell] = code;
    const int colour = code > 0 ? 0 : 1;
    ++pieces[colour];
    if (std::abs(code) == kPawn) {
      ++pawns[colour];
      if (CellRank(cell) == 1 || CellRank(cell) == 8) {
        Fail(reason, "Unmögliche Stellung: ein Bauer steht auf der ersten oder letzten Reihe.");
        return std::nullopt;
      }
    }
    if (std::abs(code) == kKing) {
      ++kings[colour];
      board.KingCell(code > 0 ? kSolverWhite : kSolverBlack) = cell;
    }
  }
  for (int colour = 0; colour < 2; ++colour) {
    const char* name = colour == 0 ? "Weiß" : "Schwarz";
    if (kings[colour] != 1) {
      Fail(reason, std::string("Unmögliche Stellung: ") + name + " braucht genau einen König.");
      return std::nullopt;
    }
    if (pawns[colour] > 8 || pieces[colour] > 16) {
      Fail(reason, std::string("Unmögliche Stellung: ") + name + " hat zu viele Steine.");
      return std::nullopt;
    }
  }
  // Castling rights as given, as far as king and rook are still at home.
  const CastleSet rights = fen.Castling;
  const auto& c = board.cells;
  const bool whiteKing = c[CellOf(5, 1)] == kKing;
  const bool blackKing = c[CellOf(5, 8)] == -kKing;
  board.white.king = whiteKing && (HasRight(rights, WhiteKingSide) || HasRight(rights, WhiteQueenSide));
  board.white.hRook = board.white.king && HasRight(rights, WhiteKingSide) && c[CellOf(8, 1)] == kRook;
  board.white.aRook = board.white.king && HasRight(rights, WhiteQueenSide) && c[CellOf(1, 1)] == kRook;
  board.black.king = blackKing && (HasRight(rights, BlackKingSide) || HasRight(rights, BlackQueenSide));
  board.black.hRook = board.black.king && HasRight(rights, BlackKingSide) && c[CellOf(8, 8)] == -kRook;
  board.black.aRook = board.black.king && HasRight(rights, BlackQueenSide) && c[CellOf(1, 8)] == -kRook;
  // The en-passant square as given, when the opponent's pawn can just have passed it.
  if (fen.EnPassant != None) {
    const int cell = SquareToCell(fen.EnPassant);
    const int s = problem.side;
    const bool onSixth = CellRank(cell) == (s > 0 ? 6 : 3);
    if (onSixth && c[cell] == kEmptyCell && c[cell - 10 * s] == kEmptyCell &&
        c[cell + 10 * s] == -s * kPawn)
      board.epCell = cell;
  }
  if (IsCheck(board, -problem.side)) {
    Fail(reason, std::string("Unmögliche Stellung: ") +
                     (problem.side > 0 ? "Schwarz" : "Weiß") +
                     " steht im Schach, ist aber nicht am Zug.");
    return std::nullopt;
  }
  if (LegalSolverMoves(board, problem.side).empty()) {
    Fail(reason, std::string(problem.side > 0 ? "Weiß" : "Schwarz") + " ist bereits " +
                     (IsCheck(board, problem.side) ? "matt." : "patt."));
    return std::nullopt;
  }
  return problem;
}

FenPosition ToFenPosition(const SolverBoard& board, int side) {
  FenPosition fen;
  for (int square = 1; square <= 64; ++square)
    fen.Board[static_cast<size_t>(square - 1)] = LetterOf(board.cells[SquareToCell(square)]);
  fen.WhiteToMove = side > 0;
  fen.Castling = 0;
  if (board.white.king && board.white.hRook) fen.Castling |= WhiteKingSide;
  if (board.white.king && board.white.aRook) fen.Castling |= WhiteQueenSide;
  if (board.black.king && board.black.hRook) fen.Castling |= BlackKingSide;
  if (board.black.king && board.black.aRook) fen.Castling |= BlackQueenSide;
  fen.EnPassant = board.epCell ? static_cast<Square>(CellToSquare(board.epCell)) : None;
  return fen;
}

std::vector<SolverMove> LegalSolverMoves(const SolverBoard& board, int side) {
  std::vector<SolverMove> moves;
  for (int cell = kFirstSquareCell; cell <= kLastSquareCell; ++cell) {
    const int value = board.cells[cell];
    if (value == kBorderCell || value * side <= 0) continue;
    SolverMoveList list;
    GeneratePieceMoves(board, cell, side, GenerateOptions{true, false}, list);
    moves.insert(moves.end(), list.moves.begin(), list.moves.begin() + list.count);
  }
  return moves;
}

SolverBoard After(const SolverBoard& board, const SolverMove& move, int side) {
  SolverBoard next = board;
  ApplySolverMove(next, move, side);
  return next;
}

std::optional<SolverMove> FindMove(const std::vector<SolverMove>& moves, int from, int to,
                                   char promotion) {
  for (const SolverMove& m : moves) {
    if (m.from != from || m.to != to) continue;
    const char p = PromotionLetter(m);
    if (p == 0 || p == promotion || (promotion == 0 && p == 'q')) return m;
  }
  return std::nullopt;
}

int ShortestMate(MateProver& prover, const SolverBoard& board, int maxMoves) {
  for (int k = 1; k <= maxMoves; ++k) {
    if (prover.AttackerMates(board, k)) return k;
    if (prover.Stopped()) return 0;
  }
  return 0;
}

int ShortestLoss(MateProver& prover, const SolverBoard& board, int maxMoves) {
  for (int k = 0; k <= maxMoves; ++k) {
    if (prover.DefenderLoses(board, k)) return k;
    if (prover.Stopped()) return -1;
  }
  return -1;
}

std::vector<SolverMove> Threat(MateProver& prover, const SolverBoard& board, int moves) {
  const int attacker = prover.Attacker();
  if (moves < 1 || IsCheck(board, -attacker)) return {};
  SolverBoard passed = board;
  passed.epCell = 0;  // a pass is no double step, and the old one is no longer capturable
  const int k = ShortestMate(prover, passed, moves);
  if (k == 0) return {};
  return MatingLine(prover, passed, k);
}

std::vector<Defence> OrderedDefences(MateProver& prover, const SolverBoard& board, int moves) {
  const int attacker = prover.Attacker();
  std::vector<Defence> defences;
  for (const SolverMove& d : LegalSolverMoves(board, -attacker)) {
    const int k = ShortestMate(prover, After(board, d, -attacker), moves);
    defences.push_back({d, k == 0 ? moves + 1 : k});
  }
  // Does the threat still work after the defence? Those that stop it come first.
  const std::vector<SolverMove> threat = Threat(prover, board, moves);
  std::vector<char> parries(defences.size(), 0);
  if (!threat.empty()) {
    const int threatLength = static_cast<int>(threat.size() + 1) / 2;
    for (size_t i = 0; i < defences.size(); ++i) {
      const SolverBoard next = After(board, defences[i].move, -attacker);
      const std::vector<SolverMove> replies = LegalSolverMoves(next, attacker);
      const auto same = std::find_if(replies.begin(), replies.end(), [&](const SolverMove& m) {
        return SameMove(m, threat.front());
      });
      parries[i] = same == replies.end() ||
                   !prover.DefenderLoses(After(next, *same, attacker), threatLength - 1);
    }
  }
  std::vector<size_t> order(defences.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    if (defences[a].attackerMoves != defences[b].attackerMoves)
      return defences[a].attackerMoves > defences[b].attackerMoves;
    return parries[a] > parries[b];
  });
  std::vector<Defence> sorted;
  for (size_t i : order) sorted.push_back(defences[i]);
  return sorted;
}

SolverMove Refutation(MateProver& prover, const SolverBoard& board, int moves) {
  const int attacker = prover.Attacker();
  for (const SolverMove& d : LegalSolverMoves(board, -attacker)) {
    if (moves < 1 || !prover.AttackerMates(After(board, d, -attacker), moves)) return d;
  }
  return {};
}

std::vector<SolverMove> MatingLine(MateProver& prover, const SolverBoard& start, int moves) {
  const int attacker = prover.Attacker();
  std::vector<SolverMove> line;
  SolverBoard board = start;
  for (int left = moves; left >= 1 && !prover.Stopped();) {
    SolverMove chosen{};
    for (const SolverMove& m : LegalSolverMoves(board, attacker)) {
      if (prover.DefenderLoses(After(board, m, attacker), left - 1)) {
        chosen = m;
        break;
      }
    }
    if (chosen.kind == 0) break;
    line.push_back(chosen);
    board = After(board, chosen, attacker);
    if (left == 1) break;
    // The longest defence, as the variations order them.
    const std::vector<Defence> defences = OrderedDefences(prover, board, left - 1);
    if (defences.empty() || defences.front().attackerMoves > left - 1) break;
    const SolverMove defence = defences.front().move;
    const int longest = defences.front().attackerMoves;
    line.push_back(defence);
    board = After(board, defence, -attacker);
    left = longest;
  }
  return line;
}

ProblemSolution SolveProblem(const ProblemPosition& problem, int moves,
                             const std::atomic<bool>& stopFlag, const SolverYield& yield) {
  ProblemSolution solution;
  solution.requested = moves;
  if (moves < 1 || moves > kMaxProblemMoves) return solution;
  const int s = problem.side;
  const SolverBoard& board = problem.board;
  MateProver prover(s, stopFlag, yield);
  const std::vector<SolverMove> first = LegalSolverMoves(board, s);

  // Keys: every first move after which each defence loses within moves - 1.
  std::vector<char> isKey(first.size(), 0);
  for (size_t i = 0; i < first.size(); ++i) {
    const SolverBoard next = After(board, first[i], s);
    const int k = ShortestLoss(prover, next, moves - 1);
    if (k >= 0) {
      isKey[i] = 1;
      solution.keys.push_back({first[i], k + 1});
    }
  }
  std::stable_sort(solution.keys.begin(), solution.keys.end(),
                   [](const SolutionKey& a, const SolutionKey& b) { return a.mateIn < b.mateIn; });

  if (!solution.keys.empty()) {
    const SolutionKey& key = solution.keys.front();
    solution.mateIn = key.mateIn;
    const SolverBoard next = After(board, key.move, s);
    solution.keyGivesCheck = IsCheck(next, -s);
    solution.threat = Threat(prover, next, key.mateIn - 1);
    if (key.mateIn > 1) {
      for (const Defence& d : OrderedDefences(prover, next, key.mateIn - 1)) {
        solution.variations.push_back(
            {d.move, MatingLine(prover, After(next, d.move, -s), d.attackerMoves)});
      }
    }
  }

  // Tries: first moves that fail to exactly one defence.
  for (size_t i = 0; i < first.size() && !prover.Stopped(); ++i) {
    if (isKey[i]) continue;
    const SolverBoard next = After(board, first[i], s);
    int refutations = 0;
    SolverMove refutation{};
    for (const SolverMove& d : LegalSolverMoves(next, -s)) {
      if (moves > 1 && prover.AttackerMates(After(next, d, -s), moves - 1)) continue;
      if (++refutations == 1) refutation = d;
      if (refutations > 1) break;
    }
    if (refutations == 1) solution.tries.push_back({first[i], refutation});
  }

  // Set play of a two-mover: the defender moves first in the diagram.
  if (moves == 2 && !IsCheck(board, s)) {
    SolverBoard diagram = board;
    diagram.epCell = 0;
    for (const SolverMove& d : LegalSolverMoves(diagram, -s)) {
      const SolverBoard next = After(diagram, d, -s);
      if (!prover.AttackerMates(next, 1)) continue;
      const std::vector<SolverMove> line = MatingLine(prover, next, 1);
      if (!line.empty()) solution.setPlay.push_back({d, line.front()});
    }
  }
  solution.stopped = prover.Stopped();
  return solution;
}

std::string GermanMove(const SolverBoard& board, int side, const SolverMove& move) {
  const FenPosition fen = ToFenPosition(board, side);
  SanMove san;
  san.From = static_cast<Square>(CellToSquare(move.from));
  san.To = static_cast<Square>(CellToSquare(move.to));
  if (const char p = PromotionLetter(move); p != 0)
    san.Promotion = static_cast<char>(p - 'a' + 'A');
  std::string text;
  for (char c : ToSan(fen, san)) {
    switch (c) {
      case 'Q': text += 'D'; break;
      case 'R': text += 'T'; break;
      case 'B': text += 'L'; break;
      case 'N': text += 'S'; break;
      case 'O': text += '0'; break;
      default: text += c;
    }
  }
  if (std::abs(move.kind) == kEnPassant) {
    // The mark goes before a check sign: "exd6 e.p.+".
    const size_t end = text.find_first_of("+#");
    text.insert(end == std::string::npos ? text.size() : end, " e.p.");
  }
  return text;
}

std::string GermanLine(const SolverBoard& start, int mover, int attacker, int number,
                       const std::vector<SolverMove>& moves) {
  std::string text;
  SolverBoard board = start;
  for (size_t i = 0; i < moves.size(); ++i) {
    if (i > 0) text += ' ';
    if (mover == attacker) {
      text += std::to_string(number) + ". ";
    } else if (i == 0) {
      text += std::to_string(number) + "... ";
    }
    text += GermanMove(board, mover, moves[i]);
    board = After(board, moves[i], mover);
    if (mover != attacker) ++number;
    mover = -mover;
  }
  return text;
}

namespace {

std::string MateWords(int moves) {
  return moves == 1 ? "Matt in 1 Zug" : "Matt in " + std::to_string(moves) + " Zügen";
}

std::string JsonMove(const SolverMove& move) {
  std::string text = "\"";
  text += ToUciMove(move);
  text += '"';
  return text;
}

std::string JsonMoves(const std::vector<SolverMove>& moves) {
  std::string text = "[";
  for (size_t i = 0; i < moves.size(); ++i) {
    if (i > 0) text += ", ";
    text += JsonMove(moves[i]);
  }
  return text + "]";
}

}  // namespace

std::string SolutionText(const ProblemPosition& problem, const ProblemSolution& solution) {
  const int s = problem.side;
  const SolverBoard& board = problem.board;
  std::string text;
  if (solution.stopped) text += "(abgebrochen: die Lösung ist unvollständig)\n";
  if (solution.keys.empty()) {
    text += "Keine Lösung: kein " + MateWords(solution.requested) + ".\n";
  } else {
    text += MateWords(solution.mateIn);
    if (solution.mateIn < solution.requested)
      text += " (kürzer als verlangt: " + MateWords(solution.requested) + ")";
    text += "\n";
    for (size_t i = 0; i < solution.keys.size(); ++i) {
      const SolutionKey& key = solution.keys[i];
      text += i == 0 ? "Schlüsselzug: " : "Nebenlösung: ";
      text += GermanLine(board, s, s, 1, {key.move}) + "!";
      if (i > 0 && key.mateIn != solution.mateIn) text += " (" + MateWords(key.mateIn) + ")";
      text += "\n";
    }
    const SolverBoard afterKey = After(board, solution.keys.front().move, s);
    if (solution.mateIn > 1) {
      if (!solution.threat.empty()) {
        text += "Drohung: " + GermanLine(afterKey, s, s, 2, solution.threat) + "\n";
      } else if (solution.keyGivesCheck) {
        text += "Drohung: keine (der Schlüsselzug gibt Schach)\n";
      } else {
        text += "Zugzwang\n";
      }
      text += "Varianten:\n";
      for (const SolutionVariation& v : solution.variations) {
        std::vector<SolverMove> line{v.defence};
        line.insert(line.end(), v.line.begin(), v.line.end());
        text += "  " + GermanLine(afterKey, -s, s, 1, line) + "\n";
      }
    }
  }
  if (!solution.tries.empty()) {
    text += "Verführungen:\n";
    for (const SolutionTry& t : solution.tries) {
      text += "  " + GermanLine(board, s, s, 1, {t.move}) + "? Widerlegung: " +
              GermanLine(After(board, t.move, s), -s, s, 1, {t.refutation}) + "!\n";
    }
  }
  if (!solution.setPlay.empty()) {
    text += "Satzspiel:\n";
    SolverBoard diagram = board;
    diagram.epCell = 0;
    for (const SetPlayLine& line : solution.setPlay)
      text += "  " + GermanLine(diagram, -s, s, 1, {line.defence, line.mate}) + "\n";
  }
  return text;
}

std::string SolutionJson(const ProblemSolution& solution) {
  std::string json = "{\"mate_in\": ";
  json += solution.keys.empty() ? "null" : std::to_string(solution.mateIn);
  std::vector<SolverMove> keys;
  for (const SolutionKey& key : solution.keys) keys.push_back(key.move);
  json += ", \"keys\": " + JsonMoves(keys);
  json += ", \"threat\": " + (solution.threat.empty() ? std::string("null") : JsonMoves(solution.threat));
  json += ", \"variations\": [";
  for (size_t i = 0; i < solution.variations.size(); ++i) {
    const SolutionVariation& v = solution.variations[i];
    json += (i ? ", " : "") + std::string("{\"defence\": ") + JsonMove(v.defence) +
            ", \"line\": " + JsonMoves(v.line) + "}";
  }
  json += "], \"tries\": [";
  for (size_t i = 0; i < solution.tries.size(); ++i) {
    const SolutionTry& t = solution.tries[i];
    json += (i ? ", " : "") + std::string("{\"move\": ") + JsonMove(t.move) +
            ", \"refutation\": " + JsonMove(t.refutation) + "}";
  }
  json += "], \"set_play\": [";
  for (size_t i = 0; i < solution.setPlay.size(); ++i) {
    const SetPlayLine& p = solution.setPlay[i];
    json += (i ? ", " : "") + std::string("{\"defence\": ") + JsonMove(p.defence) +
            ", \"mate\": " + JsonMove(p.mate) + "}";
  }
  json += "]}";
  return json;
}

}  // namespace tavrel
