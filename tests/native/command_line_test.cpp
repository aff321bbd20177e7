#include <gtest/gtest.h>

#include "platform/command_line.h"

TEST(CommandLine, ArgumentsAfterTheProgramName) {
  const std::pair<const char*, const char*> cases[] = {
      {"_install.exe", ""},
      {"_install.exe -0", "-0"},
      {"_install.exe   \t-1:2.0 x", "-1:2.0 x"},
      {"\"C:\\Program Files\\x\\_install.exe\" -0", "-0"},
      {"\"C:\\a b\\_install.exe\"-0", "-0"},
      {"\"C:\\unterminated -0", ""},
      {"", ""},
  };
  for (auto [line, arguments] : cases) EXPECT_EQ(platform::ArgumentsAfterProgramName(line), arguments) << line;
}
