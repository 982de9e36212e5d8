#include "app/single_run.h"

#include "framework/security_attributes.h"

namespace {

// Per machine, across the users' sessions, where the system knows the "Global\" name space
// (Windows 2000 and later); the older systems have one name space and take no "\" in a name.
const char* GuardName() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(version);
  const bool globalNames = ::GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                           version.dwMajorVersion >= 5;
  return globalNames ? "Global\\Mirel_Mini_Uninstall" : "Mirel_Mini_Uninstall";
}

}  // namespace

CSingleRunGuard::~CSingleRunGuard() {
  if (m_held && m_mutex) ::ReleaseMutex(m_mutex);
  if (m_mutex) ::CloseHandle(m_mutex);
}

bool CSingleRunGuard::Acquire() {
  if (m_held) return true;
  if (!m_mutex) {
    // Administrators and SYSTEM alone may open it: a run as SYSTEM and one as an administrator
    // meet at the same mutex, and nobody else can take it first.
    CAdministratorsOnly onlyAdministrators;
    m_mutex = ::CreateMutexA(onlyAdministrators.Attributes(), FALSE, GuardName());
    // A mutex of that name that this run may not open is another run's (or one that blocks every
    // run): never "no other run".
    if (!m_mutex && ::GetLastError() == ERROR_ACCESS_DENIED) return false;
  }
  if (!m_mutex) {
    m_held = true;  // nothing to hold, and no other run could hold it either
    return true;
  }
  const DWORD wait = ::WaitForSingleObject(m_mutex, 0);
  m_held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  return m_held;
}
