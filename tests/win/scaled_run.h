// A test program run at another display scale. Wine reads the system DPI from the prefix's value
// LogPixels ("HKCU\Control Panel\Desktop", REG_DWORD) once, as a process starts. So a test program
// started with UNINSTALL_TEST_DPI=<dpi> sets LogPixels, runs itself again with the same command
// line and standard handles (bounded inside CTest's limit), puts the old value back however that
// run ended and exits with its exit code. The run itself (UNINSTALL_TEST_DPI_RUN set) fails at
// once without the DPI asked for. One test program runs in a prefix at a time.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/display_scale.h"

namespace scaled_run {

// The system DPI this process got, read from the screen.
inline DisplayScale RunScale() {
  HDC screen = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  return DisplayScale(dpi);
}

// Sets LogPixels for its lifetime; the old value comes back, or none when there was none.
class LogPixelsOverride {
public:
  explicit LogPixelsOverride(DWORD dpi) {
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_key, nullptr) != ERROR_SUCCESS)
      return;
    DWORD size = sizeof(m_old), type = 0;
    m_hadOld = ::RegQueryValueExA(m_key, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&m_old),
                                  &size) == ERROR_SUCCESS && type == REG_DWORD;
    m_set = Write(dpi);
  }
  ~LogPixelsOverride() {
    if (!m_key) return;
    if (!m_hadOld || !Write(m_old)) ::RegDeleteValueA(m_key, "LogPixels");
    ::RegCloseKey(m_key);
  }
  LogPixelsOverride(const LogPixelsOverride&) = delete;
  LogPixelsOverride& operator=(const LogPixelsOverride&) = delete;
  bool IsSet() const { return m_set; }

private:
  bool Write(DWORD value) {
    return ::RegSetValueExA(m_key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof(value)) == ERROR_SUCCESS;
  }
  HKEY m_key = nullptr;
  DWORD m_old = 0;
  bool m_hadOld = false, m_set = false;
};

// Runs this program again at dpi: its exit code, or 2 when it could not run to its end.
inline int RunAgainAtDpi(int dpi) {
  LogPixelsOverride logPixels(static_cast<DWORD>(dpi));
  char exe[MAX_PATH] = {};
  std::string commandLine = ::GetCommandLineA();
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!logPixels.IsSet() || !::SetEnvironmentVariableA("UNINSTALL_TEST_DPI_RUN", "1") ||
      !::GetModuleFileNameA(nullptr, exe, MAX_PATH) ||
      !::CreateProcessA(exe, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "scaled run: no run at %d DPI (error %lu)\n", dpi, ::GetLastError());
    return 2;
  }
  DWORD exitCode = 2;
  if (::WaitForSingleObject(process.hProcess, 540000) == WAIT_OBJECT_0) {  // CTest's limit: 600 s
    ::GetExitCodeProcess(process.hProcess, &exitCode);
  } else {
    std::fprintf(stderr, "scaled run: no end after 540 s\n");
    ::TerminateProcess(process.hProcess, 2);
    ::WaitForSingleObject(process.hProcess, 10000);
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}

// Before any test: the run at the DPI asked for, if any.
inline bool StartAtRequestedDpi() {
  const char* requested = std::getenv("UNINSTALL_TEST_DPI");
  const int dpi = requested ? std::atoi(requested) : 0;
  if (dpi <= 0) return true;
  if (!std::getenv("UNINSTALL_TEST_DPI_RUN")) ::ExitProcess(static_cast<UINT>(RunAgainAtDpi(dpi)));
  if (RunScale().Dpi() != dpi) {
    std::fprintf(stderr, "scaled run: asked for %d DPI, the system gives %d\n", dpi, RunScale().Dpi());
    ::ExitProcess(2);
  }
  std::printf("scaled run at %d DPI\n", dpi);
  return true;
}

inline const bool g_startedAtRequestedDpi = StartAtRequestedDpi();

}  // namespace scaled_run
