#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

TEST(CommandLine, ReadsEverySwitchInAnyCaseWithEitherPrefix) {
  struct Case {
    const char* arguments;
    bool silent;
    int keepDriver, keepData;
    const char* log;
  } cases[] = {
      {"", false, -1, -1, ""},
      {"   ", false, -1, -1, ""},
      {"/S", true, -1, -1, ""},
      {"-s", true, -1, -1, ""},
      {"/s /KeepDriver=0 -keepdata=1", true, 0, 1, ""},
      {"/KEEPDRIVER=1 /KEEPDRIVER=0", false, 0, -1, ""},  // the last one counts
      {"/LOG=C:\\logs\\u.log", false, -1, -1, "C:\\logs\\u.log"},
      {"\"/log=C:\\my logs\\u.log\" /S", true, -1, -1, "C:\\my logs\\u.log"},
      {"/LOG=\"C:\\my logs\\u.log\"", false, -1, -1, "C:\\my logs\\u.log"},
  };
  for (const Case& c : cases) {
    CommandLineOptions o;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(c.arguments, o, error)) << c.arguments << ": " << error;
    EXPECT_EQ(c.silent, o.silent) << c.arguments;
    EXPECT_EQ(c.keepDriver, o.keepDriver) << c.arguments;
    EXPECT_EQ(c.keepData, o.keepData) << c.arguments;
    EXPECT_EQ(c.log, o.logPath) << c.arguments;
  }
}

TEST(CommandLine, RefusesUnknownAndMalformedSwitches) {
  for (const char* arguments : {"/X", "/SILENT", "/S=1", "/KEEPDRIVER", "/KEEPDRIVER=", "/KEEPDRIVER=2",
                                "/KEEPDATA=yes", "/LOG", "/LOG=", "S", "keepdata=1", "/", "-", "/S extra"}) {
    CommandLineOptions o;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(arguments, o, error)) << arguments;
    EXPECT_FALSE(error.empty()) << arguments;
  }
  // A silent run stays silent about its bad arguments, wherever /S stands.
  CommandLineOptions o;
  std::string error;
  EXPECT_FALSE(ParseCommandLine("/bogus /S", o, error));
  EXPECT_TRUE(o.silent);
  EXPECT_EQ("unknown or malformed switch: /bogus", error);
}

TEST(CommandLine, ArgumentsFollowTheProgramsName) {
  EXPECT_EQ(" /S", ArgumentsOf("\"C:\\Program Files\\Mirel\\Uninstall.exe\" /S"));
  EXPECT_EQ(" /S /LOG=x", ArgumentsOf("Uninstall.exe /S /LOG=x"));
  EXPECT_EQ("", ArgumentsOf("  \"C:\\a b\\Uninstall.exe\""));
  EXPECT_EQ("", ArgumentsOf(""));
}

}  // namespace
