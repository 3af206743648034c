#include "core/placement.h"

#include <charconv>
#include <climits>

#include "core/squares.h"

namespace tavrel {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// Byte length of the first `count` UTF-8 characters of text (all of it when shorter).
std::size_t Utf8Prefix(std::string_view text, std::size_t count) {
  std::size_t i = 0;
  for (std::size_t n = 0; n < count && i < text.size(); ++n) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return i;
}

}  // namespace

std::string PositionToPlacement(std::string_view board) {
  std::string out;
  out.reserve(80);
  for (int rank = 0; rank < 8; ++rank) {
    int blanks = 0;
    for (int file = 0; file < 8; ++file) {
      const std::size_t i = static_cast<std::size_t>(rank * 8 + file);
      const char c = i < board.size() ? board[i] : ' ';
      if (c == ' ') {
        ++blanks;
        continue;
      }
      if (blanks > 0) out += static_cast<char>('0' + blanks);
      blanks = 0;
      out += c;
    }
    if (blanks > 0) out += static_cast<char>('0' + blanks);
    out += '/';
  }
  return out;
}

std::string TranslateSolutionLetters(std::string_view move) {
  std::string out(move);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z' && GermanLetterOf(c)) c = GermanLetterOf(c);
  return out;
}

// The grid writes German letters, upper case for White ("B" a pawn, "L" a bishop).
char GridLetterToBoard(char letter) {
  const bool black = letter >= 'a' && letter <= 'z';
  const char english = EnglishLetterOf(black ? static_cast<char>(letter - 32) : letter);
  if (!english) return ' ';
  return black ? static_cast<char>(english + 32) : english;
}

char BoardLetterToGrid(char piece) {
  const char german = GermanLetterOf(piece);
  if (!german) return piece;
  return piece >= 'a' && piece <= 'z' ? static_cast<char>(german + 32) : german;
}

std::string GridToPosition(const std::string (&cells)[64]) {
  std::string board(64, ' ');
  for (int i = 0; i < 64; ++i)
    board[static_cast<std::size_t>(i)] = cells[i].empty() ? ' ' : GridLetterToBoard(cells[i][0]);
  return board;
}

int StoredMoveCount(std::string_view typed) {
  std::size_t i = 0;
  while (i < typed.size() && IsBlank(typed[i])) ++i;
  bool negative = false;
  if (i < typed.size() && (typed[i] == '+' || typed[i] == '-')) negative = typed[i++] == '-';
  long long value = 0;
  for (; i < typed.size() && typed[i] >= '0' && typed[i] <= '9'; ++i) {
    value = value * 10 + (typed[i] - '0');
    if (value > INT_MAX) value = INT_MAX + 1LL;  // saturate; only the clamp below matters
  }
  if (negative) value = -value;
  if (value < 1) return 3;
  if (value > 12) return 12;
  return static_cast<int>(value);
}

std::optional<int> ParseMoveCountLine(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  line.remove_prefix(i);
  // from_chars takes a "-" but no "+"; a sign must be followed by a digit.
  if (!line.empty() && line.front() == '+') {
    line.remove_prefix(1);
    if (!line.empty() && line.front() == '-') return std::nullopt;
  }
  int value = 0;
  const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
  if (error != std::errc() || end != line.data() + line.size()) return std::nullopt;
  return value;
}

std::string InvalidIntegerMessage(std::string_view line) {
  std::string text = "'";  // appended: gcc 12 warns falsely (-Wrestrict) on "'" + std::string
  return text.append(line).append("' ist kein gültiger Integerwert");
}

std::string ProblemCaption(std::string_view title) {
  const std::size_t dot = title.find('.');
  const std::size_t head = dot == std::string_view::npos ? 0 : dot + 1;
  const std::string_view rest = title.substr(head);
  std::string caption(title.substr(0, head));
  caption += "Problem : ";
  caption += rest.substr(0, Utf8Prefix(rest, 255));
  caption += "     ";
  return caption;
}

std::string NewProblemTitle(int entries, std::string_view name) {
  return std::to_string(entries) + ". " + std::string(name);
}

std::string MateAnnouncement(int moves) {
  if (moves == 1) return "Matt in 1 Zug";
  return "Matt in " + std::to_string(moves) + " Zügen";
}

}  // namespace tavrel
