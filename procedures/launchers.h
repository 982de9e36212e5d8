// The three launchers: each frames one uninstall procedure on the main thread (close the
// running client, start the worker on the run, show the progress dialog until the worker closes
// it, the closing message, the Add/Remove Programs entry, the finishing program and the portal
// browser's uninstaller) and reports how the run ended.
#pragma once
#include <string>

#include "framework/handles.h"

#include "procedures/uninstall_run.h"

RunOutcome RunFullUninstall(UninstallRun& run);       // Windows 2000 and later
RunOutcome RunLegacyUninstall(UninstallRun& run);     // Windows 95, 98, Me and NT 4.0
RunOutcome RunSetupTypeUninstall(UninstallRun& run);  // "SetupType" 30 to 39, any system

// Starts "<programFolder>\PavoBrowser\Unin.exe" -Qlume in the system folder without waiting for it,
// the file judged and held as it starts (cleanup/trust/judged_file.h); nothing starts when it is not
// there, when others could have changed it (left for safety), or when the command line would
// exceed 255 characters. The started program's process, or none.
ScopedHandle RunBrowserUninstaller(const std::wstring& programFolder);
