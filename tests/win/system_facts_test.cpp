#include <gtest/gtest.h>

#include "cleanup/steps/setup_type.h"
#include "cleanup/steps/setup_values.h"
#include "framework/own_program.h"
#include "framework/wide_text.h"
#include "procedures/os_class.h"
#include "support/prefix_snapshot.h"
#include "support/test_support.h"

namespace {

TEST(OsClass, VersionTable) {
  struct Case { unsigned major, minor; int cls; } cases[] = {
      {4, 0, 1}, {4, 10, 1}, {5, 0, 2}, {4, 90, 3}, {5, 1, 4}, {5, 2, 4}, {6, 0, 4}, {6, 1, 4},
      {10, 0, 4}, {4, 1, 4}, {3, 51, 4}};
  for (const Case& c : cases)
    EXPECT_EQ(c.cls, static_cast<int>(OsClassFromVersion(c.major, c.minor))) << c.major << "." << c.minor;
}

// The class as a program sees it under each Windows version that Wine can pretend to be.
TEST(OsClass, UnderEmulatedWindowsVersions) {
  struct Case { const char* version; int cls; } cases[] = {
      {"win98", 1}, {"winme", 3}, {"nt40", 1}, {"win2k", 2}, {"winxp", 4}, {"win7", 4}, {"win10", 4}};
  const std::string probe = test::ExeDir() + "\\os_class_probe.exe";
  for (const Case& c : cases) {
    test::SetWineVersionFor("os_class_probe.exe", c.version);
    EXPECT_EQ(c.cls, test::RunAndWait("\"" + probe + "\"")) << c.version;
  }
  test::SetWineVersionFor("os_class_probe.exe", "");
}

// The library search ends in the folders of PATH, which a user may extend with a folder of their
// own. On every route, also where the system lacks SetDefaultDllDirectories (XP, 2003, Vista and 7
// without their update), a library a bare name asks for that lies only in such a folder is never
// loaded by the program.
TEST(LibrarySearch, ALibraryPlantedInAFolderOnThePathIsNeverLoaded) {
  test::TempDir planted;
  ASSERT_TRUE(::CopyFileA((test::SampleClientDir() + "\\ComServerNoExport.dll").c_str(),
                          (planted / "planted_probe.dll").c_str(), FALSE));
  char oldPath[32768] = {};
  ::GetEnvironmentVariableA("PATH", oldPath, sizeof(oldPath));
  ASSERT_TRUE(::SetEnvironmentVariableA("PATH", (planted.Path() + ";" + oldPath).c_str()));
  const std::string probe = "\"" + test::ExeDir() + "\\library_search_probe.exe\" planted_probe.dll";
  // The folder is on the search as the system has it: the test can tell.
  EXPECT_EQ(1, test::RunAndWait(probe + " --unrestricted"));
  for (const char* route : {"", "dlldirs"}) {
    ::SetEnvironmentVariableA("UNINSTALL_TEST_FALLBACKS", route);
    EXPECT_EQ(0, test::RunAndWait(probe)) << "without: " << route;
  }
  ::SetEnvironmentVariableA("UNINSTALL_TEST_FALLBACKS", nullptr);
  ::SetEnvironmentVariableA("PATH", oldPath);
}

TEST(OwnProgram, IsThisProgramInItsFolderWithoutTrailingBackslash) {
  EXPECT_EQ(test::LowerPath(test::ExeDir()), test::LowerPath(AnsiFromWide(OwnProgramFolder())));
  EXPECT_EQ(test::LowerPath(test::ExeDir() + "\\system_facts_test.exe"), test::LowerPath(AnsiFromWide(OwnProgramPath())));
}

// "SetupType" lives in the shared setup key, so each case writes it and the fixture puts the
// previous state back.
class SetupType : public ::testing::Test {
protected:
  void SetUp() override { m_had = test::ReadRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "SetupType", m_old); }
  void TearDown() override {
    if (m_had) test::WriteRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "SetupType", m_old);
    else Remove();
  }
  void Set(const std::string& v) { ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "SetupType", v)); }
  void Remove() {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kDefaultSetupKey, 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
      RegDeleteValueA(k, "SetupType");
      RegCloseKey(k);
    }
  }
  bool m_had = false;
  std::string m_old;
};

TEST_F(SetupType, GroupThreeAndVariant) {
  struct Case { const char* text; bool group3; int variant; } cases[] = {
      {"35", true, 5}, {"30", true, 0}, {"39", true, 9}, {"3", false, 3}, {"300", false, 0},
      {"40", false, 0}, {"31abc", true, 1}, {"abc", false, 0}, {"-35", false, -5}, {" 36", true, 6}};
  for (const Case& c : cases) {
    Set(c.text);
    EXPECT_EQ(c.group3, IsSetupTypeGroup3()) << c.text;
    EXPECT_EQ(c.variant, GetSetupTypeVariant()) << c.text;
    EXPECT_EQ(c.variant != 0 ? 136 : 137, SelectBySetupVariant(137, 136)) << c.text;
  }
}

TEST_F(SetupType, MissingValueIsNotGroupThree) {
  Remove();
  EXPECT_FALSE(IsSetupTypeGroup3());
  EXPECT_EQ(0, GetSetupTypeVariant());
  EXPECT_EQ(137, SelectBySetupVariant(137, 136));
}

}  // namespace
