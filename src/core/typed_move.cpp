#include "core/typed_move.h"

#include <cctype>
#include <string>

namespace tavrel {

namespace {

bool IsFile(char c) { return c >= 'a' && c <= 'h'; }
bool IsRank(char c) { return c >= '1' && c <= '8'; }

// Blanks go; a coordinate move's trailing promotion letter is written as SAN expects it
// ("e7e8q" -> "e7e8Q"), in either language.
std::string Normalise(std::string_view text) {
  std::string s;
  for (char c : text)
    if (!std::isspace(static_cast<unsigned char>(c))) s += c;
  std::string squares;
  for (char c : s)
    if (c != '-') squares += c;
  if (squares.size() == 5 && IsFile(squares[0]) && IsRank(squares[1]) && IsFile(squares[2]) &&
      IsRank(squares[3]) && std::string_view("qrbndtls").find(squares[4]) != std::string_view::npos)
    s.back() = static_cast<char>(std::toupper(static_cast<unsigned char>(s.back())));
  return s;
}

}  // namespace

TypedMove ReadTypedMove(const FenPosition& position, std::string_view text) {
  const std::string s = Normalise(text);
  if (s.empty()) return {TypedMove::Empty, {}};
  if (auto m = ParseSan(position, s)) return {TypedMove::Ok, *m};
  // A piece letter and a square that two pieces reach: the same text with a file or a rank
  // after the letter names a move for more than one of them.
  if (s.size() >= 3 && std::isupper(static_cast<unsigned char>(s[0]))) {
    int named = 0;
    for (char d : std::string_view("abcdefgh12345678")) {
      std::string t = s;
      t.insert(t.begin() + 1, d);
      if (ParseSan(position, t)) ++named;
    }
    if (named >= 2) return {TypedMove::Ambiguous, {}};
  }
  FenPosition other = position;
  other.WhiteToMove = !other.WhiteToMove;
  other.EnPassant = None;
  if (ParseSan(other, s)) return {TypedMove::OtherSide, {}};
  return {TypedMove::NoMove, {}};
}

}  // namespace tavrel
