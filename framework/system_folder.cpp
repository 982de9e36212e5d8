#include "framework/system_folder.h"

#include <windows.h>

#include <vector>

#include "framework/file_names.h"
#include "framework/path_text.h"
#include "framework/system_library.h"

namespace {

// A folder the system names through a function of kernel32 (looked up: Windows XP brought these);
// empty when it is missing or fails.
std::wstring FolderFrom(const char* functionName) {
  using GetFolderFn = UINT(WINAPI*)(LPWSTR, UINT);
  const auto getFolder = SystemFunctionAs<GetFolderFn>("kernel32.dll", functionName);
  std::vector<wchar_t> folder(MAX_PATH + 1);
  const UINT length = getFolder ? getFolder(folder.data(), static_cast<UINT>(folder.size())) : 0;
  return length > 0 && length < folder.size() ? std::wstring(folder.data(), length) : std::wstring();
}

// What the redirection of this process maps, found once; no 32-bit system folder where there is no
// redirection.
struct Redirection {
  Redirection() {
    folders.system = SystemDirectoryNamed();
    if (!RunsUnderWow64()) return;
    folders.windows = FolderFrom("GetSystemWindowsDirectoryW");
    folders.wow64 = FolderFrom("GetSystemWow64DirectoryW");
    // Windows 7 (6.1) exempted the driver store; the version of a compatibility layer errs
    // toward expecting the redirection, and a handle that then disagrees is refused.
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    folders.driverStoreRedirected = ::GetVersionExA(&version) && (version.dwMajorVersion < 6 ||
                                                                  (version.dwMajorVersion == 6 && version.dwMinorVersion < 1));
  }
  RedirectedFolders folders;
};

const Redirection& ThisProcess() {
  static const Redirection redirection;
  return redirection;
}

}  // namespace

bool RunsUnderWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  static const auto isWow64 = SystemFunctionAs<IsWow64ProcessFn>("kernel32.dll", "IsWow64Process");
  BOOL wow64 = FALSE;
  return isWow64 && isWow64(::GetCurrentProcess(), &wow64) && wow64;
}

std::wstring ReachedPath(const std::wstring& path) { return RedirectedPath(path, ThisProcess().folders); }

std::wstring SystemFolder() { return ReachedPath(ThisProcess().folders.system); }
