#include "procedures/os_class.h"

#include <windows.h>

OsClass OsClassFromVersion(unsigned major, unsigned minor) {
  if (major == 4 && (minor == 0 || minor == 10)) return OsClass::Win95Nt4Or98;
  if (major == 5 && minor == 0) return OsClass::Win2000;
  if (major == 4 && minor == 90) return OsClass::WinMe;
  return OsClass::XpOrLater;
}

OsClass GetOsClass() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof(info);  // 148 bytes: the plain version structure
  if (!::GetVersionExA(&info)) return OsClass::Unknown;
  return OsClassFromVersion(info.dwMajorVersion, info.dwMinorVersion);
}
