#include <gtest/gtest.h>

#include "cleanup/trust/path_rule_text.h"

namespace {

// The rule on text alone: canonical form, case folded, then compared.
bool Allowed(const std::string& path, const ProtectedFolders& folders) {
  return IsPathAllowed(FoldedAnsi(CanonicalPathText(path)), folders);
}

TEST(PathRule, RefusesEverySpellingOfWhatCouldReachBeyondTheClient) {
  ProtectedFolders prot;
  prot.withContents = {"c:\\windows"};
  prot.themselves = {"c:\\program files", "c:\\program files (x86)", "c:\\users", "c:\\users\\root",
                     "c:\\users\\root\\desktop", "c:\\users\\root\\start menu\\programs"};
  struct Case { const char* path; bool allowed; } cases[] = {
      {"C:\\Program Files\\Mirel\\Dorn", true},
      {"c:/program files/mirel/dorn/", true},
      {"D:\\Dorn", true},
      {"\\\\server\\share\\Dorn", true},
      {"\\\\?\\C:\\Program Files\\Mirel\\Dorn", true},
      {"C:\\Program Files\\Mirel\\Dorn.. .", true},      // the system drops the trailing dots and blanks
      {"C:\\windowsX", true},                            // a sibling sharing a prefix is not the folder
      {"C:\\users\\root\\Desktop\\Dorn", true},           // below a shell folder: the client's own
      {"C:\\users\\root\\Start Menu\\Programs\\Dorn", true},
      {"", false},
      {"Dorn", false},
      {"\\Dorn", false},                                 // hangs on the current drive
      {"C:Dorn", false},                                 // hangs on the drive's current folder
      {"C:", false},
      {"C:\\", false},
      {"c:/", false},
      {"C:\\\\", false},
      {"\\\\server\\share", false},
      {"\\\\server\\share\\", false},
      {"\\\\server", false},
      {"\\\\.\\PhysicalDrive0", false},
      {"C:\\WINDOWS", false},
      {"C:\\Windows.", false},
      {"C:\\Windows .\\", false},
      {"C:\\\\Windows", false},
      {"C://Windows//System32", false},
      {"\\\\?\\C:\\Windows", false},
      {"\\\\.\\C:\\Windows", false},
      {"\\\\?\\UNC\\localhost\\C$\\Windows", false},
      {"\\\\localhost\\C$\\Windows", false},
      {"\\\\127.0.0.1\\c$\\windows\\temp", false},
      {"\\\\localhost\\C$", false},                       // a whole drive
      {"\\\\localhost\\admin$\\System32", false},          // the Windows folder by another name
      {"\\\\?\\UNC\\127.0.0.1\\ADMIN$\\x", false},
      {"C:\\Windows\\System32\\drivers", false},          // everything below the Windows folder
      {"C:\\Program Files", false},
      {"C:\\Program Files (x86)\\", false},
      {"C:\\users", false},                               // holds every profile
      {"C:\\users\\root", false},
      {"C:\\users\\root\\Desktop", false},
      {"C:\\users\\root\\Start Menu\\Programs.", false},
      {"C:\\Program Files\\..", false},                   // climbs out
      {"C:\\Program Files\\Mirel\\..\\..\\Windows", false},
      {"C:\\Dorn\\.\\x", false},
      {"C:\\Dorn\\...\\x", false},                        // a step of dots names nothing
      {"C:\\Dorn\\*", false},                             // wildcards name no one folder
      {"C:\\Dorn\\a?b", false},
      {"C:\\Dorn\\a:b", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.allowed, Allowed(c.path, prot)) << c.path;
}

// Windows 95, 98, Me and NT 4.0 keep the users' folders below the Windows folder: what lies below
// them is judged as anywhere else, the folders themselves and the rest of the Windows folder stay.
TEST(PathRule, UsersFoldersBelowTheWindowsFolderOpenOnlyWhatTheyHold) {
  ProtectedFolders prot;
  prot.withContents = {"c:\\windows"};
  prot.openings = {"c:\\windows\\start menu", "c:\\windows\\start menu\\programs", "c:\\windows\\desktop",
                   "c:\\windows\\application data", "c:\\windows\\profiles", "c:\\windows\\profiles\\ann",
                   "c:\\windows\\profiles\\ann\\start menu\\programs"};
  prot.themselves = prot.openings;
  struct Case { const char* path; bool allowed; } cases[] = {
      {"C:\\WINDOWS\\Start Menu\\Programs\\Dorn", true},
      {"C:\\WINDOWS\\Start Menu\\Programs\\Dorn\\Dorn.lnk", true},
      {"C:\\WINDOWS\\Desktop\\Dorn.lnk", true},
      {"C:\\WINDOWS\\Application Data\\Teloris", true},
      {"C:\\WINDOWS\\Profiles\\ann\\Start Menu\\Programs\\Dorn", true},
      {"C:\\WINDOWS\\Start Menu", false},
      {"C:\\WINDOWS\\Start Menu\\Programs.", false},
      {"C:\\WINDOWS\\Profiles", false},
      {"C:\\WINDOWS\\Profiles\\ann", false},
      {"C:\\WINDOWS", false},
      {"C:\\WINDOWS\\System\\Dorn.dll", false},
      {"C:\\WINDOWS\\Start MenuX\\Dorn.lnk", false},   // a sibling sharing a prefix is no opening
      {"C:\\WINDOWS\\Fonts\\Dorn.ttf", false},
      {"C:\\WINDOWS\\Start Menu\\..\\System", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.allowed, Allowed(c.path, prot)) << c.path;
}

TEST(PathRule, CanonicalFormKeepsDoubleByteNamesWhole) {
  // A GBK trail byte may be "\" (0x9A 0x5C) or an upper-case letter (0x9A 0x41): the one is no
  // separator, the other is not lowered.
  EXPECT_EQ("C:\\\x9a\x5c\\Dorn", CanonicalPathText("C:\\\x9a\x5c\\Dorn"));
  EXPECT_EQ("c:\\\x9a\x41" "b", FoldedAnsi("C:\\\x9a\x41" "B"));
  EXPECT_EQ("C:\\\xb1\xed", CanonicalPathText("C:\\\xb1\xed. "));
  EXPECT_EQ((std::vector<std::string>{"Program Files", "\x9a\x5c"}), PathStepsBelowRoot("C:\\Program Files\\\x9a\x5c"));
}

TEST(PathRule, ShortcutValuesNameShortcutFilesOnly) {
  for (const char* path : {"C:\\x\\Dorn.lnk", "C:\\x\\Dorn.LNK", "C:\\x\\Dorn.pif", "C:\\x\\Help.Url", "C:\\x\\\x9c\x5c.lnk"})
    EXPECT_TRUE(HasShortcutExtension(path)) << path;
  for (const char* path : {"C:\\x\\Dorn.exe", "C:\\x\\Dorn.lnk.exe", "C:\\x\\.lnk", "C:\\x\\lnk", "", "C:\\x"})
    EXPECT_FALSE(HasShortcutExtension(path)) << path;
}

}  // namespace
