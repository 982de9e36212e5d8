// Reading the client's setup information from the key named by "SetupInfoRegPath", from a given
// key, and from the client's built-in key when the path is missing; the setup-value key and the
// built-in key are shared places and are put back as they were.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cleanup/steps/setup_info.h"
#include "cleanup/steps/setup_values.h"
#include "support/test_support.h"

namespace {

// Keeps a registry value as it was before the test (present with its text, or absent).
class SavedRegValue {
public:
  SavedRegValue(const std::string& key, const char* name) : m_key(key), m_name(name) {
    m_existed = test::ReadRegString(HKEY_LOCAL_MACHINE, key, name, m_value);
  }
  ~SavedRegValue() {
    if (m_existed) {
      test::WriteRegString(HKEY_LOCAL_MACHINE, m_key, m_name.c_str(), m_value);
      return;
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_key.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      ::RegDeleteValueA(key, m_name.c_str());
      ::RegCloseKey(key);
    }
  }
  SavedRegValue(const SavedRegValue&) = delete;
  SavedRegValue& operator=(const SavedRegValue&) = delete;

  void Remove() {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_key.c_str(), 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
      ::RegDeleteValueA(key, m_name.c_str());
      ::RegCloseKey(key);
    }
  }

private:
  std::string m_key;
  std::string m_name;
  std::string m_value;
  bool m_existed = false;
};

// Removes a key the test created (and only if it was not there before).
class KeyCreatedByTest {
public:
  explicit KeyCreatedByTest(const std::string& path)
      : m_path(path), m_existed(test::KeyExists(HKEY_LOCAL_MACHINE, path)) {}
  ~KeyCreatedByTest() {
    if (!m_existed) test::DeleteKeyTree(HKEY_LOCAL_MACHINE, m_path);
  }
  KeyCreatedByTest(const KeyCreatedByTest&) = delete;
  KeyCreatedByTest& operator=(const KeyCreatedByTest&) = delete;

private:
  std::string m_path;
  bool m_existed;
};

class SetupInfo : public ::testing::Test {
protected:
  // A buffer the way the workers use it: 256 bytes, read with a limit of 255.
  struct Buffer {
    char text[256];
    Buffer() { std::memset(text, '#', sizeof(text)); }
  };

  // Reading the setup values creates the vendor's keys when they are missing; they go again.
  KeyCreatedByTest m_vendorKey{"SOFTWARE\\Mirel_Mini"};
  test::TempRegKey m_key;
  SavedRegValue m_setupInfoPath{kDefaultSetupKey, "SetupInfoRegPath"};
};

TEST_F(SetupInfo, ReadsFromTheKeyThatSetupInfoRegPathNames) {
  const std::string infoKey = m_key.Path() + "\\Dorn_pppoe\\SetupInfo\\";
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "SetupInfoRegPath", infoKey));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, infoKey, "SetupPath", "C:\\Program Files\\Client"));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, infoKey, "lnk2", "C:\\\xb2\xe2\xca\xd4\\a.lnk"));

  Buffer setupPath, lnk2, lnk5;
  EXPECT_TRUE(ReadSetupInfoValue("SetupPath", setupPath.text, 255));
  EXPECT_STREQ("C:\\Program Files\\Client", setupPath.text);
  EXPECT_TRUE(ReadSetupInfoValue("lnk2", lnk2.text, 255));
  EXPECT_STREQ("C:\\\xb2\xe2\xca\xd4\\a.lnk", lnk2.text);
  EXPECT_FALSE(ReadSetupInfoValue("lnk5", lnk5.text, 255));
  EXPECT_EQ('#', lnk5.text[0]);  // a failed read leaves the caller's buffer alone
}

TEST_F(SetupInfo, AGivenKeyPathWinsOverSetupInfoRegPath) {
  const std::string named = m_key.Path() + "\\Named\\";
  const std::string given = m_key.Path() + "\\Given";
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kDefaultSetupKey, "SetupInfoRegPath", named));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, named, "SetupPath", "from the setup value"));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, given, "SetupPath", "from the given key"));
  Buffer buffer;
  EXPECT_TRUE(ReadSetupInfoValue("SetupPath", buffer.text, 255, given.c_str()));
  EXPECT_STREQ("from the given key", buffer.text);
}

TEST_F(SetupInfo, WithoutSetupInfoRegPathTheClientsOwnKeyIsRead) {
  m_setupInfoPath.Remove();
  KeyCreatedByTest builtIn(kBuiltInSetupInfoKey);
  SavedRegValue setupPath(kBuiltInSetupInfoKey, "SetupPath");
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, kBuiltInSetupInfoKey, "SetupPath", "C:\\Built-in"));
  KeyCreatedByTest namedAfterFallback("w");

  Buffer buffer;
  EXPECT_TRUE(ReadSetupInfoValue("SetupPath", buffer.text, 255));
  EXPECT_STREQ("C:\\Built-in", buffer.text);
  // The reader's fallback text never becomes a key below HKEY_LOCAL_MACHINE.
  EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, "w"));
}

TEST_F(SetupInfo, AMissingKeyIsNotCreatedAndTheReadFails) {
  const std::string infoKey = m_key.Path() + "\\NotYet";
  Buffer buffer;
  EXPECT_FALSE(ReadSetupInfoValue("SetupPath", buffer.text, 255, infoKey.c_str()));
  EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, infoKey));
  EXPECT_EQ('#', buffer.text[0]);
}

TEST_F(SetupInfo, ValuesOverTheLimitAreNotRead) {
  const std::string& key = m_key.Path();
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, key, "fits", std::string(254, 'a')));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, key, "lnk3", std::string(255, 'b')));
  Buffer fits, tooLong;
  EXPECT_TRUE(ReadSetupInfoValue("fits", fits.text, 255, key.c_str()));
  EXPECT_EQ(std::string(254, 'a'), fits.text);
  EXPECT_FALSE(ReadSetupInfoValue("lnk3", tooLong.text, 255, key.c_str()));
  EXPECT_EQ('#', tooLong.text[0]);
  EXPECT_EQ('#', tooLong.text[254]);
}

TEST_F(SetupInfo, DataStoredWithoutItsZeroComesBackTerminated) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_key.Path().c_str(), 0,
                                           KEY_SET_VALUE, &key));
  const BYTE bare[] = {'C', ':', '\\', 'x'};
  ::RegSetValueExA(key, "bare", 0, REG_SZ, bare, sizeof(bare));
  const std::string full(10, 'f');
  ::RegSetValueExA(key, "full", 0, REG_BINARY, reinterpret_cast<const BYTE*>(full.data()), 10);
  ::RegCloseKey(key);

  Buffer buffer, tight;
  EXPECT_TRUE(ReadSetupInfoValue("bare", buffer.text, 255, m_key.Path().c_str()));
  EXPECT_STREQ("C:\\x", buffer.text);
  // Ten bytes without a zero fill a ten-byte limit: there is no room left for the terminator.
  EXPECT_FALSE(ReadSetupInfoValue("full", tight.text, 10, m_key.Path().c_str()));
  EXPECT_EQ('#', tight.text[0]);
}

}  // namespace
