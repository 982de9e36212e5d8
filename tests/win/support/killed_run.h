// A run of the uninstaller watched step by step along its timeline, and ended there by force as
// Task Manager's "End process" or a power cut would end it, or let go on.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "support/sample_install.h"

namespace test {

constexpr long kKilledAtMarker = -2;

// How the watched run is started.
struct WatchedRun {
  std::string windowsVersion;
  std::string arguments;
  std::string programPath;  // empty: the installation's own Uninstall.exe
  bool confirm = false;     // an interactive run: its confirmation is answered with OK
};

// Starts the uninstaller as its debugger, from the installation folder. Each time it writes the
// debug text "Uninstall: <step>", atStep runs with the step and the program's process id while
// the program is frozen there; when that returns true the program is ended with TerminateProcess
// at once, else it goes on. Returns kKilledAtMarker, the program's exit code, or -1 when it could
// not start or did not end within timeoutMs (then it is ended).
long RunUninstallWatching(const SampleInstallation& install, const WatchedRun& run,
                          const std::function<bool(const std::string& step, DWORD processId)>& atStep,
                          unsigned long timeoutMs = 180000);

// The same for one step: whilePaused runs when marker is reached.
inline long RunUninstallPausingAt(const SampleInstallation& install, const std::string& windowsVersion,
                                  const std::string& arguments, const std::string& marker,
                                  const std::function<bool()>& whilePaused, unsigned long timeoutMs = 180000) {
  return RunUninstallWatching(install, WatchedRun{windowsVersion, arguments, std::string(), false},
                              [&](const std::string& step, DWORD) { return step == marker && whilePaused(); },
                              timeoutMs);
}
// Ends the run by force at the marker; true when it was ended there.
inline bool KillUninstallAt(const SampleInstallation& install, const std::string& windowsVersion,
                            const std::string& arguments, const std::string& marker) {
  return RunUninstallPausingAt(install, windowsVersion, arguments, marker, [] { return true; }) == kKilledAtMarker;
}

// The visible dialog window of the process, or null.
HWND VisibleDialogOf(DWORD processId);

}  // namespace test
