#include "framework/system_library.h"

#include <string>

#include "framework/capabilities.h"
#include "framework/file_names.h"

HMODULE LoadSystemLibrary(const char* dllName) {
  char systemDir[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryA(systemDir, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::string path = std::string(systemDir) + "\\" + dllName;
  // The libraries it needs in turn are looked for beside it first, in the system folder.
  return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

FARPROC SystemFunction(const char* dllName, const char* functionName) {
  // Loading again only counts the library up; it is never freed, so each load is one reference
  // that the run keeps.
  const HMODULE library = LoadSystemLibrary(dllName);
  return library ? ::GetProcAddress(library, functionName) : nullptr;
}

HMODULE LoadLibraryFromItsFolder(const std::wstring& path) {
  // LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32 where the system knows them
  // (the library search was restricted with them at start), the older altered search order
  // otherwise, which looks beside the library first.
  constexpr DWORD kBesideItThenSystem32 = 0x00000100 | 0x00000800;
  return LoadLibraryNamed(path, MayUse(Capability::DefaultDllDirectories) ? kBesideItThenSystem32
                                                                         : LOAD_WITH_ALTERED_SEARCH_PATH);
}
