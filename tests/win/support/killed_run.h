// A run of the uninstaller held at a chosen step of its timeline, and ended there by force as
// Task Manager's "End process" or a power cut would end it, or let go on.
#pragma once
#include <functional>
#include <string>

#include "support/sample_install.h"

namespace test {

constexpr long kKilledAtMarker = -2;

// Starts the installed Uninstall.exe with arguments, from the installation folder, under the
// given Windows version, as its debugger. When it writes the debug text "Uninstall: <marker>",
// whilePaused runs while the program is frozen there; when that returns true the program is
// ended with TerminateProcess at once, else it goes on. Returns kKilledAtMarker, the program's
// exit code, or -1 when it could not start or did not end within timeoutMs (then it is ended).
long RunUninstallPausingAt(const SampleInstallation& install, const std::string& windowsVersion,
                           const std::string& arguments, const std::string& marker,
                           const std::function<bool()>& whilePaused, unsigned long timeoutMs = 180000);
// Ends the run by force at the marker; true when it was ended there.
inline bool KillUninstallAt(const SampleInstallation& install, const std::string& windowsVersion,
                            const std::string& arguments, const std::string& marker) {
  return RunUninstallPausingAt(install, windowsVersion, arguments, marker, [] { return true; }) == kKilledAtMarker;
}

}  // namespace test
