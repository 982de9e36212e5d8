// The three launchers: each frames one uninstall procedure on the main thread (close the
// running client, start the worker on the run, show the progress dialog until the worker closes
// it, the closing message, the Add/Remove Programs entry, the finishing program and the portal
// browser's uninstaller) and reports how the run ended.
#pragma once
#include "procedures/uninstall_run.h"

RunOutcome RunFullUninstall(UninstallRun& run);       // Windows 2000 and later
RunOutcome RunLegacyUninstall(UninstallRun& run);     // Windows 95, 98, Me and NT 4.0
RunOutcome RunSetupTypeUninstall(UninstallRun& run);  // "SetupType" 30 to 39, any system
