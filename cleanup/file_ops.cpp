#include "cleanup/file_ops.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>

#include "cleanup/folder_walk.h"
#include "cleanup/run_report.h"
#include "cleanup/shell_notifier.h"
#include "framework/handles.h"

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

BOOL ForceDeleteFile(const char* path) {
  if (!::PathFileExistsA(path)) {
    if (path && path[0]) ReportRemoval(path, RemovalResult::Missing);
    return TRUE;
  }
  // A link goes as a link; its target's attributes are not touched either.
  const bool link = IsLinkPath(path);
  if (!link) ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  const BOOL deleted =
      RemoveBesideTheNotifier([&] { return link ? RemoveLinkOnly(path) : ::DeleteFileA(path); });
  ReportOutcome(path, deleted, link);
  NotifyShell(SHCNE_DELETE, path);
  return deleted;
}

BOOL ForceRemoveDir(const char* path) {
  const bool link = IsLinkPath(path);
  if (!link) ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  const BOOL removed =
      RemoveBesideTheNotifier([&] { return link ? RemoveLinkOnly(path) : ::RemoveDirectoryA(path); });
  ReportOutcome(path, removed, link);
  NotifyShell(SHCNE_RMDIR, path);
  return removed;
}

void DeleteProgramShortcut(int folderId, const std::string& programName, const CPathRule& rule) {
  char folder[MAX_PATH] = {};
  // Without the folder the path would become "\<name>.lnk" at the root of the current drive.
  if (!::SHGetSpecialFolderPathA(nullptr, folder, folderId, FALSE) || folder[0] == '\0') return;
  std::string shortcut = folder;
  if (folderId == CSIDL_APPDATA) shortcut += "\\Microsoft\\Internet Explorer\\Quick Launch";

  if (programName.empty()) return;  // ".lnk" alone is nobody's shortcut
  const std::string folderPath = shortcut;
  // The name comes from the language pack: "..\x" or a link must not lead out of the shell folder.
  shortcut = rule.ApproveBelow(shortcut + "\\" + programName + ".lnk", folderPath);
  if (shortcut.empty()) return;

  ::SetFileAttributesA(shortcut.c_str(), FILE_ATTRIBUTE_NORMAL);
  ReportRemovalOutcome(shortcut, ::DeleteFileA(shortcut.c_str()));
  NotifyShell(SHCNE_DELETE, shortcut.c_str());
}

int DeleteRegTree(const char* parentPath, const char* subKey) {
  // An empty name would make SHDeleteKey empty the parent itself.
  if (!subKey || subKey[0] == '\0') return 0;
  ScopedRegKey parent;
  if (parent.Create(HKEY_LOCAL_MACHINE, parentPath ? parentPath : "") != ERROR_SUCCESS) return 0;
  const LONG deleted = ::SHDeleteKeyA(parent.Get(), subKey);
  std::string key = std::string("HKLM\\") + (parentPath ? parentPath : "");
  if (key.back() != '\\') key += '\\';
  key += subKey;
  ReportRemovalCode(key, static_cast<DWORD>(deleted));
  return 1;
}

int ListFilesInTree(const std::string& folder, std::vector<std::string>& list) {
  if (folder.empty()) return 1;
  const bool searched = ForEachFolderEntry(folder, [&list](const FolderEntry& entry) {
    if (entry.IsFolder())
      ListFilesInTree(entry.path, list);
    else if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY))
      list.push_back(entry.path);  // a link to a file is listed, and removed as a link
  });
  return searched ? 1 : 0;
}

int ListFoldersInTree(const std::string& folder, std::vector<std::string>& list) {
  if (folder.empty()) return 1;
  const bool searched = ForEachFolderEntry(folder, [&list](const FolderEntry& entry) {
    if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    // A link to a folder is listed without being entered; ForceRemoveDir removes it as a link.
    if (entry.IsFolder()) ListFoldersInTree(entry.path, list);
    list.push_back(entry.path);
  });
  return searched ? 1 : 0;
}
