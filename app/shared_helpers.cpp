#include "app/shared_helpers.h"

#include <windows.h>

#include <cstdlib>

#include "cleanup/setup_values.h"
#include "language/mbcs.h"

int GetModuleDir(std::string& dir) {
  char path[512] = {};
  ::GetModuleFileNameA(nullptr, path, sizeof(path) - 1);
  dir = path;
  const size_t slash = MbFindLast(path, '\\');
  dir.resize(slash == static_cast<size_t>(-1) ? 0 : slash);
  return 1;
}

std::string ModuleDir() {
  std::string dir;
  GetModuleDir(dir);
  return dir;
}

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

namespace {
int ReadSetupType() { return std::atoi(ReadSetupValue("SetupType").c_str()); }
}  // namespace

bool IsSetupTypeGroup3() { return ReadSetupType() / 10 == 3; }

int GetSetupTypeVariant() { return ReadSetupType() % 10; }

int SelectBySetupVariant(int first, int second) {
  return GetSetupTypeVariant() != 0 ? second : first;
}
