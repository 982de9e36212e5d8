#include "cleanup/folder_tree.h"

#include <windows.h>

#include <cstring>

#include "framework/handles.h"

bool IsDeletableFolderPath(const std::string& folderPath) {
  const size_t end = folderPath.find_last_not_of('\\');
  if (end == std::string::npos) return false;  // empty, or backslashes only
  return !(end == 1 && folderPath[1] == ':');  // "X:" with or without backslashes
}

void DeleteFolderTree(std::string folderPath) {
  if (!IsDeletableFolderPath(folderPath)) return;
  if (folderPath.back() != '\\') folderPath += '\\';

  WIN32_FIND_DATAA found = {};
  {
    ScopedFindHandle search(::FindFirstFileA((folderPath + "*").c_str(), &found));
    if (search.IsValid()) {
      do {
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0)
          continue;
        const std::string entry = folderPath + found.cFileName;
        ::SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          DeleteFolderTree(entry);
          ::RemoveDirectoryA(entry.c_str());
        } else {
          ::DeleteFileA(entry.c_str());
        }
      } while (::FindNextFileA(search.Get(), &found));
    }
  }
  ::RemoveDirectoryA(folderPath.c_str());
}
