#include <gtest/gtest.h>

#include <string>

#include "cleanup/processes/close_programs_text.h"

namespace {

// GBK: "测" is B2 E2; "客" BF CD; "A" (0x41) is a valid GBK trail byte, so "\x81\x41" is one
// double-byte character whose second byte looks like an upper-case letter.
const std::string kGbkWithLetterTrail = "\x81\x41";

TEST(CloseProgramsText, LowerTouchesOnlySingleByteLetters) {
  struct Case { std::string in, out; } cases[] = {
      {"VUVizeduVidizi.EXE", "vuvizeduvidizi.exe"},
      {"C:\\Program Files\\HH.EXE", "c:\\program files\\hh.exe"},
      {kGbkWithLetterTrail + "B.EXE", kGbkWithLetterTrail + "b.exe"},
      {"\xB2\xE2" "ABC", "\xB2\xE2" "abc"},
      {"", ""},
      {"already lower 123", "already lower 123"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, FoldedAnsi(c.in)) << c.in;
}

TEST(CloseProgramsText, TrimRemovesBlanksAtBothEndsOnly) {
  struct Case { std::string in, out; } cases[] = {
      {"  a b\t\r\n", "a b"}, {"\t\t", ""}, {"", ""}, {"x", "x"}, {" Client.exe ", "Client.exe"}};
  for (const Case& c : cases) EXPECT_EQ(c.out, TrimBlanks(c.in)) << c.in;
}

TEST(CloseProgramsText, ClientFileNameKeyIsLoweredAndTrimmed) {
  EXPECT_EQ("testdialer.exe", ClientFileNameKey("  TestDialer.EXE\t"));
  EXPECT_EQ("", ClientFileNameKey("   "));
}

TEST(CloseProgramsText, ContainsMatchesWholeCharactersOnly) {
  struct Case { std::string haystack, needle; bool found; } cases[] = {
      {"testdialer.exe", "testdialer.exe", true},
      {"mytestdialer.exe", "testdialer.exe", true},        // a longer name containing it
      {"c:\\client\\testdialer.exe", "testdialer.exe", true},  // a full path ending in it
      {"testdialer.ex", "testdialer.exe", false},
      {"anything.exe", "", false},                          // an empty name matches nothing
      {"", "", false},
      {"hh.exe", "hh.exe", true},
      // "A" must not be found inside the double-byte character whose trail byte it is.
      {kGbkWithLetterTrail, "A", false},
      {kGbkWithLetterTrail + "A", "A", true},
      {"\xB2\xE2\xBF\xCD", "\xE2\xBF", false},
      {"\xB2\xE2\xBF\xCD", "\xBF\xCD", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.found, ContainsText(c.haystack, c.needle)) << c.haystack << " / " << c.needle;
}

TEST(CloseProgramsText, BrowserUninstallerCommandIsQuotedAndLimitedTo255) {
  std::string command = "stale";
  ASSERT_TRUE(FormBrowserUninstallerCommand("C:\\Program Files\\Dial", command));
  EXPECT_EQ("\"C:\\Program Files\\Dial\\PavoBrowser\\Unin.exe\" -Qlume", command);

  // The fixed part is 30 characters: a folder of 225 fits exactly, one more does not.
  const std::string fits(225, 'd');
  ASSERT_TRUE(FormBrowserUninstallerCommand(fits, command));
  EXPECT_EQ(255u, command.size());
  EXPECT_FALSE(FormBrowserUninstallerCommand(fits + "d", command));
  EXPECT_TRUE(command.empty());
}

}  // namespace
