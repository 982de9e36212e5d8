#include "cleanup/files/folder_tree.h"

#include <vector>

#include "cleanup/files/approved_tree.h"
#include "cleanup/files/removal.h"
#include "cleanup/report/run_report.h"

bool IsDeletableFolderPath(const std::string& folderPath) {
  const size_t end = folderPath.find_last_not_of('\\');
  if (end == std::string::npos) return false;  // empty, or backslashes only
  return !(end == 1 && folderPath[1] == ':');  // "X:" with or without backslashes
}

void DeleteFolderTree(const ApprovedPath& folderPath) {
  if (!folderPath.IsApproved() || !IsDeletableFolderPath(folderPath.Text())) return;
  {
    // A folder that is itself a link is left to the caller: it is not walked either.
    CApprovedTree tree(folderPath);
    if (!tree.IsOpen()) return;
    std::vector<TreeEntry> files, folders;
    tree.ListFiles(files);
    for (const TreeEntry& file : files) RemoveTreeEntry(tree, file, kRemoveOrQueueQuietly);
    tree.ListFolders(folders);
    for (const TreeEntry& folder : folders) RemoveTreeEntry(tree, folder, kRemoveOrQueueQuietly);
  }
  RemovePath(folderPath, kRemoveOrQueueQuietly);
}
