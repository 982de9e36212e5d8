#include <gtest/gtest.h>

#include <string>

#include "language/language_pack_text.h"

namespace {

// The host stands in for a GBK system: 0x81..0xFE lead a double-byte character.
TEST(ExpandCarriageReturns, TurnsOnlyBackslashRIntoCarriageReturn) {
  struct Case { std::string in, out; } cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"a\\rb", "a\rb"},
      {"\\r", "\r"},
      {"\\r\\r", "\r\r"},
      {"line\\nfeed", "line\\nfeed"},
      {"end\\", "end\\"},
      {"\\\\r", "\\\r"},
      {"R\\Rr", "R\\Rr"},
      {"a\nb", "a\nb"},
      // GBK characters whose trail byte is 0x5C ("\") followed by "r": not an escape.
      {"\x95\x5cr", "\x95\x5cr"},
      {"\xb9\xfd\x5c" "r", "\xb9\xfd\r"},
      {"\x95\x5c\\r\x95\x5c", "\x95\x5c\r\x95\x5c"},
      // A zero byte inside the text is kept and walking goes on behind it.
      {std::string("a\0\\r", 4), std::string("a\0\r", 3)},
  };
  for (const Case& c : cases) {
    std::string text = c.in;
    ExpandCarriageReturns(text);
    EXPECT_EQ(c.out, text) << "input: " << c.in;
  }
}

TEST(CopyTextCut, KeepsWholeCharactersAndAlwaysTerminates) {
  struct Case { std::string text; size_t size; std::string copied; } cases[] = {
      {"hello", 16, "hello"},
      {"hello", 6, "hello"},
      {"hello", 5, "hell"},
      {"hello", 1, ""},
      {"", 4, ""},
      // "\xc4\xe3\xba\xc3" is two GBK characters: a cut never leaves half of one.
      {"\xc4\xe3\xba\xc3", 5, "\xc4\xe3\xba\xc3"},
      {"\xc4\xe3\xba\xc3", 4, "\xc4\xe3"},
      {"\xc4\xe3\xba\xc3", 3, "\xc4\xe3"},
      {"\xc4\xe3\xba\xc3", 2, ""},
      {"a\xc4\xe3", 3, "a"},
      // A lead byte at the very end has no trail byte and counts as one character.
      {"ab\xc4", 4, "ab\xc4"},
      {std::string("ab\0cd", 5), 8, "ab"},
  };
  for (const Case& c : cases) {
    std::string buffer(c.size + 4, '#');
    const size_t copied = CopyTextCut(c.text, &buffer[0], c.size);
    EXPECT_EQ(c.copied.size(), copied) << c.text << " into " << c.size;
    EXPECT_EQ(c.copied, std::string(buffer.c_str())) << c.text << " into " << c.size;
    // Nothing behind the caller's size is touched.
    EXPECT_EQ(std::string(4, '#'), buffer.substr(c.size)) << c.text << " into " << c.size;
  }
}

TEST(CopyTextCut, WritesNothingWithoutRoom) {
  char buffer[2] = {'x', 'y'};
  EXPECT_EQ(0u, CopyTextCut("text", buffer, 0));
  EXPECT_EQ('x', buffer[0]);
  EXPECT_EQ(0u, CopyTextCut("text", nullptr, 8));
}

TEST(LanguageCodeFromSystem, ChineseInGbkChineseWithoutGbkAndTheRest) {
  struct Case { unsigned lang, codePage; int code; } cases[] = {
      {2052, 936, 0},  {2052, 1252, 2}, {2052, 950, 2},  {2052, 65001, 2}, {1028, 950, 2},
      {1028, 936, 2},  {1033, 1252, 1}, {1033, 936, 1},  {3076, 950, 1},   {4100, 936, 1},
      {1041, 932, 1},  {0, 0, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.code, LanguageCodeFromSystem(c.lang, c.codePage)) << c.lang << "/" << c.codePage;
}

}  // namespace
