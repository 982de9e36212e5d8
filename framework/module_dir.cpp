#include "framework/module_dir.h"

#include <windows.h>

#include <vector>

#include "framework/capabilities.h"
#include "framework/handles.h"
#include "framework/native_files.h"
#include "framework/system_library.h"
#include "framework/wide_text.h"

int GetModuleDir(std::string& dir) {
  char path[512] = {};
  ::GetModuleFileNameA(nullptr, path, sizeof(path) - 1);
  // The last backslash, stepping over double-byte characters: a trail byte may be 0x5C too.
  const char* lastSlash = nullptr;
  for (const char* p = path; *p; p = ::CharNextA(p))
    if (*p == '\\') lastSlash = p;
  dir.assign(path, lastSlash ? static_cast<size_t>(lastSlash - path) : 0);
  return 1;
}

std::string ModuleDir() {
  std::string dir;
  GetModuleDir(dir);
  return dir;
}

std::wstring ModuleFolderPath() {
  std::wstring folder;
  if (HasNtCalls()) {
    std::vector<wchar_t> path(32768);
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) return std::wstring();
    folder.assign(path.data(), length);
  } else {
    folder = WideFromAnsi(ModuleDir() + "\\x");
  }
  const size_t slash = folder.find_last_of(L'\\');
  if (slash == std::wstring::npos) return std::wstring();
  folder.resize(slash);
  if (!HasNtCalls()) return folder;
  const ScopedHandle opened(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const std::wstring final = opened.IsValid() ? nt::FinalPathOf(opened.Get()) : std::wstring();
  if (!final.empty()) return final;
  // Before Windows Vista: the long form of each step (GetLongPathNameW is missing on NT 4.0).
  using GetLongPathFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
  static const auto getLongPath = SystemFunctionAs<GetLongPathFn>("kernel32.dll", "GetLongPathNameW");
  std::vector<wchar_t> longPath(32768);
  const DWORD length = getLongPath ? getLongPath(folder.c_str(), longPath.data(), static_cast<DWORD>(longPath.size())) : 0;
  return length > 0 && length < longPath.size() ? std::wstring(longPath.data(), length) : folder;
}
