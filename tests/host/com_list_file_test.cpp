#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cleanup/steps/com_list_file.h"

namespace {

using Lines = std::vector<std::string>;

Lines Split(const std::string& text) { return SplitListFileLines(text.data(), text.size()); }

TEST(ListFileLines, LineEndsAsInATextFile) {
  struct Case {
    std::string text;
    Lines expected;
  } cases[] = {
      {"a.dll\r\nsub\r\nb.ocx\r\n", {"a.dll", "sub", "b.ocx"}},
      {"a.dll\nb.ocx", {"a.dll", "b.ocx"}},
      {"", {}},
      {"\n", {""}},
      {"a\n\nb\n", {"a", "", "b"}},
      // Only the carriage return right before a line feed belongs to the line end.
      {"a\rb\r\r\n", {"a\rb\r"}},
      {"a\r", {"a\r"}},
      // Names are taken as they stand.
      {"  spaced name.dll \t\n;comment\n", {"  spaced name.dll \t", ";comment"}},
      // Ctrl-Z ends a text file.
      {"a\n\x1a" "b\n", {"a"}},
      {"a\x1a", {"a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, Split(c.text)) << "text: " << c.text;
}

TEST(ListFileLines, AZeroByteCutsItsLine) {
  const std::string text("ab\0cd\r\nef\n\0\n", 12);
  EXPECT_EQ((Lines{"ab", "ef", ""}), Split(text));
}

TEST(ListFileLines, DoubleByteNamesStayWhole) {
  // "驱动\组件.dll" in GBK; the trail byte 0x5C of some characters must not matter here either.
  const std::string name = "\xc7\xfd\xb6\xaf\\\xd7\xe9\xbc\xfe.dll";
  const std::string withBackslashTrail = "\x95\x5c.dll";
  EXPECT_EQ((Lines{name, withBackslashTrail}), Split(name + "\r\n" + withBackslashTrail + "\r\n"));
}

TEST(ListedNames, StayInsideTheirFolder) {
  struct Case {
    const char* name;
    bool inside;
  } cases[] = {
      {"a.dll", true},
      {"sub", true},
      {"sub\\deeper\\b.ocx", true},
      {"sub/b.ocx", true},
      {"*.dll", true},
      {"...", true},
      {"a..dll", true},
      {"", false},
      {".", false},
      {"..", false},
      {"..\\..\\Windows\\system32\\x.dll", false},
      {"sub\\..\\..\\x.dll", false},
      {"sub\\.\\x.dll", false},
      {"sub\\", true},
      {"\\Windows\\x.dll", false},
      {"/x.dll", false},
      {"C:\\Windows\\x.dll", false},
      {"C:x.dll", false},
      {"\\\\server\\share\\x.dll", false},
      {"\x9c\x5c.\\x.dll", true},  // the "\\" inside a double-byte character separates nothing
      {"ri\\.\x8d/./x.dll", false},  // a lead byte before "/" hides neither it nor the "." step
  };
  for (const Case& c : cases) EXPECT_EQ(c.inside, IsListedNameInsideFolder(c.name)) << c.name;
}

}  // namespace
