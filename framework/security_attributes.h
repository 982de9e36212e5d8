// Security attributes for the objects the program makes to share with its other runs: an explicit
// DACL that lets Administrators and SYSTEM in with full access and nobody else. Built with the
// security functions of Windows NT, looked up at run time; Windows 95, 98 and Me have no security,
// and there the attributes are null (the system's default).
#pragma once
#include <windows.h>

#include <vector>

// The well-known accounts, as SIDs built byte by byte (no security function is needed for that).
using SidBytes = std::vector<BYTE>;
SidBytes AdministratorsSid();
SidBytes PowerUsersSid();
SidBytes SystemSid();
SidBytes TrustedInstallerSid();

class CAdministratorsOnly {
public:
  // With ownedByAdministrators the object's owner is the Administrators group (an elevated
  // administrator's token may make it so), whatever the token's own default owner.
  explicit CAdministratorsOnly(bool ownedByAdministrators = false);
  CAdministratorsOnly(const CAdministratorsOnly&) = delete;
  CAdministratorsOnly& operator=(const CAdministratorsOnly&) = delete;

  // For CreateMutex and the like; null where the system has no security or the DACL cannot be
  // built.
  SECURITY_ATTRIBUTES* Attributes() { return m_built ? &m_attributes : nullptr; }

private:
  SidBytes m_administrators;
  SidBytes m_system;
  std::vector<BYTE> m_acl;
  SECURITY_DESCRIPTOR m_descriptor{};
  SECURITY_ATTRIBUTES m_attributes{};
  bool m_built = false;
};
