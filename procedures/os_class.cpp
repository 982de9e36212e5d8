#include "procedures/os_class.h"

#include <windows.h>

int OsClassFromVersion(unsigned major, unsigned minor) {
  // The platform id is not looked at: NT 4.0 goes with Windows 95.
  if (major == 4 && (minor == 0 || minor == 10)) return 1;
  if (major == 5 && minor == 0) return 2;
  if (major == 4 && minor == 90) return 3;
  return 4;
}

int GetOsClass() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);  // 148 bytes: the plain version structure
  if (!::GetVersionExA(&info)) return 0;
  return OsClassFromVersion(info.dwMajorVersion, info.dwMinorVersion);
}
