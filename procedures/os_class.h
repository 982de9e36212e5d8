// The class of the running Windows, which selects the uninstall procedure.
#pragma once

// The operating-system class: 0 when the version cannot be read, 1 for 4.0 and 4.10 (Windows 95,
// NT 4.0, 98), 2 for 5.0, 3 for 4.90 (Me), 4 for everything else.
int GetOsClass();
// The same decision on given version numbers (GetOsClass without the system call).
int OsClassFromVersion(unsigned major, unsigned minor);
