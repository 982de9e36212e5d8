#include "cleanup/folder_walk.h"

bool ForEachFolderEntry(const std::string& folder, const std::function<void(const FolderEntry&)>& visit) {
  // Opened right before the walk goes in, so a folder swapped for a link since it was listed is
  // not entered either.
  COpenFolder open;
  return open.Open(folder) && open.ForEachEntry(visit);
}

bool IsLinkPath(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
