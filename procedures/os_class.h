// The class of the running Windows, which selects the uninstall procedure. The platform is not
// looked at: Windows NT 4.0 goes with Windows 95.
#pragma once

enum class OsClass {
  Unknown = 0,      // the version cannot be read: nothing is uninstalled
  Win95Nt4Or98 = 1, // 4.0 and 4.10: the legacy procedure
  Win2000 = 2,      // 5.0: the full procedure, with the shared PPPoE component's batch file
  WinMe = 3,        // 4.90: the legacy procedure
  XpOrLater = 4,    // everything else: the full procedure
};

// The class of the running Windows, by the version GetVersionExA gives.
OsClass GetOsClass();
// The same decision on given version numbers (GetOsClass without the system call).
OsClass OsClassFromVersion(unsigned major, unsigned minor);
