#include "cleanup/folder_tree.h"

#include <windows.h>

#include "cleanup/open_folder.h"
#include "cleanup/run_report.h"

bool IsDeletableFolderPath(const std::string& folderPath) {
  const size_t end = folderPath.find_last_not_of('\\');
  if (end == std::string::npos) return false;  // empty, or backslashes only
  return !(end == 1 && folderPath[1] == ':');  // "X:" with or without backslashes
}

namespace {
// Empties folder through its handle: each entry is removed through its own handle, a link as the
// link (what it points at is never entered), a folder after its contents.
void EmptyFolder(const COpenFolder& folder) {
  folder.ForEachEntry([&](const FolderEntry& entry) {
    const std::string name = entry.Name();
    COpenFolder sub;
    if (entry.IsFolder() && sub.OpenChild(folder, name)) EmptyFolder(sub);
    bool link = false;
    const BOOL removed = folder.RemoveEntry(name, link);
    if (link && !removed)
      ReportRemoval(entry.path, RemovalResult::LinkKept);
    else
      ReportRemovalOutcome(entry.path, removed);
  });
}
}  // namespace

void DeleteFolderTree(std::string folderPath) {
  if (!IsDeletableFolderPath(folderPath)) return;
  while (folderPath.back() == '\\') folderPath.pop_back();
  // A folder that is itself a link is left to the caller: it is not walked either.
  COpenFolder folder;
  if (!folder.Open(folderPath)) return;
  EmptyFolder(folder);
  bool link = false;
  ReportRemovalOutcome(folderPath, RemoveByPath(folderPath, link));
}
