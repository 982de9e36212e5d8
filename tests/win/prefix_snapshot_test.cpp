// The end-to-end tests' picture of the Windows: the machine's software keys read from one saved
// copy must give exactly what reading them key by key gives, names of every kind included, but
// for volatile keys, which are no lasting part of a Windows.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/prefix_snapshot.h"
#include "support/test_support.h"
#include "support/windows64.h"

namespace {

// What making a lasting (non-volatile) key below HKLM\keyPath answers; one made is removed again.
LONG LastingChildResult(const std::string& keyPath) {
  const std::string child = keyPath + "\\lasting-child-probe";
  HKEY key = nullptr;
  const LONG result = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, child.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (result == ERROR_SUCCESS) {
    ::RegCloseKey(key);
    test::DeleteKeyTree(HKEY_LOCAL_MACHINE, child);
  }
  return result;
}

TEST(PrefixSnapshot, TheSavedCopyOfTheSoftwareKeysGivesWhatAWalkGives) {
  if (test::RunningUnderWow64()) GTEST_SKIP() << "under WoW64 the software keys are walked";
  test::TempRegKey root;
  // GBK names (a hex digit after one too), quotes, brackets, a blank, a tab, an empty key.
  const std::string chinese = "\xCE\xDE\xCF\xDF" "1a";
  const std::vector<std::string> keys = {root.Path() + "\\" + chinese + "\\[x] y", root.Path() + "\\Empty",
                                         root.Path() + "\\q\"uote"};
  for (const std::string& key : keys) ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, key, "", "default"));
  for (const char* name : {"plain", "\"quoted\"", "tab\there", "\xCE\xDE" "beef", "back\\slash"})
    ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, keys[0], name, "data")) << name;

  const test::SnapshotOptions options;
  test::Snapshot byWalk, fromCopy;
  DWORD start = ::GetTickCount();
  test::AddSoftwareKeysByWalking(options, byWalk);
  const DWORD walkMs = ::GetTickCount() - start;
  start = ::GetTickCount();
  ASSERT_TRUE(test::AddSoftwareKeysFromSavedCopy(options, fromCopy));
  std::printf("%u items: walked in %lu ms, from the saved copy in %lu ms\n", static_cast<unsigned>(byWalk.size()),
              walkMs, ::GetTickCount() - start);
  EXPECT_EQ(std::vector<std::string>(), test::Minus(fromCopy, byWalk)) << "only in the saved copy";
  // What only the walk sees lies in volatile keys (made anew at each start, as Wine's network
  // cards), which a saved copy leaves out: no lasting key can be made below them. So does a lasting
  // key without values that holds only volatile ones.
  const std::vector<std::string> onlyInWalk = test::Minus(byWalk, fromCopy);
  const auto anyStartsWith = [](const auto& items, const std::string& prefix) {
    for (const std::string& item : items)
      if (item.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
  };
  for (const std::string& item : onlyInWalk) {
    const size_t bar = item.find('|');  // "V hklm\\path|name", "K hklm\\path"
    const std::string key = item.substr(7, bar == std::string::npos ? std::string::npos : bar - 7);
    if (LastingChildResult(key) == ERROR_CHILD_MUST_BE_VOLATILE) continue;
    const std::string shownKey = item.substr(2, bar == std::string::npos ? std::string::npos : bar - 2);
    EXPECT_TRUE(item[0] == 'K' && !anyStartsWith(byWalk, "V " + shownKey + "|") &&
                anyStartsWith(onlyInWalk, "K " + shownKey + "\\"))
        << "only in the walk: " << item;
  }
  const std::string shown = "V " + test::LowerPath("HKLM\\" + keys[0]);
  for (const char* name : {"|plain", "|\"quoted\"", "|tab\there", "|\xCE\xDE" "beef", "|back\\slash", "|"})
    EXPECT_EQ(1u, fromCopy.count(shown + name)) << name;
  EXPECT_EQ(1u, fromCopy.count("K " + test::LowerPath("HKLM\\" + keys[1])));
}

}  // namespace
