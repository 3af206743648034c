// How strong an external UCI engine plays: options and a limit per move, given as the player
// words of tavrel-match (option.NAME=VALUE, depth=N, nodes=N, movetime=MS), and the table of
// measured strength steps (resources/engines/strength.txt) that the opponent dialog offers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavrel {

struct EngineSettings {
  std::vector<std::pair<std::string, std::string>> Options;  // setoption, in this order
  int Depth = 0;            // 0: no limit of this kind
  long long Nodes = 0;
  long long MoveTimeMs = 0;
  bool HasLimit() const { return Depth > 0 || Nodes > 0 || MoveTimeMs > 0; }
};

enum class PlayerWord { Taken, NotMine, Bad };
// Applies one word ("option.Skill Level=3", "nodes=5000" ...) to settings. NotMine for any other
// word (cmd=, tc= ...); Bad with a German reason for a word of these kinds that is malformed.
PlayerWord ApplyPlayerWord(std::string_view word, EngineSettings& settings, std::string* error);

// "go depth 3 nodes 5000", or "go movetime <fallbackMs>" when the settings set no limit.
std::string GoCommand(const EngineSettings& settings, long long fallbackMs);

struct StrengthStep {
  std::string Prefix;  // the engine's "id name" starts with it
  int Elo = 0;
  int Error95 = 0;  // ± at 95 %
  int Games = 0;
  EngineSettings Settings;
};

struct StrengthTable {
  std::vector<StrengthStep> Steps;
  std::vector<std::string> Problems;  // German, one per line that was left out ("Zeile 7: …")
};

// Lines "prefix | Elo | ±95 % | games | settings"; '#' lines and blank lines are comments. The
// settings are player words separated by spaces; a piece that does not begin a word
// ("option.", "depth=", "nodes=", "movetime=") continues the one before, so option names and
// values may hold spaces: "option.Skill Level=3 depth=5".
StrengthTable ParseStrengthTable(std::string_view text);

// The steps for an engine, weakest first: those whose prefix its "id name" begins with.
std::vector<StrengthStep> StepsFor(const StrengthTable& table, std::string_view idName);

}  // namespace tavrel
