// tavrel-engine: the Tavrel search as a UCI engine on stdin/stdout.
//   tavrel-engine          UCI session
//   tavrel-engine bench    fixed benchmark; the last line holds nodes, time and nodes per second
#include <iostream>
#include <string>

#include "cli/uci_engine.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  tavrel::uci::UciEngine engine(std::cout);
  if (argc > 1) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
      if (i > 1) line += ' ';
      line += argv[i];
    }
    engine.Execute(line);
    engine.WaitForWorker();
    return 0;
  }
  tavrel::uci::RunSession(engine, std::cin);
  return 0;
}
