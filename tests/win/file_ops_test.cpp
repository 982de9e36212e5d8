// The file, folder, shortcut and registry primitives on real files, attributes, registry keys and
// the prefix's real shell folders; shell notifications are watched through a registered window.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "cleanup/files/file_copy.h"
#include "cleanup/steps/file_ops.h"
#include "cleanup/trust/judged_file.h"
#include "cleanup/files/removal.h"
#include "cleanup/files/removed_items.h"
#include "cleanup/files/restart_queue.h"
#include "cleanup/files/shell_notifier.h"
#include "framework/wide_text.h"
#include "language/language_pack.h"
#include "sample-client/file-locker/file_locker_control.h"
#include "support/test_support.h"
#include "support/test_thread.h"

namespace {

CLanguagePack g_pack;

// Removes the entry at the path the rule approved, now: 1 when it went, else 0.
int RemovedNow(const std::string& path) {
  return RemovePath(test::ApprovedByTheRule(path), kRemoveNow) == RemovalResult::Removed ? 1 : 0;
}

// "测试拨号" in GBK: the program name the language pack gives, so shortcuts have Chinese names.
const std::string kProgramName = "\xb2\xe2\xca\xd4\xb2\xa6\xba\xc5";
const std::string kGbkFolder = "\xc7\xfd\xb6\xaf";         // 驱动
const std::string kGbkFile = "\xce\xc4\xbc\xfe" ".txt";    // 文件.txt

class LanguagePackEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    const std::string xml = "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n"
                            "<language id=\"0\">\r\n"
                            "  <module name=\"define\"><value>\r\n"
                            "    <PROGRAM_NAME>" + kProgramName + "</PROGRAM_NAME>\r\n"
                            "  </value></module>\r\n"
                            "</language>\r\n";
    ASSERT_TRUE(test::WriteFileBytes(m_dir / "Language.xml", xml));
    ASSERT_TRUE(g_pack.Load(m_dir.Path().c_str(), "Language.xml"));
    ASSERT_EQ(kProgramName, g_pack.GetDefine("PROGRAM_NAME"));
  }

private:
  test::TempDir m_dir;
};
const auto* const g_languageEnvironment =
    ::testing::AddGlobalTestEnvironment(new LanguagePackEnvironment);

std::string LockerExe() { return test::SampleClientDir() + "\\FileLocker.exe"; }

DWORD Attributes(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }

std::string WithAttributes(const std::string& path, DWORD attributes) {
  EXPECT_TRUE(test::WriteFileBytes(path, "data of " + path));
  EXPECT_TRUE(::SetFileAttributesA(path.c_str(), attributes));
  return path;
}

// Records the shell events this process sends (SHChangeNotify delivers to the windows registered
// for them), so a test can tell whether a deletion was announced.
class ShellEventRecorder {
public:
  static constexpr UINT kEventMessage = WM_APP + 17;

  ShellEventRecorder() {
    // Announcements still queued from earlier deletions are not this recorder's.
    FlushShellNotifications();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &ShellEventRecorder::WndProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = "FileOpsTestShellEvents";
    ::RegisterClassA(&wc);
    m_window = ::CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
    ::SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SHChangeNotifyEntry everything = {nullptr, TRUE};
    m_registration = ::SHChangeNotifyRegister(
        m_window, SHCNRF_ShellLevel | SHCNRF_InterruptLevel, SHCNE_ALLEVENTS, kEventMessage, 1,
        &everything);
  }
  ~ShellEventRecorder() {
    if (m_registration) ::SHChangeNotifyDeregister(m_registration);
    if (m_window) ::DestroyWindow(m_window);
  }
  ShellEventRecorder(const ShellEventRecorder&) = delete;
  ShellEventRecorder& operator=(const ShellEventRecorder&) = delete;

  bool Registered() const { return m_registration != 0; }

  // Pumps messages until an event of that kind for the path has come in (or the limit passed).
  bool SawEvent(LONG event, const std::string& path, DWORD timeoutMs = 5000) {
    return test::WaitUntil(
        [&] {
          Pump();
          return std::find(m_events.begin(), m_events.end(), Key(event, path)) != m_events.end();
        },
        timeoutMs);
  }
  // Every event that has come in so far (after pumping what is queued).
  size_t EventCount() {
    Pump();
    return m_events.size();
  }
  // The events delivered so far, in order, without pumping.
  const std::vector<std::string>& Delivered() const { return m_events; }

  static std::string Key(LONG event, const std::string& path) {
    std::string lowered = path;
    CharLowerBuffA(&lowered[0], static_cast<DWORD>(lowered.size()));
    return std::to_string(event) + ":" + lowered;
  }

private:
  static void Pump() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
  }

  static LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kEventMessage)
      return ::DefWindowProcA(window, message, wParam, lParam);
    auto* self = reinterpret_cast<ShellEventRecorder*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    auto** items = reinterpret_cast<LPITEMIDLIST*>(wParam);
    char path[MAX_PATH] = {};
    if (self && items && items[0] && ::SHGetPathFromIDListA(items[0], path))
      self->m_events.push_back(Key(static_cast<LONG>(lParam), path));
    return 0;
  }

  HWND m_window = nullptr;
  ULONG m_registration = 0;
  std::vector<std::string> m_events;
};

// --- Deleting files and folders -------------------------------------------------------------

TEST(ForceDelete, FilesWhateverTheirAttributesAreDeletedAndAnnounced) {
  test::TempDir dir;
  ShellEventRecorder shell;
  ASSERT_TRUE(shell.Registered());
  const DWORD attributeSets[] = {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_READONLY,
                                 FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM,
                                 FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                     FILE_ATTRIBUTE_ARCHIVE};
  int n = 0;
  for (DWORD attributes : attributeSets) {
    const std::string path = WithAttributes(dir / ("f" + std::to_string(n++) + ".dat"), attributes);
    EXPECT_NE(0, ForceDeleteFile(test::ApprovedByTheRule(path))) << std::hex << attributes;
    EXPECT_FALSE(test::FileExists(path));
    EXPECT_TRUE(shell.SawEvent(SHCNE_DELETE, path)) << path;
  }
  const std::string chinese = WithAttributes(dir / kGbkFile, FILE_ATTRIBUTE_READONLY);
  EXPECT_NE(0, ForceDeleteFile(test::ApprovedByTheRule(chinese)));
  EXPECT_FALSE(test::FileExists(chinese));
}

TEST(ForceDelete, AMissingFileCountsAsDeletedAndIsNotAnnounced) {
  test::TempDir dir;
  ShellEventRecorder shell;
  ASSERT_TRUE(shell.Registered());
  const std::string missing = dir / "never-there.dll";
  EXPECT_NE(0, ForceDeleteFile(test::ApprovedByTheRule(missing)));
  EXPECT_NE(0, ForceDeleteFile(test::ApprovedByTheRule(dir / "no-folder\\x.dll")));
  // Announce something afterwards, so "no event" is not just "not delivered yet".
  const std::string marker = WithAttributes(dir / "marker.txt", FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(0, ForceDeleteFile(test::ApprovedByTheRule(marker)));
  ASSERT_TRUE(shell.SawEvent(SHCNE_DELETE, marker));
  EXPECT_EQ(1u, shell.EventCount());
}

TEST(ForceDelete, AFileInUseStaysAndGivesZeroButIsAnnounced) {
  test::TempDir dir;
  ShellEventRecorder shell;
  const std::string path = WithAttributes(dir / "in-use.dll", FILE_ATTRIBUTE_READONLY);
  FileLockerProcess locker(LockerExe(), path);
  ASSERT_TRUE(locker.Locked());
  EXPECT_EQ(0, ForceDeleteFile(test::ApprovedByTheRule(path)));
  EXPECT_TRUE(test::FileExists(path));
  EXPECT_EQ(0u, Attributes(path) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(shell.SawEvent(SHCNE_DELETE, path));
}

TEST(RemovePath, EmptyFoldersGoWhateverTheirAttributes) {
  test::TempDir dir;
  ShellEventRecorder shell;
  for (DWORD attributes : {FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN}) {
    const std::string folder = dir / ("d" + std::to_string(attributes));
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    ::SetFileAttributesA(folder.c_str(), attributes);
    EXPECT_NE(0, RemovedNow(folder));
    EXPECT_FALSE(test::FileExists(folder));
    EXPECT_TRUE(shell.SawEvent(SHCNE_RMDIR, folder));
  }
}

// Files' announcements go out side by side; a folder's comes after its files' and before anything
// made later. So the events delivered, cut after each folder's, hold the same groups as those made.
std::vector<std::vector<std::string>> GroupsEndedByFolders(const std::vector<std::string>& events) {
  std::vector<std::vector<std::string>> groups(1);
  for (const std::string& event : events) {
    groups.back().push_back(event);
    if (event.rfind(ShellEventRecorder::Key(SHCNE_RMDIR, ""), 0) == 0) {
      std::sort(groups.back().begin(), groups.back().end() - 1);
      groups.emplace_back();
    }
  }
  return groups;
}

TEST(ShellNotifier, EveryRemovalIsAnnouncedOnceBeforeItsFolderAndTheFlushReturns) {
  test::TempDir dir;
  ShellEventRecorder shell;
  ASSERT_TRUE(shell.Registered());
  std::vector<std::string> expected;
  for (int folder = 0; folder < 5; ++folder) {
    const std::string sub = dir / ("sub" + std::to_string(folder));
    ASSERT_TRUE(::CreateDirectoryA(sub.c_str(), nullptr));
    for (int file = 0; file < 20; ++file) {
      const std::string path = WithAttributes(sub + "\\f" + std::to_string(file) + ".dat", FILE_ATTRIBUTE_HIDDEN);
      ASSERT_NE(0, ForceDeleteFile(test::ApprovedByTheRule(path)));
      expected.push_back(ShellEventRecorder::Key(SHCNE_DELETE, path));
    }
    ASSERT_NE(0, RemovedNow(sub));
    expected.push_back(ShellEventRecorder::Key(SHCNE_RMDIR, sub));
  }
  FlushShellNotifications();
  EXPECT_EQ(GroupsEndedByFolders(expected), GroupsEndedByFolders(shell.Delivered()));
}

// A walk's removals reach the shell while the walk goes on, a batch at a time, and the rest when
// the batch is released.
TEST(ShellNotifier, BatchedAnnouncementsGoOutAsTheyGatherAndTheRestOnRelease) {
  test::TempDir dir;
  ShellEventRecorder shell;
  ASSERT_TRUE(shell.Registered());
  CBatchedAnnouncements batch;
  for (int file = 0; file < 65; ++file) batch.Add(SHCNE_DELETE, WideFromAnsi(dir / ("f" + std::to_string(file) + ".dat")));
  FlushShellNotifications();
  const size_t beforeRelease = shell.EventCount();
  EXPECT_GT(beforeRelease, 0u);
  EXPECT_LT(beforeRelease, 65u);
  batch.Release();
  FlushShellNotifications();
  EXPECT_EQ(65u, shell.EventCount());
  EXPECT_TRUE(shell.SawEvent(SHCNE_DELETE, dir / "f64.dat"));
}

// What went is handed to the shell as an item list made from its name: it names the removed file
// or folder (in any characters, below folders that are gone too) and says which it is; a path
// without a root the shell knows gets none and is announced as text.
TEST(ShellNotifier, ItemListsOfRemovedItemsNameThemWithoutTheDisk) {
  test::TempDir dir;
  const std::wstring top = WideFromAnsi(dir / "gone");
  const std::wstring deep = top + L"\\" + WideFromAnsi(kGbkFolder) + L"\\deeper";
  const std::wstring file = deep + L"\\\u0100\u4e2d " + WideFromAnsi(kGbkFile);
  const ComApartment apartment;
  CRemovedItemLists lists;
  struct Case {
    std::wstring path;
    bool folder;
  };
  for (const Case& removed : {Case{file, false}, Case{deep, true}, Case{top, true}, Case{file, false}}) {
    const ItemList item = lists.Of(removed.path, removed.folder);
    ASSERT_FALSE(item.empty()) << AnsiFromWide(removed.path);
    const auto list = reinterpret_cast<LPCITEMIDLIST>(item.data());
    wchar_t named[MAX_PATH] = {};
    EXPECT_TRUE(::SHGetPathFromIDListW(list, named));
    EXPECT_EQ(removed.path, std::wstring(named));
    ComPtr<IShellFolder> parent;
    LPCITEMIDLIST last = nullptr;
    ASSERT_TRUE(SUCCEEDED(::SHBindToParent(list, IID_IShellFolder, parent.OutParam(), &last)));
    SFGAOF attributes = SFGAO_FOLDER;
    ASSERT_TRUE(SUCCEEDED(parent->GetAttributesOf(1, &last, &attributes)));
    EXPECT_EQ(removed.folder, (attributes & SFGAO_FOLDER) != 0) << AnsiFromWide(removed.path);
    if (removed.folder) lists.Forget(removed.path);
  }
  EXPECT_FALSE(test::FileExists(dir / "gone"));
  // More folders than are kept: the kept ones are dropped and made again, each item still named.
  std::vector<std::wstring> inside;
  for (int folder = 0; folder < 300; ++folder) inside.push_back(top + L"\\" + std::to_wstring(folder) + L"\\f.dat");
  inside.push_back(inside.front());
  for (const std::wstring& path : inside) {
    const ItemList item = lists.Of(path, false);
    wchar_t named[MAX_PATH] = {};
    ASSERT_FALSE(item.empty()) << AnsiFromWide(path);
    EXPECT_TRUE(::SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(item.data()), named));
    EXPECT_EQ(path, std::wstring(named));
  }
  EXPECT_TRUE(lists.Of(L"gone\\x.dat", false).empty());
  EXPECT_TRUE(lists.Of(L"C:\\", true).empty());
}

// The shell looks an announced path up folder by folder and holds each one open for a moment,
// under Wine without sharing its deletion. A removal that meets this waits for the announcement.
TEST(RemovePath, AFolderTheShellHoldsOpenDuringAnAnnouncementGoesWhenTheAnnouncementEnds) {
  test::TempDir dir;
  const std::string folder = dir / "busy";
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  ScopedHandle opened(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  test::Thread shell([&] {
    const auto sending = CShellNotifier::Instance().WaitUntilQuiet();
    ScopedHandle listing(::CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ::SetEvent(opened.Get());
    ::Sleep(300);  // the length of the announcement
  });
  ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(opened.Get(), 10000));
  EXPECT_NE(0, RemovedNow(folder));
  shell.Join();
  EXPECT_FALSE(test::FileExists(folder));
}

TEST(RemovePath, AFolderThatHoldsAFileStaysWithItsAttributesReset) {
  test::TempDir dir;
  const std::string folder = dir / kGbkFolder;
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  WithAttributes(folder + "\\kept.txt", FILE_ATTRIBUTE_NORMAL);
  ASSERT_TRUE(::SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(0, RemovedNow(folder));
  EXPECT_TRUE(test::FileExists(folder + "\\kept.txt"));
  const DWORD after = Attributes(folder);
  EXPECT_EQ(0u, after & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)) << std::hex << after;
  EXPECT_NE(0u, after & FILE_ATTRIBUTE_DIRECTORY);
}

// --- Registry trees ---------------------------------------------------------------------------

TEST(DeleteRegTree, DeletesTheSubKeyWithEverythingBelowIt) {
  test::TempRegKey root;
  const std::string parent = root.Path() + "\\Uninstall\\";
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, parent + "Client\\Deep\\Deeper", "v", "1"));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, parent + "Client", "DisplayName", "x"));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, parent + "Neighbour", "DisplayName", "y"));
  EXPECT_EQ(1, DeleteRegTree(parent.c_str(), "Client"));
  EXPECT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, parent + "Client"));
  EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, parent + "Neighbour"));
}

TEST(DeleteRegTree, AMissingParentIsCreatedEmptyAndAMissingSubKeyIsFine) {
  test::TempRegKey root;
  const std::string parent = root.Path() + "\\Services\\";
  ASSERT_FALSE(test::KeyExists(HKEY_LOCAL_MACHINE, parent));
  EXPECT_EQ(1, DeleteRegTree(parent.c_str(), "DornPPPoE"));
  EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, parent));
  EXPECT_EQ(1, DeleteRegTree(parent.c_str(), "DornPPPoE"));
}

TEST(DeleteRegTree, AnEmptySubKeyNameDeletesNothing) {
  test::TempRegKey root;
  const std::string parent = root.Path() + "\\Uninstall\\";
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, parent + "OtherProduct", "DisplayName", "z"));
  ASSERT_TRUE(test::WriteRegString(HKEY_LOCAL_MACHINE, parent, "value", "kept"));
  EXPECT_EQ(0, DeleteRegTree(parent.c_str(), ""));
  EXPECT_EQ(0, DeleteRegTree(parent.c_str(), nullptr));
  EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, parent + "OtherProduct"));
  std::string value;
  EXPECT_TRUE(test::ReadRegString(HKEY_LOCAL_MACHINE, parent, "value", value));
}

// --- Listing trees ----------------------------------------------------------------------------

// The entries' paths, as the tree gives them for the log.
std::vector<std::string> TextsOf(const CApprovedTree& tree, const std::vector<TreeEntry>& entries) {
  std::vector<std::string> texts;
  for (const TreeEntry& entry : entries) texts.push_back(entry.steps.empty() ? "kept first" : tree.TextOf(entry));
  return texts;
}

// A\x.txt, A\hidden.sys (hidden, system), A\B\y.txt, A\B\C\z.txt, A\<GBK folder>\<GBK file>,
// A\Empty.
class TreeListing : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* sub : {"B", "B\\C", "Empty"}) ::CreateDirectoryA((m_dir / sub).c_str(), nullptr);
    ::CreateDirectoryA((m_dir / kGbkFolder).c_str(), nullptr);
    for (const std::string& file : {std::string("x.txt"), std::string("B\\y.txt"),
                                    std::string("B\\C\\z.txt"), kGbkFolder + "\\" + kGbkFile})
      WithAttributes(m_dir / file, FILE_ATTRIBUTE_NORMAL);
    WithAttributes(m_dir / "hidden.sys", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    // The tree is walked as it is opened: once everything is in place.
    m_tree = std::make_unique<CApprovedTree>(test::ApprovedByTheRule(m_dir.Path()));
  }
  size_t IndexOf(const std::vector<std::string>& list, const std::string& name) const {
    return std::find(list.begin(), list.end(), m_dir / name) - list.begin();
  }
  test::TempDir m_dir;
  std::unique_ptr<CApprovedTree> m_tree;
};

TEST_F(TreeListing, FilesComeDepthFirstWithFullPathsAndAreAppended) {
  std::vector<TreeEntry> entries(1);  // one kept first
  ASSERT_EQ(1, ListFilesInTree(*m_tree, entries));
  const std::vector<std::string> list = TextsOf(*m_tree, entries);
  ASSERT_EQ(6u, list.size());
  EXPECT_EQ("kept first", list[0]);
  std::vector<std::string> expected = {m_dir / "x.txt", m_dir / "hidden.sys", m_dir / "B\\y.txt",
                                       m_dir / "B\\C\\z.txt", m_dir / (kGbkFolder + "\\" + kGbkFile)};
  std::vector<std::string> got(list.begin() + 1, list.end());
  std::sort(expected.begin(), expected.end());
  std::sort(got.begin(), got.end());
  EXPECT_EQ(expected, got);
  // B's files, its sub-folder's included, form one block where B is met.
  const size_t y = IndexOf(list, "B\\y.txt"), z = IndexOf(list, "B\\C\\z.txt");
  EXPECT_EQ(1u, (y > z ? y - z : z - y));
}

TEST_F(TreeListing, FoldersComeDeepestFirstWithoutTheStartFolder) {
  std::vector<TreeEntry> folders;
  ASSERT_EQ(1, ListFoldersInTree(*m_tree, folders));
  const std::vector<std::string> list = TextsOf(*m_tree, folders);
  std::vector<std::string> sorted = list;
  std::sort(sorted.begin(), sorted.end());
  std::vector<std::string> expected = {m_dir / "B", m_dir / "B\\C", m_dir / "Empty", m_dir / kGbkFolder};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(expected, sorted);
  EXPECT_LT(IndexOf(list, "B\\C"), IndexOf(list, "B"));

  // Removing them in list order leaves each parent empty before its turn.
  std::vector<TreeEntry> files;
  ListFilesInTree(*m_tree, files);
  for (const TreeEntry& f : files) ASSERT_EQ(RemovalResult::Removed, RemoveTreeEntry(*m_tree, f)) << m_tree->TextOf(f);
  for (const TreeEntry& f : folders) EXPECT_EQ(RemovalResult::Removed, RemoveTreeEntry(*m_tree, f)) << m_tree->TextOf(f);
}

// Links to what lies outside the tree: one to a folder is listed as a folder but never entered; one
// to a file is listed as a file (Wine shows it as a plain file, and opens it as its target whatever
// the flags). Removing either never removes or changes what it points at, and the link is kept.
TEST(ListInTree, LinksAreListedButNeverEnteredOrFollowed) {
  if (!UsesFolderHandles()) GTEST_SKIP() << "the route by path text serves Windows 95, 98 and Me, which have no links";
  test::TempDir dir, outside;
  ASSERT_TRUE(test::WriteFileBytes(outside / "theirs.dll", "not the client's"));
  ASSERT_TRUE(::SetFileAttributesA((outside / "theirs.dll").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::CreateDirectoryA((outside / "empty").c_str(), nullptr));
  ASSERT_TRUE(test::WriteFileBytes(dir / "own.txt", "x"));
  if (!test::MakeUnixLink(dir / "link", outside.Path()) || !test::MakeUnixLink(dir / "link2", outside / "empty") ||
      !test::MakeUnixLink(dir / "flink.dll", outside / "theirs.dll"))
    GTEST_SKIP() << "no links here";
  ASSERT_NE(0u, ::GetFileAttributesA((dir / "link").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);

  CApprovedTree tree(test::ApprovedByTheRule(dir.Path()));
  std::vector<TreeEntry> files, folders;
  ASSERT_EQ(1, ListFilesInTree(tree, files));
  std::vector<std::string> listed = TextsOf(tree, files);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ((std::vector<std::string>{dir / "flink.dll", dir / "own.txt"}), listed);
  ASSERT_EQ(1, ListFoldersInTree(tree, folders));
  listed = TextsOf(tree, folders);
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ((std::vector<std::string>{dir / "link", dir / "link2"}), listed);
  EXPECT_EQ(nullptr, COpenFolder::Open(WideFromAnsi(dir / "link"))) << "a link is not walked even when named";

  for (const TreeEntry& entry : files) {
    const bool link = entry.Name() == L"flink.dll";
    EXPECT_EQ(link ? RemovalResult::LinkKept : RemovalResult::Removed, RemoveTreeEntry(tree, entry)) << tree.TextOf(entry);
    EXPECT_EQ(link, test::FileExists(tree.TextOf(entry)));
    if (link) {
      EXPECT_FALSE(tree.OpenToRead(entry).IsValid()) << "a link to a file was opened to be read";
    }
  }
  TreeEntry fileLink;
  ASSERT_TRUE(tree.FindInside({}, L"flink.dll", fileLink));
  EXPECT_EQ(RemovalResult::LinkKept, RemovePath(tree.ApprovedPathOf(fileLink), kRemoveNow));
  for (const TreeEntry& folder : folders)
    EXPECT_NE(RemovalResult::Removed, RemoveTreeEntry(tree, folder)) << "Wine cannot remove a link alone";
  std::string bytes;
  EXPECT_TRUE(test::ReadFileBytes(outside / "theirs.dll", bytes) && bytes == "not the client's");
  EXPECT_NE(0u, ::GetFileAttributesA((outside / "theirs.dll").c_str()) & FILE_ATTRIBUTE_READONLY) << "its attributes were reset";
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((outside / "empty").c_str()));
  ::SetFileAttributesA((outside / "theirs.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
  test::RemoveUnixLink(dir / "flink.dll");
}

// Entries listed below a folder are reached through the handles of the folders on the way and
// checked by their file ids: a folder the tree holds cannot be renamed away, and once a step has
// been swapped for a link, it is refused when it is reached, whatever lies behind it.
TEST(ListInTree, RemovalsBelowAFolderActOnTheFoldersTheyReached) {
  if (!UsesFolderHandles()) GTEST_SKIP() << "the route by path text serves Windows 95, 98 and Me, which have no links";
  test::TempDir dir, outside;
  ASSERT_TRUE(::CreateDirectoryA((dir / "sub").c_str(), nullptr));
  ASSERT_TRUE(::CreateDirectoryA((dir / "sub\\deeper").c_str(), nullptr));
  for (const char* name : {"sub\\x.dll", "sub\\y.dll"}) ASSERT_TRUE(test::WriteFileBytes(dir / name, "client's"));
  ASSERT_TRUE(test::WriteFileBytes(outside / "x.dll", "theirs"));
  ASSERT_TRUE(::CreateDirectoryA((outside / "deeper").c_str(), nullptr));

  auto held = std::make_unique<CApprovedTree>(test::ApprovedByTheRule(dir.Path()));
  std::vector<TreeEntry> files, folders;
  ASSERT_EQ(1, ListFilesInTree(*held, files));
  ASSERT_EQ(1, ListFoldersInTree(*held, folders));
  ASSERT_EQ(2u, files.size());
  const TreeEntry x = files[0].Name() == L"x.dll" ? files[0] : files[1];
  const TreeEntry y = files[0].Name() == L"x.dll" ? files[1] : files[0];
  EXPECT_EQ(RemovalResult::Removed, RemoveTreeEntry(*held, y));
  EXPECT_FALSE(::MoveFileA((dir / "sub").c_str(), (dir / "moved").c_str())) << "a folder the tree holds was renamed";
  held.reset();
  ASSERT_TRUE(::MoveFileA((dir / "sub").c_str(), (dir / "moved").c_str()));
  if (!test::MakeUnixLink(dir / "sub", outside.Path())) GTEST_SKIP() << "no links here";

  CApprovedTree fresh(test::ApprovedByTheRule(dir.Path()));
  EXPECT_EQ(RemovalResult::Changed, RemoveTreeEntry(fresh, x));
  for (const TreeEntry& folder : folders) EXPECT_NE(RemovalResult::Removed, RemoveTreeEntry(fresh, folder));
  EXPECT_TRUE(test::FileExists(outside / "x.dll"));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA((outside / "deeper").c_str()));
  test::RemoveUnixLink(dir / "sub");
}

// What the system cannot remove now goes at the restart, and so does the folder that only such an
// entry keeps: a file another program holds open, one it holds sharing its deletion (it is only
// marked now, and goes when that program lets go), and a library another process has loaded.
TEST(RemoveTreeEntry, WhatCannotGoNowIsQueuedForTheRestartWithTheFolderItKeeps) {
  for (const char* mode : {"hold", "share-delete", "load"}) {
    SCOPED_TRACE(mode);
    test::TempDir dir;
    ASSERT_TRUE(::CreateDirectoryA((dir / "sub").c_str(), nullptr));
    const std::string file = dir / "sub\\Kept.dll";
    ASSERT_TRUE(::CopyFileA((test::SampleClientDir() + "\\ComServerNoExport.dll").c_str(), file.c_str(), FALSE));
    FileLockerProcess locker(test::SampleClientDir() + "\\FileLocker.exe", file, mode);
    ASSERT_TRUE(locker.Locked());
    CApprovedTree tree(test::ApprovedByTheRule(dir.Path()));
    std::vector<TreeEntry> files, folders;
    ASSERT_EQ(1, ListFilesInTree(tree, files));
    ASSERT_EQ(1, ListFoldersInTree(tree, folders));
    ASSERT_EQ(1u, files.size());
    EXPECT_EQ(RemovalResult::AtRestart, RemoveTreeEntry(tree, files[0]));
    const COpenFolder* sub = tree.FolderOf(files[0]);
    ASSERT_NE(nullptr, sub);
    EXPECT_TRUE(CRestartQueue::Instance().IsQueued(*sub, files[0].AsListed()));
    EXPECT_EQ(RemovalResult::AtRestart, RemoveTreeEntry(tree, folders[0]));
    locker.Release();
    // Marked while shared, it is gone once the holder lets go.
    EXPECT_EQ(std::string(mode) != "share-delete", test::FileExists(file));
  }
}

// An entry with another name (a hard link, which any user may make of a file they can read) is
// removed as a name: its attributes are those of the other file too, and are never reset, so the
// other file keeps them, and its bytes. A read-only one goes only where the system removes a read-only
// name as it is (Windows 10 on); elsewhere it stays.
TEST(RemoveTreeEntry, AHardLinkGoesAsANameAndTheOtherFileKeepsItsAttributes) {
  test::TempDir dir, outside;
  const std::string theirs = outside / "theirs.txt", theirsReadOnly = outside / "theirs-ro.txt";
  ASSERT_TRUE(test::WriteFileBytes(theirs, "someone else's"));
  ASSERT_TRUE(test::WriteFileBytes(theirsReadOnly, "someone else's too"));
  ASSERT_TRUE(::CreateHardLinkA((dir / "link.txt").c_str(), theirs.c_str(), nullptr));
  ASSERT_TRUE(::CreateHardLinkA((dir / "link-ro.txt").c_str(), theirsReadOnly.c_str(), nullptr));
  ASSERT_TRUE(::SetFileAttributesA(theirs.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(::SetFileAttributesA(theirsReadOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  CApprovedTree tree(test::ApprovedByTheRule(dir.Path()));
  std::vector<TreeEntry> files;
  ASSERT_EQ(1, ListFilesInTree(tree, files));
  for (const TreeEntry& file : files) RemoveTreeEntry(tree, file, kRemoveNow);
  EXPECT_FALSE(test::FileExists(dir / "link.txt"));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN), Attributes(theirs) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  EXPECT_NE(0u, Attributes(theirsReadOnly) & FILE_ATTRIBUTE_READONLY);
  std::string bytes;
  EXPECT_TRUE(test::ReadFileBytes(theirs, bytes) && bytes == "someone else's");
  EXPECT_TRUE(test::ReadFileBytes(theirsReadOnly, bytes) && bytes == "someone else's too");
  ::SetFileAttributesA(theirsReadOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::SetFileAttributesA((dir / "link-ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Who could change a file to be run elevated: the file, its folder and the folders above it are
// read; the drive root letting everyone add folders beside the way changes nothing.
TEST(JudgedFile, AnyOneOnTheWayThatOthersMayChangeRefusesTheFile) {
  // Which step of <dir>\a\b\Tool.dll everyone may change: none, the file, its folder, one above.
  for (const char* opened : {"", "a\\b\\Tool.dll", "a\\b", "a"}) {
    SCOPED_TRACE(opened);
    test::TempDir dir;
    ASSERT_TRUE(::CreateDirectoryA((dir / "a").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((dir / "a\\b").c_str(), nullptr));
    const std::string file = dir / "a\\b\\Tool.dll";
    ASSERT_TRUE(test::WriteFileBytes(file, "x"));
    if (*opened && !test::LetEveryoneChange(dir / opened)) GTEST_SKIP() << "no Unix modes here";
    const CJudgedFile judged = CJudgedFile::Open(WideFromAnsi(file));
    EXPECT_EQ(!*opened, judged.IsTrusted()) << judged.Why();
    if (*opened) {
      EXPECT_NE(std::string::npos, judged.Why().find(dir / opened)) << judged.Why();
    }
    // The restart judges the file itself and the way to it.
    EXPECT_EQ(!*opened, JudgeForTheRestart(WideFromAnsi(file), false).trusted);
  }
}

// The file the elevated program uses is the file it judged: opened by its exact path and held
// (nobody writes or renames it or a folder on its way meanwhile), refused when a link leads to it,
// never started when it was not there at the look (not even once it is made), and read, copied
// and started as the object held.
TEST(JudgedFile, WhatIsUsedIsWhatWasJudged) {
  test::TempDir dir, outside;
  const std::string script = "@echo ran> \"%~dp0ran.txt\"\r\n";
  ASSERT_TRUE(test::WriteFileBytes(dir / "tool.bat", script));
  const CJudgedFile tool = CJudgedFile::Open(WideFromAnsi(dir / "tool.bat"));
  ASSERT_TRUE(tool.IsTrusted()) << tool.Why();
  EXPECT_FALSE(test::WriteFileBytes(dir / "tool.bat", "@echo changed")) << "a held file was written";
  EXPECT_FALSE(::MoveFileA((dir / "tool.bat").c_str(), (dir / "other.bat").c_str())) << "a held file was renamed";
  EXPECT_FALSE(::MoveFileA(dir.Path().c_str(), (dir.Path() + "-moved").c_str())) << "its folder was renamed";
  std::string bytes, copied;
  EXPECT_TRUE(tool.Read(bytes, 1024) && bytes == script);
  // A copy replaces a read-only, system file of the name with a plain one.
  WithAttributes(dir / "copy.bat", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
  EXPECT_TRUE(CopyJudgedFile(tool, test::ApprovedByTheRule(dir / "copy.bat")));
  EXPECT_TRUE(test::ReadFileBytes(dir / "copy.bat", copied) && copied == script);
  EXPECT_EQ(0u, Attributes(dir / "copy.bat") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM));
  const ScopedHandle started = tool.Start(std::wstring(), WideFromAnsi(dir.Path()), CREATE_NO_WINDOW);
  ASSERT_TRUE(started.IsValid());
  EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(started.Get(), 30000));
  EXPECT_TRUE(test::FileExists(dir / "ran.txt"));

  // Not there at the look: made afterwards, it is still not started.
  const CJudgedFile late = CJudgedFile::Open(WideFromAnsi(dir / "late.bat"));
  EXPECT_FALSE(late.Exists());
  ASSERT_TRUE(test::WriteFileBytes(dir / "late.bat", "@echo ran> \"%~dp0late.txt\"\r\n"));
  EXPECT_FALSE(late.Start(std::wstring(), WideFromAnsi(dir.Path()), CREATE_NO_WINDOW).IsValid());

  // Reached through a link: refused, and a copy onto the link's name never writes its target.
  ASSERT_TRUE(test::WriteFileBytes(outside / "theirs.bat", "@echo theirs"));
  if (!test::MakeUnixLink(dir / "link.bat", outside / "theirs.bat")) GTEST_SKIP() << "no links here";
  const CJudgedFile linked = CJudgedFile::Open(WideFromAnsi(dir / "link.bat"));
  EXPECT_TRUE(linked.Exists());
  EXPECT_FALSE(linked.IsTrusted());
  EXPECT_NE(std::string::npos, linked.Why().find("link")) << linked.Why();
  // The name as the program's fixed files name their place: the link itself, not where it leads.
  const CApprovedTree folder(test::ApprovedByTheRule(dir.Path()));
  TreeEntry link;
  ASSERT_TRUE(folder.FindInside({}, L"link.bat", link));
  EXPECT_FALSE(CopyJudgedFile(tool, folder.ApprovedPathOf(link)));
  EXPECT_TRUE(test::ReadFileBytes(outside / "theirs.bat", bytes) && bytes == "@echo theirs");
  test::RemoveUnixLink(dir / "link.bat");
}

// WININIT.INI of Windows 95, 98 and Me gains the entry right after the header of its "[rename]"
// section (a line of its own, in any case), or in a new section at the end; every other byte stays.
TEST(WininitRename, TheEntryGoesUnderTheSectionHeaderAndNothingElseChanges) {
  const struct {
    const char* before;
    const char* after;
  } cases[] = {
      {"", "[rename]\r\nNUL=C:\\X~1.DAT\r\n"},
      {"[Rename]\r\nNUL=C:\\OLD\r\n", "[Rename]\r\nNUL=C:\\X~1.DAT\r\nNUL=C:\\OLD\r\n"},
      {"  [RENAME]  \r\n", "  [RENAME]  \r\nNUL=C:\\X~1.DAT\r\n"},
      {"[rename]", "[rename]\r\nNUL=C:\\X~1.DAT\r\n"},
      {"[other]\r\nkey=[rename]\r\n\xb1\xed=\xc8\xdd", "[other]\r\nkey=[rename]\r\n\xb1\xed=\xc8\xdd\r\n[rename]\r\nNUL=C:\\X~1.DAT\r\n"},
      {"[a]\nx=1\n[rename]\nNUL=C:\\B\n[z]\n", "[a]\nx=1\n[rename]\nNUL=C:\\X~1.DAT\r\nNUL=C:\\B\n[z]\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.after, WithRenameEntry(c.before, "C:\\X~1.DAT")) << c.before;
}

TEST(ListInTree, RefusedAndMissingFolders) {
  test::TempDir dir;
  std::vector<TreeEntry> list(1);
  for (const std::string& folder : {std::string(), dir / "missing"}) {
    const CApprovedTree tree(test::ApprovedByTheRule(folder));
    EXPECT_EQ(0, ListFilesInTree(tree, list));
    EXPECT_EQ(0, ListFoldersInTree(tree, list));
  }
  const CApprovedTree empty(test::ApprovedByTheRule(dir.Path()));
  EXPECT_EQ(1, ListFilesInTree(empty, list));
  EXPECT_EQ(1, ListFoldersInTree(empty, list));
  EXPECT_EQ(1u, list.size());
}

// --- Shortcuts in the shell folders -------------------------------------------------------------

// A shortcut file in one of the prefix's real shell folders, created for the test; the folders it
// had to create are removed again, and so is the file if it is still there.
class ShortcutInFolder {
public:
  ShortcutInFolder(const std::string& folder, const std::string& name) : m_path(folder + "\\" + name) {
    std::string missing = folder;
    while (!missing.empty() && !test::FileExists(missing)) {
      m_created.insert(m_created.begin(), missing);
      missing = missing.substr(0, missing.rfind('\\'));
    }
    for (const std::string& f : m_created) ::CreateDirectoryA(f.c_str(), nullptr);
    test::WriteFileBytes(m_path, "shortcut bytes");
    ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_READONLY);
  }
  ~ShortcutInFolder() {
    ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(m_path.c_str());
    for (auto it = m_created.rbegin(); it != m_created.rend(); ++it) ::RemoveDirectoryA(it->c_str());
  }
  ShortcutInFolder(const ShortcutInFolder&) = delete;
  ShortcutInFolder& operator=(const ShortcutInFolder&) = delete;
  const std::string& Path() const { return m_path; }

private:
  std::string m_path;
  std::vector<std::string> m_created;
};

std::string SpecialFolder(int id) {
  char path[MAX_PATH] = {};
  return ::SHGetSpecialFolderPathA(nullptr, path, id, FALSE) ? path : "";
}

TEST(DeleteProgramShortcut, RemovesTheProgramsShortcutFromEveryShellFolder) {
  const int ids[] = {CSIDL_DESKTOP,         CSIDL_PROGRAMS,        CSIDL_STARTUP,
                     CSIDL_STARTMENU,       CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS,
                     CSIDL_COMMON_STARTUP,  CSIDL_COMMON_STARTMENU, CSIDL_COMMON_DESKTOPDIRECTORY};
  for (int id : ids) {
    const std::string folder = SpecialFolder(id);
    ASSERT_FALSE(folder.empty()) << "folder id " << id;
    ShortcutInFolder shortcut(folder, kProgramName + ".lnk");
    ShortcutInFolder neighbour(folder, "Other program.lnk");
    ASSERT_TRUE(test::FileExists(shortcut.Path()));
    DeleteProgramShortcut(id, kProgramName, CPathRule::ForThisSystem());
    EXPECT_FALSE(test::FileExists(shortcut.Path())) << "folder id " << id;
    EXPECT_TRUE(test::FileExists(neighbour.Path())) << "folder id " << id;
  }
}

TEST(DeleteProgramShortcut, QuickLaunchIsReachedThroughTheApplicationData) {
  const std::string appData = SpecialFolder(CSIDL_APPDATA);
  ASSERT_FALSE(appData.empty());
  ShortcutInFolder quickLaunch(appData + "\\Microsoft\\Internet Explorer\\Quick Launch",
                               kProgramName + ".lnk");
  ShortcutInFolder inAppDataItself(appData, kProgramName + ".lnk");
  DeleteProgramShortcut(CSIDL_APPDATA, kProgramName, CPathRule::ForThisSystem());
  EXPECT_FALSE(test::FileExists(quickLaunch.Path()));
  EXPECT_TRUE(test::FileExists(inAppDataItself.Path()));
}

TEST(DeleteProgramShortcut, AFolderThatCannotBeResolvedDeletesNothing) {
  // Work from a folder of the C: drive, so "the root of the current drive" is the prefix's.
  test::TempDir dir;
  char previous[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, previous);
  ASSERT_TRUE(::SetCurrentDirectoryA(dir.Path().c_str()));
  {
    ShortcutInFolder atRoot(dir.Path().substr(0, 2), kProgramName + ".lnk");
    ASSERT_TRUE(test::FileExists(atRoot.Path()));
    const int unknownFolderId = 0x7e;
    ASSERT_TRUE(SpecialFolder(unknownFolderId).empty());
    DeleteProgramShortcut(unknownFolderId, kProgramName, CPathRule::ForThisSystem());
    EXPECT_TRUE(test::FileExists(atRoot.Path()));
  }
  ::SetCurrentDirectoryA(previous);
}

}  // namespace
