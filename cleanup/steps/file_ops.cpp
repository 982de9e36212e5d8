#include "cleanup/steps/file_ops.h"

#include <shlobj.h>

#include "cleanup/files/registry_removal.h"
#include "cleanup/files/removal.h"
#include "cleanup/report/run_report.h"
#include "framework/handles.h"
#include "framework/shell_folders.h"
#include "framework/wide_text.h"

BOOL ForceDeleteFile(const ApprovedPath& path) {
  if (!path.IsApproved()) return TRUE;
  const RemovalResult result = RemovePath(path, kRemoveNow);
  return result == RemovalResult::Removed || result == RemovalResult::Missing;
}

void DeleteProgramShortcut(int folderId, const std::string& programName, const CPathRule& rule) {
  // Without the folder the path would become "\<name>.lnk" at the root of the current drive.
  std::string folder = ShellFolderPath(folderId);
  if (folder.empty()) return;
  if (folderId == CSIDL_APPDATA) folder += "\\Microsoft\\Internet Explorer\\Quick Launch";

  if (programName.empty()) return;  // ".lnk" alone is nobody's shortcut
  // The name comes from the language pack: "..\x" or a link must not lead out of the shell folder.
  const ApprovedPath shortcut = rule.ApproveBelow(folder + "\\" + programName + ".lnk", folder);
  if (shortcut.IsApproved()) RemovePath(shortcut, kRemoveOrQueue);
}

int DeleteRegTree(const char* parentPath, const char* subKey) {
  // An empty name would make SHDeleteKey empty the parent itself.
  if (!subKey || subKey[0] == '\0') return 0;
  // Opened as the procedures always opened it, with create semantics: a missing parent is made.
  ScopedRegKey parent;
  if (parent.Create(HKEY_LOCAL_MACHINE, parentPath ? parentPath : "") != ERROR_SUCCESS) return 0;
  RemoveRegistryKey(parentPath ? parentPath : "", subKey, KeyRemoval::WholeTree);
  return 1;
}

int ListFilesInTree(const CApprovedTree& tree, std::vector<TreeEntry>& list) { return tree.ListFiles(list) ? 1 : 0; }

int ListFoldersInTree(const CApprovedTree& tree, std::vector<TreeEntry>& list) {
  return tree.ListFolders(list) ? 1 : 0;
}
