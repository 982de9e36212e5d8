#include <gtest/gtest.h>

#include <string>

#include "cleanup/steps/setup_file_parser.h"
#include "cleanup/steps/setup_value_text.h"

namespace {

std::vector<SetupFileValue> Parse(const std::string& text) {
  return ParseSetupFile(text.data(), text.size());
}

::testing::AssertionResult Is(const SetupFileValue& v, const char* key, const char* name,
                              const char* value) {
  if (v.key == key && v.name == name && v.value == value) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got [" << v.key << "] [" << v.name << "] = [" << v.value
                                       << "]";
}

TEST(SetupFileLines, NamesAndValuesAreTrimmedOfQuotesAndBlanks) {
  auto v = Parse("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Mirel_Mini\\tem]\r\n\"zString2\" = \"Close it?\"\r\n");
  ASSERT_EQ(1u, v.size());
  EXPECT_TRUE(Is(v[0], "SOFTWARE\\Mirel_Mini\\tem\\", "zString2", "Close it?"));
}

TEST(SetupFileLines, ValueKeepsEverythingAfterTheFirstEquals) {
  auto v = Parse("[K]\r\"url\"=\"a=b==c\"\r");
  ASSERT_EQ(1u, v.size());
  EXPECT_TRUE(Is(v[0], "K\\", "url", "a=b==c"));
}

TEST(SetupFileLines, LinesBeforeAnySectionGoToTheRoot) {
  auto v = Parse("\"SetupType\"=\"20\"\r[S]\rx=1\r");
  ASSERT_EQ(2u, v.size());
  EXPECT_TRUE(Is(v[0], "", "SetupType", "20"));
  EXPECT_TRUE(Is(v[1], "S\\", "x", "1"));
}

TEST(SetupFileLines, SectionsWithAndWithoutTheRootName) {
  auto v = Parse("[SOFTWARE\\A]\ra=1\r[HKEY_LOCAL_MACHINE\\B\\HKEY_LOCAL_MACHINE\\C]\rb=2\r"
                 "[HKEY_CURRENT_USER\\D]\rc=3\r");
  ASSERT_EQ(3u, v.size());
  EXPECT_TRUE(Is(v[0], "SOFTWARE\\A\\", "a", "1"));
  // Each root name becomes one blank; only the ends are trimmed.
  EXPECT_TRUE(Is(v[1], "B\\ C\\", "b", "2"));
  EXPECT_TRUE(Is(v[2], "HKEY_CURRENT_USER\\D\\", "c", "3"));
}

TEST(SetupFileLines, ASectionLineWithEqualsIsAlsoAValueLine) {
  auto v = Parse("[a=b]\r");
  ASSERT_EQ(1u, v.size());
  EXPECT_TRUE(Is(v[0], "a=b\\", "[a", "b]"));
}

TEST(SetupFileLines, LineFeedsAloneDoNotEndLines) {
  auto v = Parse("a=1\nb=2\nc=3");
  ASSERT_EQ(1u, v.size());
  EXPECT_TRUE(Is(v[0], "", "a", "1\nb=2\nc=3"));
}

TEST(SetupFileLines, ZeroBytesEndLinesAndEqualsAtTheStartIsNoValue) {
  const std::string text("x=1\0=2\0  \t\r\r\"\"\ry=\"\"\r", 20);
  auto v = Parse(text);
  ASSERT_EQ(2u, v.size());
  EXPECT_TRUE(Is(v[0], "", "x", "1"));
  EXPECT_TRUE(Is(v[1], "", "y", ""));
}

TEST(SetupFileLimits, OnlyTheFirst20000BytesAreRead) {
  std::string text = "[K]\r";
  text += std::string(kSetupFileMaxBytes - text.size() - 3, ' ') + "\ra=1\rb=2\r";
  // "a=1" starts exactly within the limit but is cut to "a=" ; "b=2" lies beyond it.
  auto v = Parse(text);
  ASSERT_EQ(1u, v.size());
  EXPECT_TRUE(Is(v[0], "K\\", "a", ""));
}

TEST(SetupFileLimits, ALongLineKeepsItsFirst9999Bytes) {
  std::string value(12000, 'v');
  auto v = Parse("n=" + value + "\rnext=1\r");
  ASSERT_EQ(2u, v.size());
  EXPECT_EQ(kSetupFileMaxLineBytes - 2, v[0].value.size());
  EXPECT_TRUE(Is(v[1], "", "next", "1"));
}

TEST(SetupFileLimits, DoubleByteTextPassesThroughUnchanged) {
  // GBK bytes of a Chinese caption, including a trail byte that equals "|" (0x7C).
  const std::string gbk = "\xcc\xe1\xca\xbe\x81\x7c";
  auto v = Parse("zString2=" + gbk + "\r");
  ASSERT_EQ(1u, v.size());
  EXPECT_EQ(gbk, v[0].value);
}

// The host stands in for a GBK system: 0x81..0xFE lead a double-byte character.
TEST(SetupValueText, OnlyAStandAloneBarBecomesALineFeed) {
  struct Case { std::string in, out; } cases[] = {
      {"", ""},
      {"first|second", "first\nsecond"},
      {"||", "\n\n"},
      {"|end", "\nend"},
      // GBK characters whose trail byte is 0x7C: \x96\x7c and \x81\x7c stay whole.
      {"\x96\x7c", "\x96\x7c"},
      {"\xb6\xab\x96\x7c|\x81\x7c", "\xb6\xab\x96\x7c\n\x81\x7c"},
      {"a\x96\x7c|b", "a\x96\x7c\nb"},
      // A lead byte at the very end has no trail byte; a zero byte counts as one character.
      {"a|\x96", "a\n\x96"},
      {std::string("a\0|", 3), std::string("a\0\n", 3)},
  };
  for (const Case& c : cases) {
    std::string text = c.in;
    ExpandLineBreakMarks(text);
    EXPECT_EQ(c.out, text) << "input: " << c.in;
  }
}

}  // namespace
