#include "cleanup/file_ops.h"

#include <shlobj.h>

#include <functional>

#include "cleanup/restart_queue.h"
#include "cleanup/run_report.h"
#include "cleanup/shell_notifier.h"
#include "framework/handles.h"
#include "framework/registry_tree.h"
#include "framework/shell_folders.h"
#include "framework/wide_text.h"

namespace {

// Whether a removal's result could change on a second try: the entry is still there.
bool LeftInPlace(RemovalResult result) {
  return result == RemovalResult::InUse || result == RemovalResult::DeletePending ||
         result == RemovalResult::NotEmpty || result == RemovalResult::Failed;
}

// Runs remove; when it left the entry, runs it once more while the notifier sends nothing. The
// shell may have held a folder of the path open just then, looking up an earlier announcement.
RemovalResult RemoveBesideTheNotifier(const std::function<RemovalResult()>& remove) {
  const RemovalResult result = remove();
  if (!LeftInPlace(result)) return result;
  const CMutexOwnership quiet = CShellNotifier::Instance().WaitUntilQuiet();
  return remove();
}

// Tells the run's report what became of a removal, and the shell unless it was not there.
// Deleting goes on while the notifier thread tells the shell, in the same order.
RemovalResult Reported(const std::string& logText, const std::wstring& exactPath, LONG event, RemovalResult result) {
  ReportRemoval(logText, result);
  if (result != RemovalResult::Missing) CShellNotifier::Instance().Announce(event, exactPath);
  return result;
}

// Queues an entry the system could not remove now for the next restart. AtRestart when queued,
// else the result as it was.
RemovalResult QueuedWhenLeft(const std::wstring& exactPath, bool folder, RemovalResult result) {
  if (GoesAtRestart(result) && CRestartQueue::Instance().Queue(exactPath, folder)) return RemovalResult::AtRestart;
  return result;
}

// The removal of a single path the caller judged, reported and announced.
RemovalResult RemovePathReported(const std::string& path, LONG event) {
  bool link = false;
  RemovalResult result = RemoveBesideTheNotifier([&] { return RemoveByPath(path, &link); });
  if (link && LeftInPlace(result)) result = RemovalResult::LinkKept;
  return Reported(path, WideFromAnsi(path), event, result);
}

}  // namespace

BOOL ForceCopyFile(const char* from, const char* to, BOOL failIfExists) {
  ::SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
  const BOOL copied = ::CopyFileA(from, to, failIfExists);
  ::SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
  return copied;
}

BOOL ForceDeleteFile(const char* path) {
  if (!path || !path[0]) return TRUE;
  const RemovalResult result = RemovePathReported(path, SHCNE_DELETE);
  return result == RemovalResult::Removed || result == RemovalResult::Missing;
}

BOOL ForceRemoveDir(const char* path) {
  if (!path || !path[0]) return FALSE;
  return RemovePathReported(path, SHCNE_RMDIR) == RemovalResult::Removed;
}

RemovalResult DeleteFileNowOrAtRestart(const ApprovedPath& path, bool announce) {
  if (!path.IsApproved()) return RemovalResult::Refused;
  const std::wstring exact = WideFromAnsi(path.Text());
  const RemovalResult result =
      QueuedWhenLeft(exact, false, RemoveBesideTheNotifier([&] { return RemoveByPath(path.Text()); }));
  if (!announce) {
    ReportRemoval(path.Text(), result);
    return result;
  }
  return Reported(path.Text(), exact, SHCNE_DELETE, result);
}

RemovalResult RemoveTreeEntry(CApprovedTree& tree, const TreeEntry& entry, bool announce, bool queueWhenLeft) {
  const std::wstring exact = tree.WidePathOf(entry);
  const bool folder = entry.IsFolder() && !entry.IsLink();
  RemovalResult result = RemoveBesideTheNotifier([&] { return tree.Remove(entry); });
  if (entry.IsLink() && LeftInPlace(result)) result = RemovalResult::LinkKept;
  if (queueWhenLeft) result = QueuedWhenLeft(exact, folder, result);
  if (queueWhenLeft && folder && result == RemovalResult::NotEmpty) {
    // A folder that only what goes at the restart keeps goes then too, after it.
    std::vector<TreeEntry> inside;
    bool onlyQueued = tree.ListInside(entry.steps, inside) && !inside.empty();
    for (const TreeEntry& held : inside) onlyQueued = onlyQueued && CRestartQueue::Instance().IsQueued(tree.WidePathOf(held));
    if (onlyQueued && CRestartQueue::Instance().Queue(exact, true)) result = RemovalResult::AtRestart;
  }
  if (!announce) {
    ReportRemoval(tree.TextOf(entry), result);
    return result;
  }
  return Reported(tree.TextOf(entry), exact, entry.IsFolder() ? SHCNE_RMDIR : SHCNE_DELETE, result);
}

void DeleteProgramShortcut(int folderId, const std::string& programName, const CPathRule& rule) {
  // Without the folder the path would become "\<name>.lnk" at the root of the current drive.
  std::string folder = ShellFolderPath(folderId);
  if (folder.empty()) return;
  if (folderId == CSIDL_APPDATA) folder += "\\Microsoft\\Internet Explorer\\Quick Launch";

  if (programName.empty()) return;  // ".lnk" alone is nobody's shortcut
  // The name comes from the language pack: "..\x" or a link must not lead out of the shell folder.
  const ApprovedPath shortcut = rule.ApproveBelow(folder + "\\" + programName + ".lnk", folder);
  if (shortcut.IsApproved()) DeleteFileNowOrAtRestart(shortcut);
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

int ListFilesInTree(const CApprovedTree& tree, std::vector<TreeEntry>& list) {
  return tree.ListFiles(list) ? 1 : 0;
}

int ListFoldersInTree(const CApprovedTree& tree, std::vector<TreeEntry>& list) {
  return tree.ListFolders(list) ? 1 : 0;
}
