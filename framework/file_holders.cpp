#include "framework/file_holders.h"

#include <windows.h>
#include <restartmanager.h>

#include <vector>

#include "framework/system_library.h"
#include "framework/wide_text.h"

namespace {

// The Restart Manager's calls (rstrtmgr.dll, Windows Vista on), looked up once.
struct RestartManagerCalls {
  using StartSessionFn = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
  using RegisterResourcesFn = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR[], UINT, RM_UNIQUE_PROCESS[], UINT, LPCWSTR[]);
  using GetListFn = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO[], LPDWORD);
  using EndSessionFn = DWORD(WINAPI*)(DWORD);

  StartSessionFn start = SystemFunctionAs<StartSessionFn>("rstrtmgr.dll", "RmStartSession");
  RegisterResourcesFn registerResources = SystemFunctionAs<RegisterResourcesFn>("rstrtmgr.dll", "RmRegisterResources");
  GetListFn getList = SystemFunctionAs<GetListFn>("rstrtmgr.dll", "RmGetList");
  EndSessionFn end = SystemFunctionAs<EndSessionFn>("rstrtmgr.dll", "RmEndSession");
  bool Available() const { return start && registerResources && getList && end; }
};

}  // namespace

std::string ProgramsHolding(const std::wstring& path) {
  static const RestartManagerCalls calls;
  if (!calls.Available()) return std::string();
  DWORD session = 0;
  WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
  if (calls.start(&session, 0, key) != ERROR_SUCCESS) return std::string();
  std::string names;
  LPCWSTR files[] = {path.c_str()};
  UINT needed = 0, count = 0;
  DWORD reasons = 0;
  if (calls.registerResources(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS &&
      calls.getList(session, &needed, &count, nullptr, &reasons) == ERROR_MORE_DATA && needed > 0) {
    std::vector<RM_PROCESS_INFO> holders(needed);
    count = needed;
    if (calls.getList(session, &needed, &count, holders.data(), &reasons) == ERROR_SUCCESS)
      for (UINT i = 0; i < count && i < holders.size(); ++i)
        names += (names.empty() ? "" : ", ") + AnsiFromWide(holders[i].strAppName);
  }
  calls.end(session);
  return names;
}
