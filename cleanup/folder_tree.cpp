#include "cleanup/folder_tree.h"

#include <windows.h>

#include "cleanup/folder_walk.h"
#include "cleanup/run_report.h"

bool IsDeletableFolderPath(const std::string& folderPath) {
  const size_t end = folderPath.find_last_not_of('\\');
  if (end == std::string::npos) return false;  // empty, or backslashes only
  return !(end == 1 && folderPath[1] == ':');  // "X:" with or without backslashes
}

void DeleteFolderTree(std::string folderPath) {
  if (!IsDeletableFolderPath(folderPath)) return;
  if (folderPath.back() != '\\') folderPath += '\\';
  const std::string folder = folderPath.substr(0, folderPath.size() - 1);
  ForEachFolderEntry(folder, [](const FolderEntry& entry) {
    if (entry.IsLink()) {
      // The link goes; what it points at is never entered.
      if (!RemoveLinkOnly(entry.path)) ReportRemoval(entry.path, RemovalResult::LinkKept);
      return;
    }
    ::SetFileAttributesA(entry.path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (entry.IsFolder())
      DeleteFolderTree(entry.path);
    else
      ReportRemovalOutcome(entry.path, ::DeleteFileA(entry.path.c_str()));
  });
  // A folder that is itself a link is left to the caller: it was not walked either.
  if (IsLinkPath(folder)) return;
  ReportRemovalOutcome(folder, ::RemoveDirectoryA(folderPath.c_str()));
}
