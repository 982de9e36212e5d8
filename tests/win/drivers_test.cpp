// The driver library call, through a probe copied beside the stand-in "DriverSetup.dll" (or
// beside nothing, or beside a library without the export), and the shared PPPoE user register
// on its real key, which is put back as it was after each test.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cstdio>
#include <string>

#include "cleanup/steps/drivers.h"
#include "support/test_support.h"

namespace {

// --- UninstallDrivers -------------------------------------------------------------------------

struct ProbeOutcome {
  int result = -999;
  int stillLoaded = -1;
};

// Copies the probe into a folder of its own with the given library as "DriverSetup.dll" (none
// when empty), runs it, and reads what it saw.
class DriverFolder {
public:
  explicit DriverFolder(const std::string& libraryName) {
    EXPECT_TRUE(::CopyFileA((test::ExeDir() + "\\driver_uninstall_probe.exe").c_str(),
                            (m_dir / "driver_uninstall_probe.exe").c_str(), FALSE));
    if (!libraryName.empty()) {
      EXPECT_TRUE(::CopyFileA((test::SampleClientDir() + "\\" + libraryName).c_str(),
                              (m_dir / "DriverSetup.dll").c_str(), FALSE));
    }
  }
  void SetResult(const std::string& text) { test::WriteFileBytes(m_dir / "DriverSetup.result", text); }
  void PutFile(const std::string& name, const std::string& bytes) { test::WriteFileBytes(m_dir / name, bytes); }

  ProbeOutcome Run() {
    ProbeOutcome outcome;
    const std::string report = m_dir / "probe.txt";
    EXPECT_EQ(0, test::RunAndWait("\"" + (m_dir / "driver_uninstall_probe.exe") + "\" \"" + report + "\""));
    std::string text;
    if (test::ReadFileBytes(report, text))
      std::sscanf(text.c_str(), "%d %d", &outcome.result, &outcome.stillLoaded);
    return outcome;
  }
  std::string Log() {
    std::string log;
    return test::ReadFileBytes(m_dir / "DriverSetup.log", log) ? log : "<none>";
  }

private:
  test::TempDir m_dir;
};

TEST(UninstallDrivers, CallsTheLibraryOnceAndPassesItsResultOn) {
  for (const char* result : {"7", "0", "-3"}) {
    DriverFolder folder("DriverSetup.dll");
    folder.SetResult(result);
    const ProbeOutcome outcome = folder.Run();
    EXPECT_EQ(std::atoi(result), outcome.result);
    EXPECT_EQ(0, outcome.stillLoaded) << "the library is unloaded after the call";
    EXPECT_EQ("attach\r\nUninstallAllDriver\r\ndetach\r\n", folder.Log());
  }
}

TEST(UninstallDrivers, WithoutTheLibraryOrItsExportNothingIsCalled) {
  {
    DriverFolder noLibrary("");
    const ProbeOutcome outcome = noLibrary.Run();
    EXPECT_EQ(0, outcome.result);
    EXPECT_EQ(0, outcome.stillLoaded);
  }
  {
    // A library of that name without "UninstallAllDriver": loaded, not called, unloaded.
    DriverFolder noExport("ComServerNoExport.dll");
    const ProbeOutcome outcome = noExport.Run();
    EXPECT_EQ(0, outcome.result);
    EXPECT_EQ(0, outcome.stillLoaded);
    // The copy logs under its own name, "DriverSetup".
    EXPECT_EQ("attach\r\ndetach\r\n", noExport.Log());
  }
  {
    DriverFolder notALibrary("");
    notALibrary.PutFile("DriverSetup.dll", "this is no library");
    EXPECT_EQ(0, notALibrary.Run().result);
  }
}

// --- DoDriverReg ------------------------------------------------------------------------------

// A registry tree below HKEY_LOCAL_MACHINE as it was when the object was made (copied aside into
// a temporary key), put back when it goes; removed entirely when it did not exist.
class RegistryTreeBackup {
public:
  explicit RegistryTreeBackup(const std::string& path) : m_path(path) {
    m_existed = test::KeyExists(HKEY_LOCAL_MACHINE, path);
    if (m_existed) Copy(m_path, m_store.Path());
  }
  ~RegistryTreeBackup() {
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, m_path);
    if (m_existed) Copy(m_store.Path(), m_path);
  }
  RegistryTreeBackup(const RegistryTreeBackup&) = delete;
  RegistryTreeBackup& operator=(const RegistryTreeBackup&) = delete;

private:
  static void Copy(const std::string& from, const std::string& to) {
    HKEY source = nullptr, target = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, from.c_str(), 0, KEY_READ, &source) == ERROR_SUCCESS &&
        ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &target, nullptr) == ERROR_SUCCESS) {
      EXPECT_EQ(ERROR_SUCCESS, static_cast<LONG>(::SHCopyKeyA(source, nullptr, target, 0)));
    }
    if (source) ::RegCloseKey(source);
    if (target) ::RegCloseKey(target);
  }

  std::string m_path;
  test::TempRegKey m_store;
  bool m_existed = false;
};

class PppoeUserRegister : public ::testing::Test {
protected:
  static constexpr const char* kKey = "SOFTWARE\\BriskoPPPOE\\SetupInfo";
  RegistryTreeBackup m_backup{"SOFTWARE\\BriskoPPPOE"};

  void SetUp() override { test::DeleteKeyTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\BriskoPPPOE"); }
  static bool HasValue(const char* name) {
    std::string value;
    return test::ReadRegString(HKEY_LOCAL_MACHINE, kKey, name, value);
  }
};

TEST_F(PppoeUserRegister, AMissingKeyIsCreatedFoundEmptyAndDeleted) {
  EXPECT_EQ(1, DoDriverReg(FALSE));
  EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

TEST_F(PppoeUserRegister, TheLastUserRemovesTheKey) {
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kKey, kPppoeUserValueName, "1"));
  EXPECT_EQ(1, DoDriverReg(FALSE));
  EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, kKey));
}

TEST_F(PppoeUserRegister, AnotherProductKeepsTheKey) {
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kKey, kPppoeUserValueName, "1"));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kKey, "OtherDialer", "1"));
  EXPECT_EQ(0, DoDriverReg(FALSE));
  EXPECT_FALSE(HasValue(kPppoeUserValueName));
  EXPECT_TRUE(HasValue("OtherDialer"));
  // Without this client in it, a second call finds the other product all the same.
  EXPECT_EQ(0, DoDriverReg(FALSE));
  EXPECT_TRUE(HasValue("OtherDialer"));
  // A product whose value name is too long for the enumeration's buffer is a user all the same.
  ASSERT_TRUE(test::DeleteKeyTree(HKEY_LOCAL_MACHINE, kKey));
  const std::string longName(300, 'P');
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kKey, longName.c_str(), "1"));
  EXPECT_EQ(0, DoDriverReg(FALSE));
  EXPECT_TRUE(HasValue(longName.c_str()));
}

TEST_F(PppoeUserRegister, AKeyWithSubKeysOnlyCountsAsEmpty) {
  const std::string sub = std::string(kKey) + "\\Drivers";
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, sub, "Inf", "dornpppoe.inf"));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kKey, kPppoeUserValueName, "1"));
  EXPECT_EQ(1, DoDriverReg(FALSE));
  EXPECT_FALSE(HasValue(kPppoeUserValueName));
  // The deletion was tried; a key with sub-keys cannot go that way, and its sub-keys are kept.
  std::string inf;
  EXPECT_TRUE(test::ReadRegString(HKEY_LOCAL_MACHINE, sub, "Inf", inf));
}

TEST_F(PppoeUserRegister, InstallingAddsThisClient) {
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kKey, "OtherDialer", "1"));
  EXPECT_EQ(1, DoDriverReg(TRUE));
  EXPECT_TRUE(HasValue(kPppoeUserValueName));
  EXPECT_TRUE(HasValue("OtherDialer"));
}

}  // namespace
