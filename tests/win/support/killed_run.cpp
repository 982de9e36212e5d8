#include "support/killed_run.h"

#include <windows.h>

#include <vector>

#include "support/test_support.h"
#include "support/test_thread.h"

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

HWND VisibleDialogOf(DWORD processId) {
  struct Search {
    DWORD processId;
    HWND found;
      // A callback of the system's calling convention (a lambda has the compiler's own on 32-bit).
    static BOOL CALLBACK Visit(HWND window, LPARAM param) {
      auto& s = *reinterpret_cast<Search*>(param);
      DWORD owner = 0;
      ::GetWindowThreadProcessId(window, &owner);
      char name[16] = {};
      ::GetClassNameA(window, name, sizeof(name));
      if (owner != s.processId || !::IsWindowVisible(window) || std::string(name) != "#32770") return TRUE;
      s.found = window;
      return FALSE;
    }
  } search{processId, nullptr};
  ::EnumWindows(&Search::Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

long RunUninstallWatching(const SampleInstallation& install, const WatchedRun& run,
                          const std::function<bool(const std::string& step, DWORD processId)>& atStep,
                          unsigned long timeoutMs) {
  SetWineVersionFor("Uninstall.exe", run.windowsVersion);
  const std::string program = run.programPath.empty() ? install.Folder() + "\\Uninstall.exe" : run.programPath;
  std::string commandLine = "\"" + program + "\" " + run.arguments;
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, DEBUG_ONLY_THIS_PROCESS, nullptr,
                        install.Folder().c_str(), &si, &pi))
    return -1;
  // A person's OK on the confirmation, posted (never sent) from a thread of its own, since this one
  // holds the program at its debug events.
  volatile LONG stopConfirming = 0;
  Thread confirmer([&] {
    if (!run.confirm) return;
    WaitUntil([&] {
      const HWND dialog = VisibleDialogOf(pi.dwProcessId);
      if (dialog && ::GetDlgItem(dialog, IDOK))
        return ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                              reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK))) != FALSE;
      return stopConfirming != 0;
    }, 60000);
  });
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
        if (!killed) {
          const std::string text = DebugText(pi.hProcess, event.u.DebugString);
          const std::string prefix = "Uninstall: ";
          if (text.compare(0, prefix.size(), prefix) == 0 && atStep(text.substr(prefix.size()), pi.dwProcessId))
            killed = ::TerminateProcess(pi.hProcess, 1) != FALSE;
        }
        break;
      case EXIT_PROCESS_DEBUG_EVENT:
        exited = true;
        break;
      default:
        break;
    }
    ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
  }
  ::InterlockedExchange(&stopConfirming, 1);
  confirmer.Join();
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
