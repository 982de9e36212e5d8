#include "framework/security_attributes.h"

#include "framework/capabilities.h"
#include "framework/system_library.h"

namespace {
using InitializeDescriptorFn = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, DWORD);
using InitializeAclFn = BOOL(WINAPI*)(PACL, DWORD, DWORD);
using AddAllowedAceFn = BOOL(WINAPI*)(PACL, DWORD, DWORD, PSID);
using SetDaclFn = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, BOOL, PACL, BOOL);
using SetOwnerFn = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, PSID, BOOL);

// A SID of the NT authority (S-1-5-...), built as the structure it is.
SidBytes NtAuthoritySid(std::initializer_list<DWORD> subAuthorities) {
  SidBytes sid(8 + 4 * subAuthorities.size(), 0);
  sid[0] = SID_REVISION;
  sid[1] = static_cast<BYTE>(subAuthorities.size());
  sid[7] = 5;  // SECURITY_NT_AUTHORITY
  size_t at = 8;
  for (DWORD sub : subAuthorities) {
    for (int byte = 0; byte < 4; ++byte) sid[at + byte] = static_cast<BYTE>(sub >> (8 * byte));
    at += 4;
  }
  return sid;
}
}  // namespace

SidBytes AdministratorsSid() { return NtAuthoritySid({SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}); }
SidBytes PowerUsersSid() { return NtAuthoritySid({SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_POWER_USERS}); }
SidBytes SystemSid() { return NtAuthoritySid({SECURITY_LOCAL_SYSTEM_RID}); }
SidBytes TrustedInstallerSid() {
  return NtAuthoritySid({80, 956008885, 3418522649u, 1831038044, 1853292631, 2271478464u});
}

CAdministratorsOnly::CAdministratorsOnly(bool ownedByAdministrators)
    : m_administrators(AdministratorsSid()), m_system(SystemSid()) {
  // Windows 95, 98 and Me have no security: their functions are missing or fail, and the attributes
  // stay null.
  const auto initializeDescriptor =
      SystemFunctionAs<InitializeDescriptorFn>("advapi32.dll", "InitializeSecurityDescriptor");
  const auto initializeAcl = SystemFunctionAs<InitializeAclFn>("advapi32.dll", "InitializeAcl");
  const auto addAllowedAce = SystemFunctionAs<AddAllowedAceFn>("advapi32.dll", "AddAccessAllowedAce");
  const auto setDacl = SystemFunctionAs<SetDaclFn>("advapi32.dll", "SetSecurityDescriptorDacl");
  const auto setOwner = SystemFunctionAs<SetOwnerFn>("advapi32.dll", "SetSecurityDescriptorOwner");
  if (!initializeDescriptor || !initializeAcl || !addAllowedAce || !setDacl || !setOwner) return;
  // The list's header, then per entry its header and mask (ACCESS_ALLOWED_ACE up to the SID) and
  // the SID itself.
  const DWORD entry = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD);
  m_acl.resize(sizeof(ACL) + 2 * entry + m_administrators.size() + m_system.size());
  PACL acl = reinterpret_cast<PACL>(m_acl.data());
  m_built = initializeAcl(acl, static_cast<DWORD>(m_acl.size()), ACL_REVISION) &&
            addAllowedAce(acl, ACL_REVISION, GENERIC_ALL, m_administrators.data()) &&
            addAllowedAce(acl, ACL_REVISION, GENERIC_ALL, m_system.data()) &&
            initializeDescriptor(&m_descriptor, SECURITY_DESCRIPTOR_REVISION) &&
            setDacl(&m_descriptor, TRUE, acl, FALSE) &&
            (!ownedByAdministrators || setOwner(&m_descriptor, m_administrators.data(), FALSE));
  m_attributes.nLength = sizeof(m_attributes);
  m_attributes.lpSecurityDescriptor = &m_descriptor;
  m_attributes.bInheritHandle = FALSE;
}
