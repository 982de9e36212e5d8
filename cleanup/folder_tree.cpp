#include "cleanup/folder_tree.h"

#include <vector>

#include "cleanup/file_ops.h"
#include "cleanup/restart_queue.h"
#include "cleanup/run_report.h"

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
    ListFilesInTree(tree, files);
    for (const TreeEntry& file : files) RemoveTreeEntry(tree, file, false);
    ListFoldersInTree(tree, folders);
    for (const TreeEntry& folder : folders) RemoveTreeEntry(tree, folder, false);
  }
  std::string folder = folderPath.Text();
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  const RemovalResult result = RemoveByPath(folder);
  if (result == RemovalResult::NotEmpty && CRestartQueue::Instance().QueueFolderOfQueuedItems(folder)) return;
  ReportRemoval(folder, result);
}
