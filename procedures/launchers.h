// The three launchers: each frames one uninstall procedure on the main thread (close the
// running client, start the worker, show the progress dialog until the worker closes it, the
// closing message, the Add/Remove Programs entry, the finishing program and the portal
// browser's uninstaller). Each returns the run's exit code (CUninstallApp::ExitCode).
#pragma once

class CUninstallApp;

int RunFullUninstall(CUninstallApp& app);       // Windows 2000 and later
int RunLegacyUninstall(CUninstallApp& app);     // Windows 95, 98, Me and NT 4.0
int RunSetupTypeUninstall(CUninstallApp& app);  // "SetupType" 30 to 39, any system
