#include "cleanup/folder_tree.h"

#include <windows.h>

#include <cstring>

#include "framework/handles.h"

namespace {

// "X:\" (or "\", or nothing) once the trailing backslash is in place: the whole drive.
bool NamesDriveRoot(const std::string& pathWithBackslash) {
  const size_t length = pathWithBackslash.size();
  return length <= 1 || (length == 3 && pathWithBackslash[1] == ':');
}

}  // namespace

void DeleteFolderTree(std::string folderPath) {
  if (folderPath.empty()) return;
  if (folderPath.back() != '\\') folderPath += '\\';
  if (NamesDriveRoot(folderPath)) return;

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
