#include <gtest/gtest.h>

#include "framework/path_text.h"

namespace {

TEST(PathText, RootsAndTheFolderAboveInEveryForm) {
  struct Case {
    const wchar_t* path;
    size_t root;
    const wchar_t* above;
  } cases[] = {
      {L"C:\\", 3, L""},
      {L"C:\\x", 3, L"C:\\"},
      {L"C:\\x\\y", 3, L"C:\\x"},
      {L"\\\\host\\share", 12, L""},
      {L"\\\\host\\share\\x", 12, L"\\\\host\\share"},
      {L"\\\\host\\share\\x\\y", 12, L"\\\\host\\share\\x"},
      {L"\\\\host", 0, L""},
      {L"\\\\\\share\\x", 0, L""},  // no host
      {L"C:x", 0, L""},
      {L"x\\y", 0, L""},
      {L"", 0, L""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.root, RootLength(c.path)) << c.path;
    EXPECT_EQ(std::wstring(c.above), FolderAbove(c.path)) << c.path;
  }
  EXPECT_EQ(L"C:\\x", WithoutTrailingSeparators(L"C:\\x\\\\"));
  EXPECT_EQ(L"C:\\", WithoutTrailingSeparators(L"C:\\\\"));
  EXPECT_EQ(L"\\\\host\\share", WithoutTrailingSeparators(L"\\\\host\\share\\"));
}

TEST(PathText, LettersFoldOnlyInTheirAsciiForm) {
  EXPECT_TRUE(SameFoldedAscii(L"C:\\Windows\\SysWOW64", L"c:\\WINDOWS\\syswow64"));
  EXPECT_FALSE(SameFoldedAscii(L"C:\\Windows", L"C:\\Windows\\"));
  EXPECT_FALSE(SameFoldedAscii(L"\u00c9", L"\u00e9"));  // only the file system knows these
  EXPECT_EQ(L"c:\\abc\u00c9", FoldedAscii(std::wstring(L"C:\\ABC\u00c9")));
}

TEST(PathText, TheSystemFolderOfA32BitProgramLeadsToThe32BitOneButForItsExemptFolders) {
  RedirectedFolders seven{L"C:\\Windows", L"C:\\Windows\\system32", L"C:\\Windows\\SysWOW64", false};
  RedirectedFolders xp = seven;
  xp.driverStoreRedirected = true;
  struct Case {
    const wchar_t* path;
    const wchar_t* onSeven;  // null: as on Windows XP
    const wchar_t* onXp;
  } cases[] = {
      {L"C:\\Windows\\system32", L"C:\\Windows\\SysWOW64", nullptr},
      {L"C:\\Windows\\system32\\Unl.exe", L"C:\\Windows\\SysWOW64\\Unl.exe", nullptr},
      {L"c:\\WINDOWS\\System32\\Unl.exe", L"C:\\Windows\\SysWOW64\\Unl.exe", nullptr},
      {L"C:\\Windows\\system32\\drivers\\x.sys", L"C:\\Windows\\SysWOW64\\drivers\\x.sys", nullptr},
      {L"C:\\Windows\\system32\\catroot\\x", L"C:\\Windows\\system32\\catroot\\x", nullptr},
      {L"C:\\Windows\\system32\\catroot2", L"C:\\Windows\\system32\\catroot2", nullptr},
      {L"C:\\Windows\\system32\\catrootx", L"C:\\Windows\\SysWOW64\\catrootx", nullptr},
      {L"C:\\Windows\\system32\\drivers\\etc\\hosts", L"C:\\Windows\\system32\\drivers\\etc\\hosts", nullptr},
      {L"C:\\Windows\\system32\\LogFiles", L"C:\\Windows\\system32\\LogFiles", nullptr},
      {L"C:\\Windows\\system32\\spool\\drivers", L"C:\\Windows\\system32\\spool\\drivers", nullptr},
      {L"C:\\Windows\\system32\\DriverStore\\x.inf", L"C:\\Windows\\system32\\DriverStore\\x.inf",
       L"C:\\Windows\\SysWOW64\\DriverStore\\x.inf"},
      {L"C:\\Windows\\lastgood\\system32\\x.dll", L"C:\\Windows\\lastgood\\SysWOW64\\x.dll", nullptr},
      {L"C:\\Windows\\regedit.exe", L"C:\\Windows\\SysWOW64\\regedit.exe", nullptr},
      {L"C:\\Windows\\notepad.exe", L"C:\\Windows\\notepad.exe", nullptr},
      {L"C:\\Windows\\system32x\\a", L"C:\\Windows\\system32x\\a", nullptr},
      {L"C:\\Windows\\SysWOW64\\Unl.exe", L"C:\\Windows\\SysWOW64\\Unl.exe", nullptr},
      {L"D:\\Windows\\system32\\Unl.exe", L"D:\\Windows\\system32\\Unl.exe", nullptr},
      {L"C:\\Program Files\\Mirel\\Unl.exe", L"C:\\Program Files\\Mirel\\Unl.exe", nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(std::wstring(c.onSeven), RedirectedPath(c.path, seven)) << c.path;
    EXPECT_EQ(std::wstring(c.onXp ? c.onXp : c.onSeven), RedirectedPath(c.path, xp)) << c.path;
  }
  // A 32-bit Windows has no 32-bit system folder of its own: nothing is redirected.
  EXPECT_EQ(L"C:\\Windows\\system32\\Unl.exe",
            RedirectedPath(L"C:\\Windows\\system32\\Unl.exe", RedirectedFolders{L"C:\\Windows", L"C:\\Windows\\system32", L"", false}));
}

}  // namespace
