// Deleting a folder tree on real files: attributes, the trailing backslash, a file held open by
// another process deep in the tree, Chinese names, and the paths that must delete nothing.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "cleanup/files/folder_tree.h"
#include "cleanup/trust/path_rule.h"
#include "sample-client/file-locker/file_locker_control.h"
#include "support/prefix_snapshot.h"
#include "support/test_support.h"

namespace {

// The rule's decisions, told by whether it approves.
bool Allows(const CPathRule& rule, const std::string& path) { return rule.Approve(path).IsApproved(); }
bool AllowsBelow(const CPathRule& rule, const std::string& path, const std::string& folder) {
  return rule.ApproveBelow(path, folder).IsApproved();
}
bool AllowsShortcut(const CPathRule& rule, const std::string& path) { return rule.ApproveShortcut(path).IsApproved(); }

const std::string kGbkFolder = "\xd3\xc3\xbb\xa7\xca\xfd\xbe\xdd";  // 用户数据
const std::string kGbkFile = "\xc5\xe4\xd6\xc3.ini";                // 配置.ini

void MakeFile(const std::string& path, DWORD attributes) {
  ASSERT_TRUE(test::WriteFileBytes(path, "content"));
  ASSERT_TRUE(::SetFileAttributesA(path.c_str(), attributes));
}

// Teloris\a.txt (read-only), Teloris\.hidden (hidden, system), Teloris\<GBK>\<GBK file>
// (read-only, hidden), Teloris\Logs\2024\deep.log, Teloris\Logs\2024\other.log, Teloris\Empty
// (a read-only folder).
std::string BuildTree(const test::TempDir& dir) {
  const std::string root = dir / "Teloris";
  for (const std::string& folder : {root, root + "\\" + kGbkFolder, root + "\\Logs",
                                    root + "\\Logs\\2024", root + "\\Empty"})
    ::CreateDirectoryA(folder.c_str(), nullptr);
  MakeFile(root + "\\a.txt", FILE_ATTRIBUTE_READONLY);
  MakeFile(root + "\\.hidden", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  MakeFile(root + "\\" + kGbkFolder + "\\" + kGbkFile, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  MakeFile(root + "\\Logs\\2024\\deep.log", FILE_ATTRIBUTE_NORMAL);
  MakeFile(root + "\\Logs\\2024\\other.log", FILE_ATTRIBUTE_READONLY);
  ::SetFileAttributesA((root + "\\Empty").c_str(), FILE_ATTRIBUTE_READONLY);
  ::SetFileAttributesA((root + "\\Logs").c_str(), FILE_ATTRIBUTE_HIDDEN);
  return root;
}

TEST(DeleteFolderTree, RemovesTheWholeTreeWithOrWithoutTheTrailingBackslash) {
  for (const char* ending : {"", "\\"}) {
    test::TempDir dir;
    const std::string root = BuildTree(dir);
    ASSERT_TRUE(test::FileExists(root + "\\" + kGbkFolder + "\\" + kGbkFile));
    DeleteFolderTree(test::ApprovedByTheRule(root + ending));
    EXPECT_FALSE(test::FileExists(root)) << "ending [" << ending << "]";
    EXPECT_TRUE(test::FileExists(dir.Path())) << "the parent stays";
  }
}

TEST(DeleteFolderTree, ALockedFileKeepsOnlyItselfAndItsParentChain) {
  test::TempDir dir;
  const std::string root = BuildTree(dir);
  const std::string locked = root + "\\Logs\\2024\\deep.log";
  FileLockerProcess locker(test::SampleClientDir() + "\\FileLocker.exe", locked);
  ASSERT_TRUE(locker.Locked());

  DeleteFolderTree(test::ApprovedByTheRule(root));
  EXPECT_TRUE(test::FileExists(locked));
  for (const std::string& gone : {root + "\\a.txt", root + "\\.hidden", root + "\\" + kGbkFolder,
                                  root + "\\Empty", root + "\\Logs\\2024\\other.log"})
    EXPECT_FALSE(test::FileExists(gone)) << gone;
  // What stays is exactly the chain Teloris\Logs\2024\deep.log.
  WIN32_FIND_DATAA found;
  for (const std::string& folder : {root, root + "\\Logs", root + "\\Logs\\2024"}) {
    int entries = 0;
    HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search) << folder;
    do {
      if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..") ++entries;
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    EXPECT_EQ(1, entries) << folder;
  }
}

TEST(DeleteFolderTree, ALinkInsideTheTreeIsNeverFollowed) {
  test::TempDir dir, outside;
  const std::string root = BuildTree(dir);
  ASSERT_TRUE(test::WriteFileBytes(outside / "keep.txt", "outside the tree"));
  ASSERT_TRUE(::SetFileAttributesA((outside / "keep.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  if (!test::MakeUnixLink(root + "\\Logs\\elsewhere", outside.Path())) GTEST_SKIP() << "no links here";
  const DWORD attributes = ::GetFileAttributesA((outside / "keep.txt").c_str());

  DeleteFolderTree(test::ApprovedByTheRule(root));
  std::string bytes;
  ASSERT_TRUE(test::ReadFileBytes(outside / "keep.txt", bytes));
  EXPECT_EQ("outside the tree", bytes);
  EXPECT_EQ(attributes, ::GetFileAttributesA((outside / "keep.txt").c_str()));
  // Everything of the tree's own is gone; a link the system cannot remove by itself stays, with
  // the folders that hold it.
  for (const std::string& gone : {root + "\\a.txt", root + "\\" + kGbkFolder, root + "\\Logs\\2024"})
    EXPECT_FALSE(test::FileExists(gone)) << gone;
  EXPECT_EQ(test::FileExists(root + "\\Logs\\elsewhere"), test::FileExists(root));
}

TEST(DeleteFolderTree, PathsThatNameNoFolderDeleteNothing) {
  test::TempDir dir;
  const std::string root = BuildTree(dir);
  DeleteFolderTree(test::ApprovedByTheRule(""));
  DeleteFolderTree(test::ApprovedByTheRule(dir / "missing"));
  EXPECT_TRUE(test::FileExists(root + "\\a.txt"));
}

// The rule of the running system, on its real folders and their other spellings.
TEST(PathRuleOnThisSystem, RefusesTheSystemsOwnFoldersInEverySpelling) {
  const CPathRule rule = CPathRule::ForThisSystem();
  auto folder = [](int id) {
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::string(path);
  };
  char shortName[MAX_PATH] = {};
  ::GetShortPathNameA(folder(CSIDL_PROGRAM_FILES).c_str(), shortName, MAX_PATH);
  const std::string profile = folder(CSIDL_PROFILE);
  for (const std::string& refused :
       {folder(CSIDL_WINDOWS), "\\\\?\\" + folder(CSIDL_WINDOWS), folder(CSIDL_SYSTEM) + "\\drivers",
        folder(CSIDL_PROGRAM_FILES), std::string(shortName),
        folder(CSIDL_PROGRAM_FILES) + "\\.", profile, profile.substr(0, profile.find_last_of('\\')),
        folder(CSIDL_APPDATA), folder(CSIDL_DESKTOPDIRECTORY) + ". ", folder(CSIDL_COMMON_PROGRAMS),
        folder(CSIDL_PROGRAMS) + "\\..\\Programs"})
    EXPECT_FALSE(Allows(rule, refused)) << refused;
  for (const std::string& allowed : {folder(CSIDL_PROGRAM_FILES) + "\\Mirel\\DornDial",
                                     std::string(shortName) + "\\Mirel", folder(CSIDL_APPDATA) + "\\Teloris",
                                     folder(CSIDL_PROGRAMS) + "\\Client"})
    EXPECT_TRUE(Allows(rule, allowed)) << allowed;
  EXPECT_TRUE(AllowsShortcut(rule, folder(CSIDL_DESKTOPDIRECTORY) + "\\Client.LNK"));
  EXPECT_FALSE(AllowsShortcut(rule, folder(CSIDL_WINDOWS) + "\\Client.lnk"));
  EXPECT_FALSE(AllowsBelow(rule, folder(CSIDL_PROGRAM_FILES) + "\\Mirel\\..\\x.exe", folder(CSIDL_PROGRAM_FILES) + "\\Mirel"));
  // A short spelling of a file or of its folder comes back as the long real place, and each lies
  // below the other's spelling: what is removed is what the long name names.
  test::TempDir dir;
  const std::string longFolder = dir / "A long folder name", longFile = longFolder + "\\A long file name.txt";
  ASSERT_TRUE(::CreateDirectoryA(longFolder.c_str(), nullptr) && test::WriteFileBytes(longFile, "x"));
  char shortFolder[MAX_PATH] = {}, shortFile[MAX_PATH] = {};
  ASSERT_TRUE(::GetShortPathNameA(longFolder.c_str(), shortFolder, MAX_PATH) &&
              ::GetShortPathNameA(longFile.c_str(), shortFile, MAX_PATH));
  EXPECT_EQ(test::LowerPath(rule.Canonical(longFile)), test::LowerPath(rule.Approve(shortFile).Text())) << shortFile;
  EXPECT_TRUE(AllowsBelow(rule, longFile, shortFolder)) << shortFolder;
  EXPECT_TRUE(AllowsBelow(rule, shortFile, longFolder)) << shortFile;
}

// The same rule on routes that reach a folder by another object than its name: a link in the
// last or an earlier step, a mapped drive letter, Z:, the administrative share, a folder swapped
// for a link. The client's own folder reached through a link passes, as its real place.
TEST(PathRuleOnThisSystem, JudgesWhatEachRouteLeadsTo) {
  char windows[MAX_PATH] = {};
  ::GetWindowsDirectoryA(windows, MAX_PATH);
  test::TempDir client;
  ASSERT_TRUE(::CreateDirectoryA((client / "Dorn").c_str(), nullptr));
  test::TempDir outside;
  struct Case {
    std::string target;
    std::vector<std::string> refused, allowedBelowRoute;
  } cases[] = {
      {windows, {"", "\\System32", "\\System32\\drivers", "\\System32\\missing\\x.dll"}, {}},
      {client.Path(), {}, {"\\Dorn", "\\Dorn\\Dorn.exe"}},
  };
  for (const Case& c : cases) {
    const CPathRule rule = CPathRule::ForThisSystem();
    test::OtherRoutes routes(c.target);
    if (!routes.Made()) GTEST_SKIP() << "no links here";
    for (const std::string& route : {routes.Link(), routes.Drive(), routes.ZPath()}) {
      for (const std::string& tail : c.refused)
        EXPECT_FALSE(Allows(rule, route + tail)) << route + tail;
      for (const std::string& tail : c.allowedBelowRoute) {
        // Approved as the real place, which the removal then acts on. Wine names that place by
        // the most specific drive letter once it has seen the mapping (it reads its drives again
        // a second later), so whatever the route the mapped drive may be the name it comes back with.
        const std::string approved = test::LowerPath(rule.Approve(route + tail).Text());
        EXPECT_TRUE(approved == test::LowerPath(rule.Canonical(c.target + tail)) ||
                    approved == test::LowerPath(routes.Drive() + tail))
            << route + tail << " approved as " << approved;
      }
    }
  }
  const CPathRule rule = CPathRule::ForThisSystem();
  for (const char* share : {"\\\\localhost\\admin$\\System32", "\\\\127.0.0.1\\ADMIN$"})
    EXPECT_FALSE(Allows(rule, share)) << share;
  // A folder of the tree swapped for a link after it was listed: its file now lies elsewhere.
  const std::string file = client / "Dorn\\sub\\x.dll";
  ASSERT_TRUE(::CreateDirectoryA((client / "Dorn\\sub").c_str(), nullptr));
  ASSERT_TRUE(test::WriteFileBytes(file, "client's") && test::WriteFileBytes(outside / "x.dll", "theirs"));
  EXPECT_TRUE(AllowsBelow(rule, file, client / "Dorn"));
  test::RemoveTree(client / "Dorn\\sub");
  ASSERT_TRUE(test::MakeUnixLink(client / "Dorn\\sub", outside.Path()));
  EXPECT_FALSE(AllowsBelow(rule, file, client / "Dorn"));
  test::RemoveUnixLink(client / "Dorn\\sub");
}

TEST(DeleteFolderTree, DriveRootsAreNeverTaken) {
  // Checked on the rule alone: a failure here must not cost a drive.
  struct Case {
    const char* path;
    bool deletable;
  } cases[] = {
      {"", false},         {"\\", false},      {"C:", false},
      {"C:\\", false},     {"\\\\", false},    {"C:\\Teloris", true},
      {"C:\\a\\", true},   {"D:\\x", true},      {"\\\\server\\share\\data", true},
  };
  for (const Case& c : cases) EXPECT_EQ(c.deletable, IsDeletableFolderPath(c.path)) << c.path;
}

}  // namespace
