// The driver library call, through a probe copied beside the stand-in "DriverSetup.dll" (or
// beside nothing, or beside a library without the export), and the shared PPPoE user register
// on its real key, which is put back as it was after each test.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cleanup/drivers.h"
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
                            (m_dir / "Uninstall.exe").c_str(), FALSE));
    if (!libraryName.empty())
      EXPECT_TRUE(::CopyFileA((test::SampleClientDir() + "\\" + libraryName).c_str(),
                              (m_dir / "DriverSetup.dll").c_str(), FALSE));
  }
  void SetResult(const std::string& text) { test::WriteFileBytes(m_dir / "DriverSetup.result", text); }
  void PutFile(const std::string& name, const std::string& bytes) { test::WriteFileBytes(m_dir / name, bytes); }

  ProbeOutcome Run() {
    ProbeOutcome outcome;
    const std::string report = m_dir / "probe.txt";
    EXPECT_EQ(0, test::RunAndWait("\"" + (m_dir / "Uninstall.exe") + "\" \"" + report + "\""));
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

// A registry tree below HKEY_LOCAL_MACHINE as it was when the object was made, put back when it
// goes (removed entirely when it did not exist).
class RegistryTreeBackup {
public:
  explicit RegistryTreeBackup(const std::string& path) : m_path(path) {
    m_existed = Capture(path, m_root);
  }
  ~RegistryTreeBackup() {
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, m_path);
    if (m_existed) Restore(m_path, m_root);
  }
  RegistryTreeBackup(const RegistryTreeBackup&) = delete;
  RegistryTreeBackup& operator=(const RegistryTreeBackup&) = delete;

private:
  struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
  };
  struct Node {
    std::string name;
    std::vector<Value> values;
    std::vector<Node> children;
  };

  static bool Capture(const std::string& path, Node& node) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    for (DWORD i = 0;; ++i) {
      char name[16384];
      DWORD nameSize = sizeof(name), type = 0, dataSize = 0;
      if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &dataSize) != ERROR_SUCCESS)
        break;
      Value value{std::string(name, nameSize), type, std::vector<BYTE>(dataSize + 1)};
      DWORD size = dataSize + 1;
      nameSize = sizeof(name);
      ::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, value.data.data(), &size);
      value.data.resize(size);
      node.values.push_back(value);
    }
    for (DWORD i = 0;; ++i) {
      char name[256];
      DWORD nameSize = sizeof(name);
      if (::RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        break;
      Node child;
      child.name.assign(name, nameSize);
      Capture(path + "\\" + child.name, child);
      node.children.push_back(child);
    }
    ::RegCloseKey(key);
    return true;
  }

  static void Restore(const std::string& path, const Node& node) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
      return;
    for (const Value& v : node.values)
      ::RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
    ::RegCloseKey(key);
    for (const Node& child : node.children) Restore(path + "\\" + child.name, child);
  }

  std::string m_path;
  Node m_root;
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
