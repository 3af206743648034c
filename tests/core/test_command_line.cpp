#include "core/command_line.h"

#include <gtest/gtest.h>

using tavrel::CommandLine;
using tavrel::ParseCommandLine;

TEST(CommandLine, ArgumentsGiveTheActionAndTheFile) {
  struct Case {
    std::vector<std::string> args;
    CommandLine::Action action;
    std::string file;
  };
  const Case cases[] = {
      {{}, CommandLine::Action::Run, ""},
      {{"partie.spa"}, CommandLine::Action::Run, "partie.spa"},
      {{"--", "-partie.spa"}, CommandLine::Action::Run, "-partie.spa"},
      {{"-"}, CommandLine::Action::Run, "-"},
      {{"--help"}, CommandLine::Action::Help, ""},
      {{"eins.spa", "zwei.spa"}, CommandLine::Action::Refuse, ""},
      {{"--level=3"}, CommandLine::Action::Refuse, ""},
      {{"partie.spa", "-x"}, CommandLine::Action::Refuse, ""},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(c.args);
    EXPECT_EQ(line.action, c.action) << testing::PrintToString(c.args);
    EXPECT_EQ(line.file, c.file) << testing::PrintToString(c.args);
    EXPECT_EQ(line.error.empty(), c.action != CommandLine::Action::Refuse);
  }
}
