// The program's command line: at most one game file (.spa or .pgn) to open at start, and the
// help.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavrel {

struct CommandLine {
  enum class Action { Run, Help, Refuse };
  Action action = Action::Run;
  std::string file;   // the game to load at start; empty for none
  std::string error;  // why the arguments were refused
};

// args without the program name (and without the toolkit's own options). "--" ends the
// options, so a file name may begin with "-".
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage text, one line per item, each ending in "\n".
std::string UsageText(std::string_view program);

}  // namespace tavrel
