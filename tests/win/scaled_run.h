// A test program run at another display scale. Wine reads the system DPI from the prefix's value
// LogPixels ("HKCU\Control Panel\Desktop") once, as a process starts. So a test program started
// with UNINSTALL_TEST_DPI=<dpi> sets LogPixels, runs itself again (UNINSTALL_TEST_DPI_RUN set,
// bounded inside CTest's limit), puts the old value back and ends with that run's exit code and
// output. The run fails at once without the DPI asked for. One test program runs in a prefix at a
// time.
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/handles.h"
#include "support/test_support.h"
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
    if (m_key.Create(HKEY_CURRENT_USER, "Control Panel\\Desktop") != ERROR_SUCCESS) return;
    DWORD size = sizeof(m_old), type = 0;
    m_hadOld = ::RegQueryValueExA(m_key.Get(), "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&m_old),
                                  &size) == ERROR_SUCCESS && type == REG_DWORD;
    m_set = Write(dpi);
  }
  ~LogPixelsOverride() {
    if (m_key.Get() && (!m_hadOld || !Write(m_old))) ::RegDeleteValueA(m_key.Get(), "LogPixels");
  }
  bool IsSet() const { return m_set; }

private:
  bool Write(DWORD value) {
    return ::RegSetValueExA(m_key.Get(), "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof(value)) == ERROR_SUCCESS;
  }
  ScopedRegKey m_key;
  DWORD m_old = 0;
  bool m_hadOld = false, m_set = false;
};

// Before any test: the run at the DPI asked for, if any.
inline bool StartAtRequestedDpi() {
  const char* requested = std::getenv("UNINSTALL_TEST_DPI");
  const int dpi = requested ? std::atoi(requested) : 0;
  if (dpi <= 0) return true;
  if (std::getenv("UNINSTALL_TEST_DPI_RUN")) {
    if (RunScale().Dpi() == dpi) return true;
    std::fprintf(stderr, "scaled run: asked for %d DPI, the system gives %d\n", dpi, RunScale().Dpi());
    ::ExitProcess(2);
  }
  long exitCode = -1;
  std::string output;
  {
    LogPixelsOverride logPixels(static_cast<DWORD>(dpi));
    if (logPixels.IsSet() && ::SetEnvironmentVariableA("UNINSTALL_TEST_DPI_RUN", "1"))
      exitCode = test::RunAndCapture(::GetCommandLineA(), output, 540000);  // CTest ends it at 600 s
  }
  std::printf("scaled run at %d DPI\n%s", dpi, output.c_str());
  if (exitCode < 0) std::printf("scaled run: no run to its end at %d DPI\n", dpi);
  std::fflush(stdout);
  ::ExitProcess(exitCode < 0 ? 2 : static_cast<UINT>(exitCode));
}

inline const bool g_startedAtRequestedDpi = StartAtRequestedDpi();

}  // namespace scaled_run
