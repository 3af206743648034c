#include "core/openings.h"

#include <algorithm>
#include <cctype>

#include "core/chessboard.h"

namespace tavrel {
namespace {

constexpr OpeningInfo kOpenings[] = {
    {"e010", "Abgelehntes Damengambit", "E010", 2464, 17, false,
     "1. d2-d4 d7-d5 2. c2-c4 c7-c6 3. Sg1-f3 Sg8-f6 4. Sb1-c3 d5xc4 5. a2-a4 Lc8-f5 6. e2-e3 "
     "e7-e6 7. Lf1xc4 Lf8-b4 8. 0-0 0-0 9. Dd1-e2"},
    {"e026", "Altindische Verteidigung", "E026", 1408, 9, false,
     "1. d2-d4 Sg8-f6 2. c2-c4 d7-d6 3. Sb1-c3 e7-e5 4. Sg1-f3 Sb8-d7 5. e2-e4"},
    {"e025", "Benko-Gambit", "E025", 1936, 13, false,
     "1. d2-d4 Sg8-f6 2. c2-c4 c7-c5 3. d4-d5 b7-b5 4. c4xb5 a7-a6 5. b5xa6 Lc8xa6 6. Sb1-c3 d7-d6 "
     "7. e2-e4"},
    {"e024", "Caro-Kann-Verteidigung", "E024", 1936, 13, false,
     "1. e2-e4 c7-c6 2. d2-d4 d7-d5 3. Sb1-c3 d5xe4 4. Sc3xe4 Lc8-f5 5. Se4-g3 Lf5-g6 6. h2-h4 "
     "h7-h6 7. Sg1-f3"},
    {"E006", "Damenbauer Averbakh-Eröffnung", "E006", 1144, 7, false,
     "1. d2-d4 d7-d6 2. c2-c4 g7-g6 3. Sb1-c3 Lf8-g7 4. e2-e4"},
    {"E007", "Damenbauer Benoni-Verteidigung", "E007", 3256, 22, true,
     "1. d2-d4 Sg8-f6 2. c2-c4 c7-c5 3. d4-d5 e7-e6 4. Sb1-c3 e6xd5 5. c4xd5 d7-d6 6. Sg1-f3 g7-g6 "
     "7. g2-g3 Lf8-g7 8. Lf1-g2 0-0 9. 0-0 Sb8-d7 10. Sf3-d2 a7-a6 11. a2-a4 Tf8-e8"},
    {"e009", "Damenindische Verteidigung", "E009", 2464, 17, false,
     "1. d2-d4 Sg8-f6 2. c2-c4 e7-e6 3. Sg1-f3 b7-b6 4. g2-g3 Lc8-b7 5. Lf1-g2 Lf8-e7 6. 0-0 0-0 "
     "7. Sb1-c3 Sf6-e4 8. Dd1-c2 Se4xc3 9. Dc2xc3"},
    {"E002", "Englische Eröffnung", "E002", 1408, 9, false,
     "1. c2-c4 e7-e6 2. Sg1-f3 d7-d5 3. g2-g3 Sg8-f6 4. Lf1-g2 Lf8-e7 5. 0-0"},
    {"E003", "Englische Eröffnung A24", "E003", 1408, 9, false,
     "1. c2-c4 e7-e5 2. Sb1-c3 Sg8-f6 3. g2-g3 g7-g6 4. Lf1-g2 Lf8-g7 5. Sg1-f3"},
    {"E004", "Englische Eröffnung 4 Springer", "E004", 1144, 7, false,
     "1. c2-c4 e7-e5 2. Sb1-c3 Sb8-c6 3. Sg1-f3 Sg8-f6 4. d2-d4"},
    {"E005", "Englische Symmetrievariante", "E005", 2464, 17, false,
     "1. c2-c4 c7-c5 2. Sb1-c3 Sg8-f6 3. g2-g3 d7-d5 4. c4xd5 Sf6xd5 5. Lf1-g2 Sd5-c7 6. Sg1-f3 "
     "Sb8-c6 7. 0-0 e7-e5 8. d2-d3 Lf8-e7 9. Sf3-d2"},
    {"e019", "Französische Verteidigung", "E019", 1936, 12, true,
     "1. e2-e4 e7-e6 2. d2-d4 d7-d5 3. Sb1-c3 Sg8-f6 4. Lc1-g5 Lf8-e7 5. e4-e5 Sf6-d7 6. Lg5xe7 "
     "Dd8xe7"},
    {"e021", "Grünfeld-Verteidigung", "E021", 2464, 17, false,
     "1. d2-d4 Sg8-f6 2. c2-c4 g7-g6 3. Sb1-c3 d7-d5 4. Sg1-f3 Lf8-g7 5. Dd1-b3 d5xc4 6. Db3xc4 "
     "0-0 7. e2-e4 Lc8-g4 8. Lc1-e3 Sf6-d7 9. Dc4-b3"},
    {"e016", "Holländische Verteidigung", "E016", 1144, 7, false,
     "1. d2-d4 f7-f5 2. c2-c4 Sg8-f6 3. g2-g3 e7-e6 4. Lf1-g2"},
    {"e017", "Iljin-Genewsky-System", "E017", 2992, 21, false,
     "1. d2-d4 f7-f5 2. c2-c4 Sg8-f6 3. g2-g3 e7-e6 4. Lf1-g2 Lf8-e7 5. Sg1-f3 0-0 6. 0-0 d7-d6 7. "
     "Sb1-c3 Dd8-e8 8. Tf1-e1 De8-g6 9. e2-e4 f5xe4 10. Sc3xe4 Sf6xe4 11. Te1xe4"},
    {"e014", "Königsgambit", "E014", 1408, 8, true,
     "1. e2-e4 e7-e5 2. f2-f4 e5xf4 3. Sg1-f3 g7-g5 4. Lf1-c4 Lf8-g7"},
    {"E008", "Königsindische Verteidigung", "E008", 2728, 19, false,
     "1. d2-d4 Sg8-f6 2. c2-c4 g7-g6 3. Sb1-c3 Lf8-g7 4. e2-e4 d7-d6 5. Sg1-f3 0-0 6. Lf1-e2 e7-e5 "
     "7. 0-0 Sb8-c6 8. d4-d5 Sc6-e7 9. Sf3-e1 Sf6-d7 10. f2-f3"},
    {"e018", "Leningrader System", "E018", 2728, 18, true,
     "1. d2-d4 f7-f5 2. c2-c4 Sg8-f6 3. g2-g3 g7-g6 4. Lf1-g2 Lf8-g7 5. Sb1-c3 0-0 6. Sg1-f3 d7-d6 "
     "7. 0-0 Sb8-c6 8. d4-d5 Sc6-e5 9. Sf3xe5 d6xe5"},
    {"E001", "Reti-Eröffnung", "E001", 880, 5, false, "1. Sg1-f3 d7-d5 2. g2-g3 c7-c5 3. Lf1-g2"},
    {"e020", "Russische Verteidigung", "E020", 1936, 12, true,
     "1. e2-e4 e7-e5 2. Sg1-f3 Sg8-f6 3. Sf3xe5 d7-d6 4. Se5-f3 Sf6xe4 5. d2-d4 d6-d5 6. Lf1-d3 "
     "Lf8-e7"},
    {"e013", "Schottische Partie", "E013", 2464, 16, true,
     "1. e2-e4 e7-e5 2. Sg1-f3 Sb8-c6 3. d2-d4 e5xd4 4. Sf3xd4 Sg8-f6 5. Sb1-c3 Lf8-b4 6. Sd4xc6 "
     "b7xc6 7. Lf1-d3 d7-d5 8. e4xd5 c6xd5"},
    {"e015", "Sizilianische Verteidigung", "E015", 2992, 20, true,
     "1. e2-e4 c7-c5 2. Sg1-f3 d7-d6 3. d2-d4 c5xd4 4. Sf3xd4 Sg8-f6 5. Sb1-c3 Sb8-c6 6. Lc1-g5 "
     "e7-e6 7. Dd1-d2 a7-a6 8. 0-0-0 Lc8-d7 9. f2-f4 Lf8-e7 10. Sd4-f3 b7-b5"},
    {"e023", "Sizilianisch Drachenvariation", "E023", 2200, 14, true,
     "1. e2-e4 c7-c5 2. Sg1-f3 Sb8-c6 3. d2-d4 c5xd4 4. Sf3xd4 g7-g6 5. c2-c4 Lf8-g7 6. Lc1-e3 "
     "Sg8-f6 7. Sb1-c3 Sf6-g4"},
    {"e022", "Sizilianisch Taimanow-Variation", "E022", 1936, 13, false,
     "1. e2-e4 c7-c5 2. Sg1-f3 e7-e6 3. d2-d4 c5xd4 4. Sf3xd4 Sb8-c6 5. Sb1-c3 Dd8-c7 6. Lc1-e3 "
     "a7-a6 7. Lf1-e2"},
    {"e011", "Slawische Verteidigung", "E011", 1936, 12, true,
     "1. d2-d4 d7-d5 2. c2-c4 c7-c6 3. Sg1-f3 Sg8-f6 4. c4xd5 c6xd5 5. Sb1-c3 Sb8-c6 6. Lc1-f4 "
     "Lc8-f5"},
    {"e012", "Spanische Eröffnung", "E012", 3520, 25, false,
     "1. e2-e4 e7-e5 2. Sg1-f3 Sb8-c6 3. Lf1-b5 a7-a6 4. Lb5-a4 Sg8-f6 5. 0-0 Lf8-e7 6. Tf1-e1 "
     "b7-b5 7. La4-b3 d7-d6 8. c2-c3 0-0 9. h2-h3 Sc6-a5 10. Lb3-c2 c7-c5 11. d2-d4 Dd8-c7 12. "
     "Sb1-d2 c5xd4 13. c3xd4"},
};
static_assert(std::size(kOpenings) == 26);

bool SameName(std::string_view a, std::string_view b) {
  std::string clean;
  for (char c : a)
    if (c != '&') clean += c;
  return std::ranges::equal(clean, b, [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) ==
           std::toupper(static_cast<unsigned char>(y));
  });
}

std::vector<std::string_view> Tokens(std::string_view text) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    size_t j = text.find(' ', i);
    if (j == std::string_view::npos) j = text.size();
    out.push_back(text.substr(i, j - i));
    i = j;
  }
  return out;
}

bool IsMoveNumber(std::string_view token) {
  return token.size() >= 2 && token.back() == '.' &&
         std::all_of(token.begin(), token.end() - 1,
                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

// A move of the notation as from/to squares and the German piece letter ('\0' for a pawn).
struct ParsedMove {
  int From = None;
  int To = None;
  char Piece = 0;
};

int ParseSquare(std::string_view s) {
  if (s.size() != 2 || s[0] < 'a' || s[0] > 'h' || s[1] < '1' || s[1] > '8') return None;
  return SquareAt(s[0] - 'a' + 1, s[1] - '0');
}

bool ParseMove(std::string_view token, bool white, ParsedMove& move) {
  const int homeRank = white ? 1 : 8;
  if (token == "0-0" || token == "0-0-0") {
    move.Piece = 'K';
    move.From = SquareAt(5, homeRank);
    move.To = SquareAt(token == "0-0" ? 7 : 3, homeRank);
    return true;
  }
  if (!token.empty() && std::string_view("KDTLS").find(token[0]) != std::string_view::npos) {
    move.Piece = token[0];
    token.remove_prefix(1);
  }
  if (token.size() != 5 || (token[2] != '-' && token[2] != 'x')) return false;
  move.From = ParseSquare(token.substr(0, 2));
  move.To = ParseSquare(token.substr(3, 2));
  return move.From != None && move.To != None;
}

// The German letter of a board letter, '\0' for a pawn.
char GermanLetter(char boardLetter) {
  const char g = GermanLetterOf(boardLetter);
  return g == 'B' ? 0 : g;
}

}  // namespace

std::span<const OpeningInfo> Openings() {
  return kOpenings;
}

const OpeningInfo* FindOpening(std::string_view name) {
  for (const OpeningInfo& o : kOpenings)
    if (SameName(name, o.MenuItem) || SameName(name, o.DataItem)) return &o;
  return nullptr;
}

std::vector<std::string> OpeningLines(const OpeningInfo& opening) {
  std::vector<std::string> lines;
  std::string number;
  bool whiteNext = true;
  for (std::string_view token : Tokens(opening.Moves)) {
    if (IsMoveNumber(token)) {
      number = std::string(token);
      whiteNext = true;
      continue;
    }
    // Appended piece by piece: gcc 12 warns falsely (-Wrestrict) on "literal" + std::string.
    std::string line = whiteNext ? number + " " : std::string("\t");
    lines.push_back(line.append(token));
    whiteNext = false;
  }
  return lines;
}

void PlayOpening(ChessBoard& board, const OpeningInfo& opening) {
  const std::string name(opening.Caption);
  auto fail = [&name](const std::string& what) { throw OpeningError(name + ": " + what); };
  for (std::string_view token : Tokens(opening.Moves)) {
    if (IsMoveNumber(token)) {
      if (std::stoi(std::string(token)) != board.CurrentMove() || !board.WhiteToMove())
        fail("Zugnummer " + std::string(token) + " passt nicht");
      continue;
    }
    const bool white = board.WhiteToMove();
    ParsedMove move;
    if (!ParseMove(token, white, move)) fail("unlesbarer Zug " + std::string(token));
    if (GermanLetter(board.Squares()[move.From]) != move.Piece ||
        board.PieceColor(move.From) != (white ? 1 : 0))
      fail("auf dem Ausgangsfeld von " + std::string(token) + " steht eine andere Figur");
    if (!board.ExecuteMove(move.From, move.To)) fail("unzulässiger Zug " + std::string(token));
  }
  std::vector<std::string> lines;
  board.GetMoveList(lines);
  if (lines != OpeningLines(opening)) fail("die Zugliste weicht von der Eröffnung ab");
}

}  // namespace tavrel
