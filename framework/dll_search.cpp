#include "framework/dll_search.h"

#include <windows.h>

#include "framework/capabilities.h"
#include "framework/system_folder.h"
#include "framework/system_library.h"
#include "framework/wide_text.h"

namespace {
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
using SetSearchPathModeFn = BOOL(WINAPI*)(DWORD);
constexpr DWORD kSearchSystem32 = 0x00000800;        // LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD kSafeSearchPermanent = 0x00000001 | 0x00008000;  // BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | _PERMANENT
}  // namespace

// Those that others load first: a library loaded here may load others by their bare names as it
// starts, which must find them loaded already.
const char* const kLibrariesLoadedUpFront[] = {
    "uxtheme.dll",  "dwmapi.dll",  "version.dll",  "msimg32.dll", "winmm.dll",    "cryptbase.dll", "cryptsp.dll",
    "sspicli.dll",  "profapi.dll", "userenv.dll",  "ntmarta.dll", "rtutils.dll",  "rasman.dll",    "mpr.dll",
    "iphlpapi.dll", "netapi32.dll", "shlwapi.dll", "shfolder.dll", "secur32.dll", "wldp.dll",      "dbghelp.dll",
    "wtsapi32.dll", "comctl32.dll", "propsys.dll", "riched20.dll", "rasapi32.dll", "wininet.dll",  "ntshrui.dll"};
const unsigned kLibrariesLoadedUpFrontCount = sizeof(kLibrariesLoadedUpFront) / sizeof(kLibrariesLoadedUpFront[0]);

namespace {
void KeepPathToTheSystemFolders() {
  std::string path;
  char folder[MAX_PATH] = {};
  UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
  if (length > 0 && length < MAX_PATH) path = folder;
  length = ::GetWindowsDirectoryA(folder, MAX_PATH);
  if (length > 0 && length < MAX_PATH) path += (path.empty() ? "" : ";") + std::string(folder);
  ::SetEnvironmentVariableA("PATH", path.c_str());
}
}  // namespace

void RestrictLibrarySearch() {
  const auto setDefault = MayUse(Capability::DefaultDllDirectories)
                              ? SystemFunctionAs<SetDefaultDllDirectoriesFn>("kernel32.dll", "SetDefaultDllDirectories")
                              : nullptr;
  if (!setDefault || !setDefault(kSearchSystem32)) {
    MarkMissing(Capability::DefaultDllDirectories);
    // The current folder out of the search, and each library a bare name would find loaded now
    // from the system folder, so that name finds it loaded already (a library that is not there
    // on this Windows is simply not loaded).
    if (const auto setDllDirectory = SystemFunctionAs<SetDllDirectoryFn>("kernel32.dll", "SetDllDirectoryA"))
      setDllDirectory("");
    // The search ends in the folders of PATH, which a user may extend with one of their own: the
    // process and the programs it starts search the system's folders alone.
    KeepPathToTheSystemFolders();
    for (unsigned i = 0; i < kLibrariesLoadedUpFrontCount; ++i) LoadSystemLibrary(kLibrariesLoadedUpFront[i]);
  }
  if (const auto setSearchPathMode = SystemFunctionAs<SetSearchPathModeFn>("kernel32.dll", "SetSearchPathMode"))
    setSearchPathMode(kSafeSearchPermanent);
  // The folder this process really reaches as the system folder (under WoW64 the 32-bit one), so the
  // programs started in the current folder start where it was judged.
  const std::wstring systemFolder = SystemFolder();
  if (!systemFolder.empty()) ::SetCurrentDirectoryA(AnsiFromWide(systemFolder).c_str());
}
