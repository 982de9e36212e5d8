#include <gtest/gtest.h>

#include "cleanup/steps/setup_values.h"
#include "support/test_support.h"

namespace {

class SetupValues : public ::testing::Test {
protected:
  test::TempDir m_dir;
  test::TempRegKey m_key;

  std::string Sub(const std::string& name) const { return m_key.Path() + "\\" + name; }
  // The test's key stands for the client's own tree.
  bool Import(const std::string& text) {
    const std::string file = m_dir / "Uninstall.bin";
    EXPECT_TRUE(test::WriteFileBytes(file, text));
    return ImportRegistryFile(file.c_str(), m_key.Path() + "\\");
  }
  static std::string Read(const std::string& key, const char* name) {
    std::string v;
    return test::ReadRegString(HKEY_LOCAL_MACHINE, key, name, v) ? v : "<missing>";
  }
};

TEST_F(SetupValues, ImportWritesRegSzValuesWithTheirZero) {
  ASSERT_TRUE(Import("[HKEY_LOCAL_MACHINE\\" + Sub("tem") + "]\r\n\"SetupType\" = \"20\"\r\n"
                     "\"zString2\"=\"\xcc\xe1\xca\xbe\"\r\n[" + Sub("other\\deep") + "]\r\nLogMode=TRUE\r\n"));
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, Sub("tem").c_str(), 0, KEY_READ, &k));
  DWORD type = 0, size = 0;
  char data[16] = {};
  size = sizeof(data);
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(k, "SetupType", nullptr, &type, (BYTE*)data, &size));
  RegCloseKey(k);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ(3u, size);  // "20" and its terminating zero
  EXPECT_EQ("\xcc\xe1\xca\xbe", Read(Sub("tem"), "zString2"));
  EXPECT_EQ("TRUE", Read(Sub("other\\deep"), "LogMode"));
}

// Only the client's own keys are written: a line for any other key of the machine (an Image File
// Execution Options debugger, a Run key) is skipped, in any spelling of the client's tree's name.
TEST_F(SetupValues, ImportWritesOnlyBelowTheClientsOwnTree) {
  test::TempRegKey foreign;
  ASSERT_TRUE(Import("[HKEY_LOCAL_MACHINE\\" + foreign.Path() + "\\sethc.exe]\r\n\"Debugger\"=\"cmd.exe\"\r\n"
                     "[" + m_key.Path() + "x\\tem]\r\nSetupType=21\r\n"
                     "[" + Sub("TEM") + "]\r\nSetupType=20\r\n"));
  EXPECT_EQ("<missing>", Read(foreign.Path() + "\\sethc.exe", "Debugger"));
  EXPECT_EQ("<missing>", Read(m_key.Path() + "x\\tem", "SetupType"));
  EXPECT_EQ("20", Read(Sub("tem"), "SetupType"));
  test::DeleteKeyTree(HKEY_LOCAL_MACHINE, m_key.Path() + "x");
}

TEST_F(SetupValues, ImportOfAMissingFileChangesNothing) {
  EXPECT_FALSE(ImportRegistryFile((m_dir / "absent.bin").c_str()));
}

TEST_F(SetupValues, ReadTurnsBarsIntoLineFeeds) {
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, m_key.Path(), "zString3", "first|second"));
  EXPECT_EQ("first\nsecond", ReadSetupValue("zString3", m_key.Path().c_str()));
}

TEST_F(SetupValues, MissingValueReadsAsWAndCreatesTheKey) {
  const std::string key = Sub("created\\on\\read");
  EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, key));
  EXPECT_EQ("w", ReadSetupValue("SetupType", key.c_str()));
  EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, key));
}

TEST_F(SetupValues, DataAbove511BytesReadsAsW) {
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, m_key.Path(), "fits", std::string(510, 'a')));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, m_key.Path(), "long", std::string(511, 'a')));
  EXPECT_EQ(std::string(510, 'a'), ReadSetupValue("fits", m_key.Path().c_str()));
  EXPECT_EQ("w", ReadSetupValue("long", m_key.Path().c_str()));
}

TEST_F(SetupValues, NonStringDataIsReadUpToItsFirstZero) {
  HKEY k = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_key.Path().c_str(), 0, KEY_ALL_ACCESS, &k));
  const BYTE bin[] = {'a', 'b', 0, 'c'};
  const BYTE noZero[] = {'x', 'y'};
  RegSetValueExA(k, "bin", 0, REG_BINARY, bin, sizeof(bin));
  RegSetValueExA(k, "nozero", 0, REG_BINARY, noZero, sizeof(noZero));
  RegCloseKey(k);
  EXPECT_EQ("ab", ReadSetupValue("bin", m_key.Path().c_str()));
  EXPECT_EQ("xy", ReadSetupValue("nozero", m_key.Path().c_str()));
}

TEST_F(SetupValues, ImportedFileIsReadBack) {
  ASSERT_TRUE(Import("[" + Sub("tem") + "]\r\"zString5\"=\"Done.|Restart now.\"\r"));
  EXPECT_EQ("Done.\nRestart now.", ReadSetupValue("zString5", Sub("tem").c_str()));
}

}  // namespace
