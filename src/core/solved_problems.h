#pragma once
// Which problems of the collection the user has solved in the trainer, kept in a file of its
// own in the data folder. A problem is known by its move count and position, not by its title
// or place in the list, so renumbering the collection keeps the marks.
//
// File text (UTF-8, LF): the line kSolvedHeader, then one line per solved problem: the move
// count, a blank, the placement (FEN's first field). Unknown or broken content is never
// rewritten: the file is moved aside (name + ".defekt") and the marks start empty.
#include <filesystem>
#include <set>
#include <string>
#include <string_view>

namespace tavrel {

inline constexpr char kSolvedFileName[] = "geloeste_probleme.txt";
inline constexpr char kSolvedHeader[] = "Tavrel: gelöste Probleme 1";

// The key of one problem: "N placement" for the 64-character board text.
std::string SolvedKey(int moves, std::string_view boardText);

struct SolvedLoad {
  std::set<std::string> keys;
  std::string problem;  // German message when the file was broken and moved aside, else empty
  bool writable = true;  // false when a broken file could not be moved aside: never overwrite it
};

// Reads the marks; a missing file is no marks. A broken file is renamed to a free name
// "<file>.defekt" ("<file>.defekt2", ...) and reported in `problem`; an unreadable one too.
SolvedLoad LoadSolved(const std::filesystem::path& file);

// Writes the marks whole through a temporary file and a rename. Throws EFileError.
void SaveSolved(const std::filesystem::path& file, const std::set<std::string>& keys);

}  // namespace tavrel
