#include "framework/own_program.h"

#include <windows.h>

#include <vector>

#include "framework/file_names.h"
#include "framework/native_files.h"
#include "framework/path_text.h"
#include "framework/system_library.h"

std::wstring OwnProgramPath() { return ModuleFileNamed(nullptr); }

std::wstring OwnProgramFolder() {
  const std::wstring folder = FolderAbove(OwnProgramPath());
  if (folder.empty()) return folder;
  const ScopedHandle opened = CreateFileNamed(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  const std::wstring final = opened.IsValid() ? nt::FinalPathOf(opened.Get()) : std::wstring();
  if (!final.empty()) return final;
  // Before Windows Vista: the long form of each step (GetLongPathNameW is missing on NT 4.0 and a
  // stub on 95, 98 and Me, whose module names are long already).
  using GetLongPathFn = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
  static const auto getLongPath = SystemFunctionAs<GetLongPathFn>("kernel32.dll", "GetLongPathNameW");
  std::vector<wchar_t> longPath(32768);
  const DWORD length = getLongPath ? getLongPath(folder.c_str(), longPath.data(), static_cast<DWORD>(longPath.size())) : 0;
  return length > 0 && length < longPath.size() ? std::wstring(longPath.data(), length) : folder;
}
