#include "framework/shell_folders.h"

#include <windows.h>
#include <shlobj.h>

#include "framework/capabilities.h"
#include "framework/system_library.h"

namespace {

using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);
using GetSpecialFolderPathFn = BOOL(WINAPI*)(HWND, LPSTR, int, BOOL);

// SHGetFolderPathA of a library, looked up once.
GetFolderPathFn Shell32GetFolderPath() {
  static const auto function = SystemFunctionAs<GetFolderPathFn>("shell32.dll", "SHGetFolderPathA");
  return function;
}
GetFolderPathFn ShFolderGetFolderPath() {
  static const auto function = SystemFunctionAs<GetFolderPathFn>("shfolder.dll", "SHGetFolderPathA");
  return function;
}

// Asks getFolderPath, when the capability may be used; a missing function is recorded.
bool FromGetFolderPath(Capability capability, GetFolderPathFn (*lookUp)(), int csidl, char* path) {
  if (!MayUse(capability)) return false;
  const GetFolderPathFn getFolderPath = lookUp();
  if (!getFolderPath) {
    MarkMissing(capability);
    return false;
  }
  return SUCCEEDED(getFolderPath(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path));
}

bool FromSpecialFolderPath(int csidl, char* path) {
  static const auto getSpecialFolderPath =
      SystemFunctionAs<GetSpecialFolderPathFn>("shell32.dll", "SHGetSpecialFolderPathA");
  return getSpecialFolderPath && getSpecialFolderPath(nullptr, path, csidl, FALSE);
}

// The shell's item list of the folder, which every shell has, as a path.
bool FromItemList(int csidl, char* path) {
  LPITEMIDLIST list = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list) return false;
  const bool found = ::SHGetPathFromIDListA(list, path) != FALSE;
  IMalloc* allocator = nullptr;
  if (SUCCEEDED(::SHGetMalloc(&allocator)) && allocator) {
    allocator->Free(list);
    allocator->Release();
  }
  return found;
}

}  // namespace

std::string ShellFolderPath(int csidl) {
  char path[MAX_PATH] = {};
  const bool found = FromGetFolderPath(Capability::ShellFolderPath, &Shell32GetFolderPath, csidl, path) ||
                     FromGetFolderPath(Capability::ShFolderLibrary, &ShFolderGetFolderPath, csidl, path) ||
                     FromSpecialFolderPath(csidl, path) || FromItemList(csidl, path);
  path[MAX_PATH - 1] = '\0';
  if (!found) return std::string();
  std::string folder = path;
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}
