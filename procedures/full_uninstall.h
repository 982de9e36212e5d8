// The worker of the uninstall on Windows 2000 and later: removes the client step by step while
// the progress dialog shows status texts and animated bars, then closes the dialog.
#pragma once

// Thread procedure; param is the UninstallRun. Returns 1 after a complete run, 0 after an early
// end (no dialog, no installation folder, "lnk2" without a folder).
unsigned __stdcall FullUninstallThread(void* param);
