#include "cleanup/file_ops.h"

#include <shlobj.h>

#include <cstring>
#include <functional>

#include "cleanup/folder_walk.h"
#include "cleanup/run_report.h"
#include "cleanup/shell_notifier.h"
#include "framework/handles.h"
#include "framework/registry_tree.h"
#include "framework/shell_folders.h"

namespace {

// Deleting goes on while the notifier thread tells the shell, in the same order.
void NotifyShell(LONG event, const char* path) { CShellNotifier::Instance().Announce(event, path); }

// Runs remove; when it fails, runs it once more while the notifier sends nothing. The shell may
// have held a folder of the path open just then, looking up an earlier announcement. The last
// error stays that of the last attempt.
template <typename Remove>
BOOL RemoveBesideTheNotifier(Remove remove) {
  if (remove()) return TRUE;
  BOOL removed = FALSE;
  DWORD error = 0;
  {
    const auto quiet = CShellNotifier::Instance().WaitUntilQuiet();
    removed = remove();
    error = ::GetLastError();
  }
  ::SetLastError(error);
  return removed;
}

// Tells the run's report what became of a removal (the error is read right after the call).
void ReportOutcome(const std::string& path, BOOL done, bool link) {
  if (link && !done)
    ReportRemoval(path, RemovalResult::LinkKept);
  else
    ReportRemovalOutcome(path, done);
}

}  // namespace

BOOL ForceCopyFile(const char* from, const char* to, BOOL failIfExists) {
  ::SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
  const BOOL copied = ::CopyFileA(from, to, failIfExists);
  ::SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
  return copied;
}

namespace {
// Removes one entry, whatever its attributes, through the handle of the folder that holds it (the
// one walk of file_ops): tells the report and the shell what became of it. A missing entry is not
// touched and is announced to nobody.
BOOL RemoveReported(const std::string& path, LONG event, const std::function<BOOL(bool&)>& remove) {
  bool link = false;
  const BOOL removed = RemoveBesideTheNotifier([&] { return remove(link); });
  const DWORD error = ::GetLastError();
  if (!removed && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)) {
    ReportRemoval(path, RemovalResult::Missing);
    return event == SHCNE_DELETE;
  }
  ::SetLastError(error);
  ReportOutcome(path, removed, link);
  NotifyShell(event, path.c_str());
  return removed;
}

BOOL RemoveInChain(CFolderChain& tree, const std::string& path, LONG event) {
  return RemoveReported(path, event, [&](bool& link) -> BOOL {
    std::string name;
    const COpenFolder* folder = tree.FolderOf(path, name);
    return folder ? folder->RemoveEntry(name, link) : FALSE;
  });
}
}  // namespace

BOOL ForceDeleteFile(const char* path) {
  if (!path || !path[0]) return TRUE;
  return RemoveReported(path, SHCNE_DELETE, [&](bool& link) { return RemoveByPath(path, link); });
}

BOOL ForceRemoveDir(const char* path) {
  return RemoveReported(path ? path : "", SHCNE_RMDIR, [&](bool& link) { return RemoveByPath(path ? path : "", link); });
}

BOOL ForceDeleteFileIn(CFolderChain& tree, const std::string& path) { return RemoveInChain(tree, path, SHCNE_DELETE); }

BOOL ForceRemoveDirIn(CFolderChain& tree, const std::string& path) { return RemoveInChain(tree, path, SHCNE_RMDIR); }

void DeleteProgramShortcut(int folderId, const std::string& programName, const CPathRule& rule) {
  // Without the folder the path would become "\<name>.lnk" at the root of the current drive.
  std::string shortcut = ShellFolderPath(folderId);
  if (shortcut.empty()) return;
  if (folderId == CSIDL_APPDATA) shortcut += "\\Microsoft\\Internet Explorer\\Quick Launch";

  if (programName.empty()) return;  // ".lnk" alone is nobody's shortcut
  const std::string folderPath = shortcut;
  // The name comes from the language pack: "..\x" or a link must not lead out of the shell folder.
  shortcut = rule.ApproveBelow(shortcut + "\\" + programName + ".lnk", folderPath);
  if (shortcut.empty()) return;

  ForceDeleteFile(shortcut.c_str());
}

int DeleteRegTree(const char* parentPath, const char* subKey) {
  // An empty name would make SHDeleteKey empty the parent itself.
  if (!subKey || subKey[0] == '\0') return 0;
  ScopedRegKey parent;
  if (parent.Create(HKEY_LOCAL_MACHINE, parentPath ? parentPath : "") != ERROR_SUCCESS) return 0;
  const LONG deleted = DeleteRegistryTree(parent.Get(), subKey);
  std::string key = std::string("HKLM\\") + (parentPath ? parentPath : "");
  if (key.back() != '\\') key += '\\';
  key += subKey;
  ReportRemovalCode(key, static_cast<DWORD>(deleted));
  return 1;
}

namespace {
bool ListFilesBelow(const COpenFolder& folder, std::vector<std::string>& list) {
  return folder.ForEachEntry([&](const FolderEntry& entry) {
    COpenFolder sub;
    if (entry.IsFolder()) {
      if (sub.OpenChild(folder, entry.Name())) ListFilesBelow(sub, list);
    } else if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      list.push_back(entry.path);  // a link to a file is listed, and removed as a link
    }
  });
}

bool ListFoldersBelow(const COpenFolder& folder, std::vector<std::string>& list) {
  return folder.ForEachEntry([&](const FolderEntry& entry) {
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    // A link to a folder is listed without being entered, and removed as a link.
    COpenFolder sub;
    if (entry.IsFolder() && sub.OpenChild(folder, entry.Name())) ListFoldersBelow(sub, list);
    list.push_back(entry.path);
  });
}
}  // namespace

int ListFilesInTree(const std::string& folder, std::vector<std::string>& list) {
  if (folder.empty()) return 1;
  COpenFolder open;
  return open.Open(folder) && ListFilesBelow(open, list) ? 1 : 0;
}

int ListFoldersInTree(const std::string& folder, std::vector<std::string>& list) {
  if (folder.empty()) return 1;
  COpenFolder open;
  return open.Open(folder) && ListFoldersBelow(open, list) ? 1 : 0;
}
