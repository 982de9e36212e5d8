// The workers of the older systems (Windows 95, 98, Me, NT 4.0) and of the SetupType
// installations: no status texts or bars; the last act closes the progress dialog.
#pragma once

// Thread procedures; the parameter is the UninstallRun. Each returns 1 after a complete run and
// 0 after an early end.
unsigned __stdcall LegacyUninstallThread(void* param);
unsigned __stdcall SetupTypeUninstallThread(void* param);
