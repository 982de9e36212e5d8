#include "support/killed_run.h"

#include <windows.h>

#include <vector>

#include "support/test_support.h"

namespace test {

namespace {

// The debug text of an OUTPUT_DEBUG_STRING_EVENT, read from the frozen process.
std::string DebugText(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
  if (info.fUnicode || info.nDebugStringLength == 0) return std::string();
  std::vector<char> text(info.nDebugStringLength + 1, '\0');
  SIZE_T read = 0;
  ::ReadProcessMemory(process, info.lpDebugStringData, text.data(), info.nDebugStringLength, &read);
  return text.data();
}

}  // namespace

long RunUninstallPausingAt(const SampleInstallation& install, const std::string& windowsVersion,
                           const std::string& arguments, const std::string& marker,
                           const std::function<bool()>& whilePaused, unsigned long timeoutMs) {
  SetWineVersionFor("Uninstall.exe", windowsVersion);
  std::string commandLine = "\"" + install.Folder() + "\\Uninstall.exe\" " + arguments;
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        install.Folder().c_str(), &si, &pi))
    return -1;
  const std::string wanted = "Uninstall: " + marker;
  const DWORD start = ::GetTickCount();
  bool killed = false, exited = false, timedOut = false;
  while (!exited) {
    DEBUG_EVENT event = {};
    if (!::WaitForDebugEvent(&event, 1000)) {
      if (!timedOut && ::GetTickCount() - start > timeoutMs) timedOut = ::TerminateProcess(pi.hProcess, 1) != FALSE;
      continue;
    }
    DWORD status = DBG_CONTINUE;
    switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
        if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
        break;
      case LOAD_DLL_DEBUG_EVENT:
        if (event.u.LoadDll.hFile) ::CloseHandle(event.u.LoadDll.hFile);
        break;
      case EXCEPTION_DEBUG_EVENT:
        // The program's own exceptions are its own to handle; only the loader's breakpoint is ours.
        if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) status = DBG_EXCEPTION_NOT_HANDLED;
        break;
      case OUTPUT_DEBUG_STRING_EVENT:
        if (!killed && DebugText(pi.hProcess, event.u.DebugString) == wanted && whilePaused())
          killed = ::TerminateProcess(pi.hProcess, 1) != FALSE;
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        exited = true;
        break;
      default:
        break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
  ::WaitForSingleObject(pi.hProcess, 30000);
  DWORD exitCode = 0;
  ::GetExitCodeProcess(pi.hProcess, &exitCode);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  SetWineVersionFor("Uninstall.exe", "");
  if (killed) return kKilledAtMarker;
  return timedOut ? -1 : static_cast<long>(exitCode);
}

}  // namespace test
