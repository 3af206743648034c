#include "core/fen.h"

#include <charconv>
#include <vector>

namespace tavrel {
namespace {

std::vector<std::string_view> SplitFields(std::string_view text) {
  std::vector<std::string_view> fields;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) fields.push_back(text.substr(start, i - start));
  }
  return fields;
}

bool Fail(std::string* error, const char* reason) {
  if (error) *error = reason;
  return false;
}

bool ParsePlacement(std::string_view field, std::string& board, std::string* error) {
  int rank = 8, file = 1;
  for (char c : field) {
    if (c == '/') {
      if (file != 9 || rank == 1) return Fail(error, "bad rank separator");
      --rank;
      file = 1;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
      if (file > 9) return Fail(error, "rank too long");
    } else if (PieceColorOf(c) >= 0) {
      if (file > 8) return Fail(error, "rank too long");
      board[SquareAt(file, rank) - 1] = c;
      ++file;
    } else {
      return Fail(error, "bad placement character");
    }
  }
  if (rank != 1 || file != 9) return Fail(error, "placement does not cover 64 squares");
  return true;
}

bool ParseNumber(std::string_view field, int& value) {
  auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  return ec == std::errc() && ptr == field.data() + field.size() && value >= 0;
}

}  // namespace

std::optional<FenPosition> ParseFen(std::string_view fen, std::string* error) {
  std::vector<std::string_view> f = SplitFields(fen);
  if (f.size() < 4 || f.size() > 6) {
    Fail(error, "expected 4 to 6 fields");
    return std::nullopt;
  }
  FenPosition p;
  if (!ParsePlacement(f[0], p.Board, error)) return std::nullopt;
  if (f[1] == "w") {
    p.WhiteToMove = true;
  } else if (f[1] == "b") {
    p.WhiteToMove = false;
  } else {
    Fail(error, "side to move must be w or b");
    return std::nullopt;
  }
  if (f[2] != "-") {
    for (char c : f[2]) {
      CanStillCastle right;
      switch (c) {
        case 'K':
          right = WhiteKingSide;
          break;
        case 'Q':
          right = WhiteQueenSide;
          break;
        case 'k':
          right = BlackKingSide;
          break;
        case 'q':
          right = BlackQueenSide;
          break;
        default:
          Fail(error, "bad castling field");
          return std::nullopt;
      }
      p.Castling |= right;
    }
  }
  if (f[3] != "-") {
    Square sq = None;
    if (f[3].size() == 2) sq = SquareAt(f[3][0] - 'a' + 1, f[3][1] - '0');
    int rank = RankOf(sq);
    if (sq == None || (rank != 3 && rank != 6)) {
      Fail(error, "bad en-passant square");
      return std::nullopt;
    }
    p.EnPassant = sq;
  }
  if ((f.size() > 4 && !ParseNumber(f[4], p.HalfmoveClock)) ||
      (f.size() > 5 && !ParseNumber(f[5], p.FullmoveNumber))) {
    Fail(error, "bad move counter");
    return std::nullopt;
  }
  return p;
}

std::string FormatPlacement(std::string_view board) {
  std::string out;
  for (int rank = 8; rank >= 1; --rank) {
    int empty = 0;
    for (int file = 1; file <= 8; ++file) {
      size_t i = SquareAt(file, rank) - 1;
      char c = i < board.size() ? board[i] : ' ';
      if (PieceColorOf(c) < 0) {
        ++empty;
        continue;
      }
      if (empty) out += static_cast<char>('0' + empty);
      empty = 0;
      out += c;
    }
    if (empty) out += static_cast<char>('0' + empty);
    if (rank > 1) out += '/';
  }
  return out;
}

std::string FormatFen(const FenPosition& p) {
  std::string out = FormatPlacement(p.Board);
  out += p.WhiteToMove ? " w " : " b ";
  std::string castling;
  if (HasRight(p.Castling, WhiteKingSide)) castling += 'K';
  if (HasRight(p.Castling, WhiteQueenSide)) castling += 'Q';
  if (HasRight(p.Castling, BlackKingSide)) castling += 'k';
  if (HasRight(p.Castling, BlackQueenSide)) castling += 'q';
  out += castling.empty() ? "-" : castling;
  out += ' ';
  if (IsBoardSquare(p.EnPassant)) {
    out += static_cast<char>('a' + FileOf(p.EnPassant) - 1);
    out += static_cast<char>('0' + RankOf(p.EnPassant));
  } else {
    out += '-';
  }
  out += ' ' + std::to_string(p.HalfmoveClock) + ' ' + std::to_string(p.FullmoveNumber);
  return out;
}

}  // namespace tavrel
