#include "core/command_line.h"

namespace tavrel {

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine result;
  bool options_done = false;
  bool have_file = false;
  for (const std::string& arg : args) {
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      if (arg == "-h" || arg == "--help") {
        result.action = CommandLine::Action::Help;
      } else {
        return {CommandLine::Action::Refuse, {}, "unbekannte Option „" + arg + "“"};
      }
    } else if (have_file) {
      return {CommandLine::Action::Refuse,
              {},
              "nur eine Partiedatei möglich, „" + arg + "“ ist zu viel"};
    } else {
      result.file = arg;
      have_file = true;
    }
  }
  return result;
}

std::string UsageText(std::string_view program) {
  const std::string name(program);
  return "Aufruf: " + name + " [PARTIE.spa | PARTIE.pgn]\n" +
         "Startet das Schachprogramm Tavrel. Mit einer Partiedatei wird diese Partie geladen\n"
         "wie mit „Spielstand laden“, eine PGN-Datei wie mit „PGN-Partie laden …“.\n"
         "  -h, --help   diese Hilfe zeigen\n";
}

}  // namespace tavrel
