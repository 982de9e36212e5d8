#include "cleanup/file_ops.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>

#include "app/uninstall_app.h"
#include "framework/handles.h"

namespace {

// The item is an ANSI path, and the shell is asked to deliver the event without delay.
constexpr UINT kNotifyPathFlush = SHCNF_PATHA | SHCNF_FLUSHNOWAIT;  // 0x2001

void NotifyShell(LONG event, const char* path) {
  ::SHChangeNotify(event, kNotifyPathFlush, path, nullptr);
}

bool IsDotEntry(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Walks the entries of folder (without "." and ".."), calling visit(fullPath, isFolder) for each
// in the order the file system returns them. False when the folder cannot be searched.
template <typename Visit>
bool ForEachEntry(const std::string& folder, Visit visit) {
  WIN32_FIND_DATAA found = {};
  ScopedFindHandle search(::FindFirstFileA((folder + "\\*").c_str(), &found));
  if (!search.IsValid()) return false;
  do {
    if (IsDotEntry(found.cFileName)) continue;
    visit(folder + "\\" + found.cFileName, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
  } while (::FindNextFileA(search.Get(), &found));
  return true;
}

}  // namespace

BOOL ForceCopyFile(const char* from, const char* to, BOOL failIfExists) {
  ::SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
  const BOOL copied = ::CopyFileA(from, to, failIfExists);
  ::SetFileAttributesA(to, FILE_ATTRIBUTE_NORMAL);
  return copied;
}

BOOL ForceDeleteFile(const char* path) {
  if (!::PathFileExistsA(path)) return TRUE;
  ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  const BOOL deleted = ::DeleteFileA(path);
  NotifyShell(SHCNE_DELETE, path);
  return deleted;
}

BOOL ForceRemoveDir(const char* path) {
  ::SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
  const BOOL removed = ::RemoveDirectoryA(path);
  NotifyShell(SHCNE_RMDIR, path);
  return removed;
}

void DeleteProgramShortcut(int folderId) {
  char folder[MAX_PATH] = {};
  // Without the folder the path would become "\<name>.lnk" at the root of the current drive.
  if (!::SHGetSpecialFolderPathA(nullptr, folder, folderId, FALSE) || folder[0] == '\0') return;
  std::string shortcut = folder;
  if (folderId == CSIDL_APPDATA) shortcut += "\\Microsoft\\Internet Explorer\\Quick Launch";

  const std::string programName = GetUninstallApp().m_langPack.GetDefine("PROGRAM_NAME");
  if (programName.empty()) return;  // ".lnk" alone is nobody's shortcut
  shortcut += "\\" + programName + ".lnk";

  ::SetFileAttributesA(shortcut.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::DeleteFileA(shortcut.c_str());
  NotifyShell(SHCNE_DELETE, shortcut.c_str());
}

int DeleteRegTree(const char* parentPath, const char* subKey) {
  // An empty name would make SHDeleteKey empty the parent itself.
  if (!subKey || subKey[0] == '\0') return 0;
  ScopedRegKey parent;
  if (parent.Create(HKEY_LOCAL_MACHINE, parentPath ? parentPath : "") != ERROR_SUCCESS) return 0;
  ::SHDeleteKeyA(parent.Get(), subKey);
  return 1;
}

int ListFilesInTree(const std::string& folder, std::vector<std::string>& list) {
  if (folder.empty()) return 1;
  const bool searched = ForEachEntry(folder, [&list](const std::string& path, bool isFolder) {
    if (isFolder)
      ListFilesInTree(path, list);
    else
      list.push_back(path);
  });
  return searched ? 1 : 0;
}

int ListFoldersInTree(const std::string& folder, std::vector<std::string>& list) {
  if (folder.empty()) return 1;
  const bool searched = ForEachEntry(folder, [&list](const std::string& path, bool isFolder) {
    if (!isFolder) return;
    ListFoldersInTree(path, list);
    list.push_back(path);
  });
  return searched ? 1 : 0;
}
