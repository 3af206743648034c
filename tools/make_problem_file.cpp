// make-problem-file: packs the plain-text problem source into the collection file.
//
//   make-problem-file SOURCE.txt OUTPUT.c00   pack (the build does this for mtavrel.c00)
//   make-problem-file --dump FILE.c00          print a collection as UTF-8 text
//
// The source is UTF-8, three lines per problem: the title ("0. Name"), the number of moves of
// the mate (1..12), and the 64-character board text (a8..h8, a7..h1, blank = empty square).
// Editors strip trailing blanks, so a shorter board line is padded with blanks to 64 characters
// and blanks beyond the 64th are dropped. Empty lines at the end of the source are ignored; every
// other mistake stops the tool with the line number, so a broken source fails the build.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/problem_file.h"

namespace {

constexpr std::size_t kBoardLength = 64;

struct SourceError {
  std::size_t line;
  std::string message;
};

std::vector<std::string> ReadLines(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + file);
  std::stringstream buffer;
  buffer << in.rdbuf();
  std::string text = buffer.str();
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

std::string CheckedBoard(std::string board, std::size_t line) {
  if (board.size() > kBoardLength) {
    if (board.find_first_not_of(' ', kBoardLength) != std::string::npos) {
      throw SourceError{line, "board text longer than 64 characters"};
    }
    board.resize(kBoardLength);
  }
  board.resize(kBoardLength, ' ');
  int white_kings = 0;
  int black_kings = 0;
  for (std::size_t i = 0; i < board.size(); ++i) {
    const char c = board[i];
    if (std::string_view(" PNBRQKpnbrqk").find(c) == std::string_view::npos) {
      throw SourceError{line, "character '" + std::string(1, c) + "' at board position " +
                                  std::to_string(i + 1) + " is not one of \" PNBRQKpnbrqk\""};
    }
    white_kings += c == 'K';
    black_kings += c == 'k';
  }
  if (white_kings != 1 || black_kings != 1) {
    throw SourceError{line, "board text needs exactly one 'K' and one 'k'"};
  }
  return board;
}

tavrel::ProblemList ParseSource(const std::vector<std::string>& lines) {
  if (lines.size() % 3 != 0) {
    throw SourceError{lines.size(), "line count " + std::to_string(lines.size()) +
                                        " is not a multiple of three (title, moves, board)"};
  }
  tavrel::ProblemList list;
  for (std::size_t i = 0; i < lines.size(); i += 3) {
    if (lines[i].empty()) throw SourceError{i + 1, "empty title"};
    const std::string& moves = lines[i + 1];
    std::size_t used = 0;
    int n = 0;
    try {
      n = std::stoi(moves, &used);
    } catch (const std::exception&) {
      used = 0;
    }
    if (used != moves.size() || moves.empty() || n < 1 || n > 12) {
      throw SourceError{i + 2, "number of moves \"" + moves + "\" is not an integer 1..12"};
    }
    list.push_back(lines[i]);
    list.push_back(std::to_string(n));
    list.push_back(CheckedBoard(lines[i + 2], i + 3));
  }
  return list;
}

int Dump(const std::string& file) {
  tavrel::ProblemList list;
  tavrel::LoadCompressedList(list, file);
  for (const std::string& line : list) std::cout << line << '\n';
  return 0;
}

int Pack(const std::string& source, const std::string& output) {
  tavrel::ProblemList list;
  try {
    list = ParseSource(ReadLines(source));
  } catch (const SourceError& e) {
    std::cerr << source << ":" << e.line << ": " << e.message << '\n';
    return 1;
  }
  tavrel::SaveCompressedList(list, output);
  std::cout << "make-problem-file: " << list.size() / 3 << " problems -> " << output << '\n';
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 3 && std::string(argv[1]) == "--dump") return Dump(argv[2]);
    if (argc == 3) return Pack(argv[1], argv[2]);
    std::cerr << "usage: make-problem-file SOURCE.txt OUTPUT.c00\n"
                 "       make-problem-file --dump FILE.c00\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "make-problem-file: " << tavrel::ErrorMessage(e) << '\n';
    return 1;
  }
}
