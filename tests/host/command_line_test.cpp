#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

TEST(CommandLine, ReadsEverySwitchInAnyCaseWithEitherPrefix) {
  struct Case {
    const wchar_t* arguments;
    bool silent;
    int keepDriver, keepData;
    const wchar_t* log;
  } cases[] = {
      {L"", false, -1, -1, L""},
      {L"   ", false, -1, -1, L""},
      {L"/S", true, -1, -1, L""},
      {L"-s", true, -1, -1, L""},
      {L"/s /KeepDriver=0 -keepdata=1", true, 0, 1, L""},
      {L"/KEEPDRIVER=1 /KEEPDRIVER=0", false, 0, -1, L""},  // the last one counts
      {L"/LOG=C:\\logs\\u.log", false, -1, -1, L"C:\\logs\\u.log"},
      {L"\"/log=C:\\my logs\\u.log\" /S", true, -1, -1, L"C:\\my logs\\u.log"},
      {L"/LOG=\"C:\\my logs\\u.log\"", false, -1, -1, L"C:\\my logs\\u.log"},
  };
  for (const Case& c : cases) {
    CommandLineOptions o;
    std::wstring error;
    ASSERT_TRUE(ParseCommandLine(c.arguments, o, error)) << c.arguments << L": " << error;
    EXPECT_EQ(c.silent, o.silent) << c.arguments;
    EXPECT_EQ(c.keepDriver, o.keepDriver) << c.arguments;
    EXPECT_EQ(c.keepData, o.keepData) << c.arguments;
    EXPECT_EQ(c.log, o.logPath) << c.arguments;
  }
}

TEST(CommandLine, RefusesUnknownAndMalformedSwitches) {
  for (const wchar_t* arguments : {L"/X", L"/SILENT", L"/S=1", L"/KEEPDRIVER", L"/KEEPDRIVER=", L"/KEEPDRIVER=2",
                                L"/KEEPDATA=yes", L"/LOG", L"/LOG=", L"S", L"keepdata=1", L"/", L"-", L"/S extra"}) {
    CommandLineOptions o;
    std::wstring error;
    EXPECT_FALSE(ParseCommandLine(arguments, o, error)) << arguments;
    EXPECT_FALSE(error.empty()) << arguments;
  }
  // A silent run stays silent about its bad arguments, wherever /S stands.
  CommandLineOptions o;
  std::wstring error;
  EXPECT_FALSE(ParseCommandLine(L"/bogus /S", o, error));
  EXPECT_TRUE(o.silent);
  EXPECT_EQ(L"unknown or malformed switch: /bogus", error);
}

TEST(CommandLine, ArgumentsFollowTheProgramsName) {
  EXPECT_EQ(L" /S", ArgumentsOf(L"\"C:\\Program Files\\Mirel\\Uninstall.exe\" /S"));
  EXPECT_EQ(L" /S /LOG=x", ArgumentsOf(L"Uninstall.exe /S /LOG=x"));
  EXPECT_EQ(L"", ArgumentsOf(L"  \"C:\\a b\\Uninstall.exe\""));
  EXPECT_EQ(L"", ArgumentsOf(L""));
}

}  // namespace
