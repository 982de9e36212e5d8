#include "cleanup/trust/file_security.h"

#include <windows.h>

#include <ntsecapi.h>

#include <algorithm>
#include <map>

#include "cleanup/trust/file_identity.h"
#include "cleanup/report/run_report.h"
#include "framework/capabilities.h"
#include "framework/file_names.h"
#include "framework/path_text.h"
#include "framework/sync.h"
#include "framework/system_folder.h"
#include "framework/system_library.h"
#include "framework/wide_text.h"

namespace {

// The security functions of Windows NT, looked up at run time (Windows 95, 98 and Me have none).
struct SecurityCalls {
  using GetFileSecurityFn = BOOL(WINAPI*)(LPCWSTR, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
  using GetOwnerFn = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, PSID*, LPBOOL);
  using GetDaclFn = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, LPBOOL, PACL*, LPBOOL);
  using GetAceFn = BOOL(WINAPI*)(PACL, DWORD, LPVOID*);
  using OpenProcessTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
  using GetTokenInformationFn = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
  using LookupAccountSidFn = BOOL(WINAPI*)(LPCWSTR, PSID, LPWSTR, LPDWORD, LPWSTR, LPDWORD, PSID_NAME_USE);
  using GetMembersFn = DWORD(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*, DWORD, LPDWORD, LPDWORD, PDWORD_PTR);
  using FreeBufferFn = DWORD(WINAPI*)(LPVOID);

  GetFileSecurityFn getFileSecurity = SystemFunctionAs<GetFileSecurityFn>("advapi32.dll", "GetFileSecurityW");
  GetOwnerFn getOwner = SystemFunctionAs<GetOwnerFn>("advapi32.dll", "GetSecurityDescriptorOwner");
  GetDaclFn getDacl = SystemFunctionAs<GetDaclFn>("advapi32.dll", "GetSecurityDescriptorDacl");
  GetAceFn getAce = SystemFunctionAs<GetAceFn>("advapi32.dll", "GetAce");
  OpenProcessTokenFn openProcessToken = SystemFunctionAs<OpenProcessTokenFn>("advapi32.dll", "OpenProcessToken");
  GetTokenInformationFn getTokenInformation =
      SystemFunctionAs<GetTokenInformationFn>("advapi32.dll", "GetTokenInformation");
  LookupAccountSidFn lookupAccountSid = SystemFunctionAs<LookupAccountSidFn>("advapi32.dll", "LookupAccountSidW");

  using GetObjectSecurityFn = BOOL(WINAPI*)(HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
  GetObjectSecurityFn getObjectSecurity =
      SystemFunctionAs<GetObjectSecurityFn>("advapi32.dll", "GetKernelObjectSecurity");

  bool Available() const { return getFileSecurity && getObjectSecurity && getOwner && getDacl && getAce; }
};

const SecurityCalls& Security() {
  static const SecurityCalls calls;
  return calls;
}

// The group lists of the network library, loaded only when a group's members are asked for: it
// brings the network stack with it, which nothing before the first window needs.
struct GroupCalls {
  SecurityCalls::GetMembersFn getMembers =
      SystemFunctionAs<SecurityCalls::GetMembersFn>("netapi32.dll", "NetLocalGroupGetMembers");
  SecurityCalls::FreeBufferFn freeBuffer = SystemFunctionAs<SecurityCalls::FreeBufferFn>("netapi32.dll", "NetApiBufferFree");
};

const GroupCalls& Groups() {
  static const GroupCalls calls;
  return calls;
}

// The bytes of a SID the system handed out (its length from its count of sub-authorities).
SidBytes CopyOf(PSID sid) {
  const BYTE* bytes = static_cast<const BYTE*>(sid);
  if (!bytes || bytes[0] != SID_REVISION || bytes[1] > SID_MAX_SUB_AUTHORITIES) return SidBytes();
  return SidBytes(bytes, bytes + 8 + 4 * bytes[1]);
}

// The facts of the running system.
class CSystemFacts : public ISecurityFacts {
public:
  bool DescriptorOf(HANDLE opened, const std::wstring& path, std::vector<BYTE>& descriptor) const override {
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    const SecurityCalls& calls = Security();
    DWORD needed = 0;
    if (opened) calls.getObjectSecurity(opened, wanted, nullptr, 0, &needed);
    else calls.getFileSecurity(path.c_str(), wanted, nullptr, 0, &needed);
    if (!needed) return false;
    descriptor.assign(needed, 0);
    return (opened ? calls.getObjectSecurity(opened, wanted, descriptor.data(), needed, &needed)
                   : calls.getFileSecurity(path.c_str(), wanted, descriptor.data(), needed, &needed)) != FALSE;
  }

  SidBytes RunningAccount() const override {
    SidBytes account;
    HANDLE token = nullptr;
    if (!Security().openProcessToken || !Security().getTokenInformation ||
        !Security().openProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
      return account;
    BYTE buffer[256] = {};
    DWORD size = 0;
    if (Security().getTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size))
      account = CopyOf(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
    ::CloseHandle(token);
    return account;
  }

  // The domain the machine belongs to, from its local security policy; empty for a workgroup.
  SidBytes MachineDomain() const override {
    struct DomainInformation {
      LSA_UNICODE_STRING name;
      PSID sid;
    };
    using OpenPolicyFn = LONG(WINAPI*)(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK, PLSA_HANDLE);
    using QueryPolicyFn = LONG(WINAPI*)(LSA_HANDLE, POLICY_INFORMATION_CLASS, PVOID*);
    using FreeFn = LONG(WINAPI*)(PVOID);
    using CloseFn = LONG(WINAPI*)(LSA_HANDLE);
    const auto open = SystemFunctionAs<OpenPolicyFn>("advapi32.dll", "LsaOpenPolicy");
    const auto query = SystemFunctionAs<QueryPolicyFn>("advapi32.dll", "LsaQueryInformationPolicy");
    const auto freeMemory = SystemFunctionAs<FreeFn>("advapi32.dll", "LsaFreeMemory");
    const auto close = SystemFunctionAs<CloseFn>("advapi32.dll", "LsaClose");
    SidBytes domain;
    LSA_OBJECT_ATTRIBUTES attributes = {};
    LSA_HANDLE policy = nullptr;
    if (!open || !query || !freeMemory || !close || open(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy) != 0)
      return domain;
    void* information = nullptr;
    if (query(policy, PolicyPrimaryDomainInformation, &information) == 0 && information) {
      domain = CopyOf(static_cast<DomainInformation*>(information)->sid);
      freeMemory(information);
    }
    close(policy);
    return domain;
  }

  // Whether the volume that holds path keeps access control (not FAT): asked of its root once.
  bool VolumeKeepsSecurity(const std::wstring& path) const override {
    const size_t root = RootLength(path);
    if (root == 0) return true;
    const std::wstring key = FoldedAscii(path.substr(0, root)) + L"\\";
    CCriticalSectionLock hold(m_volumesLock);
    const auto known = m_volumes.find(key);
    if (known != m_volumes.end()) return known->second;
    using GetVolumeInformationFn = BOOL(WINAPI*)(LPCWSTR, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD);
    static const auto getInformation =
        SystemFunctionAs<GetVolumeInformationFn>("kernel32.dll", "GetVolumeInformationW");
    DWORD flags = 0;
    // A volume that cannot be asked is taken to keep security: it is judged.
    const bool keeps = !getInformation || !getInformation(key.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) ||
                       (flags & FILE_PERSISTENT_ACLS) != 0;
    return m_volumes[key] = keeps;
  }

  // The local group's members, asked by its name in the system's language.
  std::vector<SidBytes> AdministratorsMembers() const override {
    std::vector<SidBytes> members;
    const SecurityCalls& calls = Security();
    const GroupCalls& groups = Groups();
    if (!calls.lookupAccountSid || !groups.getMembers || !groups.freeBuffer) return members;
    SidBytes administrators = AdministratorsSid();
    wchar_t name[256] = {}, domain[256] = {};
    DWORD nameSize = 256, domainSize = 256;
    SID_NAME_USE use;
    if (!calls.lookupAccountSid(nullptr, administrators.data(), name, &nameSize, domain, &domainSize, &use))
      return members;
    BYTE* buffer = nullptr;
    DWORD read = 0, total = 0;
    constexpr DWORD kWholeList = 0xFFFFFFFF;  // MAX_PREFERRED_LENGTH: as much as the list holds
    // LOCALGROUP_MEMBERS_INFO_0: each member's SID.
    if (groups.getMembers(nullptr, name, 0, &buffer, kWholeList, &read, &total, nullptr) == 0 && buffer) {
      const PSID* sids = reinterpret_cast<const PSID*>(buffer);
      for (DWORD i = 0; i < read; ++i) members.push_back(CopyOf(sids[i]));
    }
    if (buffer) groups.freeBuffer(buffer);
    return members;
  }

private:
  mutable CCriticalSection m_volumesLock;
  mutable std::map<std::wstring, bool> m_volumes;
};

const ISecurityFacts* g_testFacts = nullptr;

const ISecurityFacts& Facts() {
  static const CSystemFacts system;
  return g_testFacts ? *g_testFacts : static_cast<const ISecurityFacts&>(system);
}

// What lets someone change what runs: of the file itself, of the folder that holds it, and of a
// folder further up the way.
constexpr ACCESS_MASK kChangesTheFile =
    FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
constexpr ACCESS_MASK kChangesItsFolder = kChangesTheFile | FILE_DELETE_CHILD;
// Of the folder of a file that is only read: replacing what it holds, not adding to it.
constexpr ACCESS_MASK kReplacesInItsFolder = DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL | FILE_DELETE_CHILD;
constexpr ACCESS_MASK kChangesAFolderOnTheWay = DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL | FILE_DELETE_CHILD;

// An account of the administrators of the domain the machine belongs to (S-1-5-21-x-y-z with the
// RIDs of the domain's Administrator, 500, Domain Admins, 512, and Enterprise Admins, 519); those
// of any other domain are accounts like any other.
bool IsMachineDomainAdministrators(const SidBytes& sid, const SidBytes& machineDomain) {
  if (machineDomain.empty() || sid.size() != machineDomain.size() + 4 || sid[1] != machineDomain[1] + 1 ||
      !std::equal(machineDomain.begin() + 2, machineDomain.end(), sid.begin() + 2) ||
      !std::equal(machineDomain.begin(), machineDomain.begin() + 1, sid.begin()))
    return false;
  const BYTE* at = &sid[sid.size() - 4];
  const DWORD rid = static_cast<DWORD>(at[0]) | static_cast<DWORD>(at[1]) << 8 | static_cast<DWORD>(at[2]) << 16 |
                    static_cast<DWORD>(at[3]) << 24;
  return rid == 500 || rid == 512 || rid == 519;
}

// A well-known SID of the creator authority (S-1-3-x): CREATOR OWNER, CREATOR GROUP and the like
// are only placeholders for what is made below a folder, and match nobody themselves; OWNER RIGHTS
// (S-1-3-4) is the owner, judged as the owner.
bool IsCreatorAuthority(const SidBytes& sid) { return sid.size() >= 8 && sid[7] == 3 && sid[1] >= 1; }

// The rule of this run: who is trusted, and whether it can judge at all.
class CTrustRule {
public:
  static const CTrustRule& Instance() {
    static const CTrustRule rule;
    return rule;
  }

  // Why nothing is trusted in this run (the system folder's security cannot be read); empty when
  // the rule judges.
  const std::string& FailedClosed() const { return m_failedClosed; }

  bool IsTrusted(const SidBytes& sid) const {
    if (sid.empty()) return false;
    if (IsMachineDomainAdministrators(sid, m_machineDomain) ||
        std::find(m_trusted.begin(), m_trusted.end(), sid) != m_trusted.end())
      return true;
    const std::vector<SidBytes>& members = AdministratorsMembers();
    return std::find(members.begin(), members.end(), sid) != members.end();
  }

  // Judges one object's owner and DACL against the rights that would let others change it; with no
  // rights given, its owner alone.
  TrustVerdict JudgeOne(const HeldObject& object, ACCESS_MASK changes) const {
    std::vector<BYTE> descriptor;
    const std::string text = AnsiFromWide(object.path);
    if (!Facts().DescriptorOf(object.handle, object.path, descriptor))
      return TrustVerdict{false, text + ": its security cannot be read"};
    return JudgeDescriptor(descriptor, text, changes);
  }

  // Judges an owner and DACL read already, of the object called text.
  TrustVerdict JudgeDescriptor(std::vector<BYTE>& descriptor, const std::string& text, ACCESS_MASK changes) const {
    PSID owner = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    PACL dacl = nullptr;
    if (!Security().getOwner(descriptor.data(), &owner, &defaulted) || !owner || !IsTrusted(CopyOf(owner)))
      return TrustVerdict{false, text + ": its owner is not an administrator"};
    if (!changes) return TrustVerdict{};
    if (!Security().getDacl(descriptor.data(), &present, &dacl, &defaulted) || !present || !dacl)
      return TrustVerdict{false, text + ": it has no access control, so everyone may change it"};
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
      void* ace = nullptr;
      if (!Security().getAce(dacl, i, &ace)) return TrustVerdict{false, text + ": its access list cannot be read"};
      const auto* header = static_cast<const ACE_HEADER*>(ace);
      if (header->AceFlags & INHERIT_ONLY_ACE) continue;  // for what is made below it, not itself
      if (header->AceType == ACCESS_DENIED_ACE_TYPE || header->AceType == SYSTEM_AUDIT_ACE_TYPE ||
          header->AceType == SYSTEM_ALARM_ACE_TYPE || header->AceType > ACCESS_MAX_MS_V5_ACE_TYPE)
        continue;  // grants nothing
      if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
        return TrustVerdict{false, text + ": its access list holds an entry this check cannot read"};
      const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
      const SidBytes grantee = CopyOf(const_cast<DWORD*>(&allowed->SidStart));
      if ((allowed->Mask & changes) && !IsCreatorAuthority(grantee) && !IsTrusted(grantee))
        return TrustVerdict{false, text + ": another account may change it"};
    }
    return TrustVerdict{};
  }

private:
  CTrustRule() {
    const ISecurityFacts& facts = Facts();
    m_trusted = {AdministratorsSid(), SystemSid(), TrustedInstallerSid(), facts.RunningAccount()};
    // Before Windows Vista a Power User can make itself an administrator; since, it is a user.
    if (!HasElevatedTokens()) m_trusted.push_back(PowerUsersSid());
    m_machineDomain = facts.MachineDomain();
    // A system whose own folder's security cannot be read cannot be judged: nothing is trusted.
    const std::wstring system = SystemFolder();
    std::vector<BYTE> descriptor;
    if (!system.empty() && facts.VolumeKeepsSecurity(system) && !facts.DescriptorOf(nullptr, system, descriptor)) {
      m_failedClosed = AnsiFromWide(system) + ": its security cannot be read, so nothing is judged safe";
      ReportStep(m_failedClosed);
    }
  }

  // The members of the local Administrators group, asked once and only when an account is not
  // known otherwise: the question loads the network library and, on a domain, asks the network.
  const std::vector<SidBytes>& AdministratorsMembers() const {
    CCriticalSectionLock hold(m_membersLock);
    if (!m_membersAsked) {
      m_members = Facts().AdministratorsMembers();
      m_membersAsked = true;
    }
    return m_members;
  }

  std::vector<SidBytes> m_trusted;
  SidBytes m_machineDomain;
  std::string m_failedClosed;
  mutable CCriticalSection m_membersLock;
  mutable std::vector<SidBytes> m_members;
  mutable bool m_membersAsked = false;
};

// Windows 95, 98 and Me have no security: what is found is taken as it is.
bool NothingToJudge() { return !HasNtCalls() || !Security().Available(); }

// What the rule says of an object before its security is read: nothing to judge where there is no
// security, on this system or on the object's volume (FAT); refused when the rule cannot judge;
// empty (judge it) otherwise.
bool JudgedBeforeReading(const std::wstring& path, TrustVerdict& verdict) {
  if (NothingToJudge() || !Facts().VolumeKeepsSecurity(path)) {
    verdict = TrustVerdict{};
    return true;
  }
  const std::string& failed = CTrustRule::Instance().FailedClosed();
  if (failed.empty()) return false;
  verdict = TrustVerdict{false, failed};
  return true;
}

// Judges way[0] with the first rights, way[1] with the second, every further folder with the
// third; a drive root above the folder by its owner alone unless rootInFull.
TrustVerdict JudgeWay(const std::vector<HeldObject>& way, ACCESS_MASK forObject, ACCESS_MASK forFolder,
                      ACCESS_MASK forAbove, bool rootInFull) {
  TrustVerdict early;
  if (way.empty() || JudgedBeforeReading(way.front().path, early)) return early;
  const CTrustRule& rule = CTrustRule::Instance();
  for (size_t step = 0; step < way.size(); ++step) {
    if (step == 0 && forObject == 0) continue;
    const ACCESS_MASK changes = step == 0 ? forObject : step == 1 ? forFolder : forAbove;
    const bool rootAbove = step >= 2 && !rootInFull && FolderAbove(way[step].path).empty();
    const TrustVerdict verdict = rule.JudgeOne(way[step], rootAbove ? 0 : changes);
    if (!verdict.trusted) return verdict;
  }
  return TrustVerdict{};
}

}  // namespace

TrustVerdict JudgeHeld(const std::vector<HeldObject>& way, FileUse use) {
  return JudgeWay(way, kChangesTheFile, use == FileUse::Run ? kChangesItsFolder : kReplacesInItsFolder,
                  kChangesAFolderOnTheWay, false);
}

TrustVerdict JudgeWorkingFolder(const std::wstring& folder) {
  TrustVerdict early;
  if (JudgedBeforeReading(folder, early)) return early;
  const ScopedHandle opened = CreateFileNamed(folder, FILE_READ_ATTRIBUTES | READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  if (!opened.IsValid()) return TrustVerdict{false, AnsiFromWide(folder) + ": it cannot be opened"};
  return CTrustRule::Instance().JudgeOne(HeldObject{folder, opened.Get()},
                                         FILE_ADD_FILE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL);
}

TrustVerdict JudgeForTheRestart(const std::wstring& real, bool folder) {
  // Nothing is held until the restart: each object is read by its path.
  std::vector<HeldObject> way;
  for (std::wstring at = real; !at.empty(); at = FolderAbove(at)) way.push_back(HeldObject{at, nullptr});
  return JudgeWay(way, folder ? kChangesItsFolder : kChangesTheFile, kChangesItsFolder, kChangesAFolderOnTheWay, true);
}

TrustVerdict JudgeKey(HKEY key, const std::string& text) {
  if (NothingToJudge()) return TrustVerdict{};
  const std::string& failed = CTrustRule::Instance().FailedClosed();
  if (!failed.empty()) return TrustVerdict{false, failed};
  std::vector<BYTE> descriptor;
  if (!Facts().KeyDescriptorOf(key, text, descriptor)) return TrustVerdict{false, text + ": its security cannot be read"};
  constexpr ACCESS_MASK kChangesTheKey = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC |
                                         WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  return CTrustRule::Instance().JudgeDescriptor(descriptor, text, kChangesTheKey);
}

bool ISecurityFacts::KeyDescriptorOf(HKEY key, const std::string&, std::vector<BYTE>& descriptor) const {
  using GetKeySecurityFn = LONG(WINAPI*)(HKEY, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, LPDWORD);
  static const auto getKeySecurity = SystemFunctionAs<GetKeySecurityFn>("advapi32.dll", "RegGetKeySecurity");
  const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD needed = 0;
  if (!getKeySecurity || getKeySecurity(key, wanted, nullptr, &needed) != ERROR_INSUFFICIENT_BUFFER || !needed)
    return false;
  descriptor.assign(needed, 0);
  return getKeySecurity(key, wanted, descriptor.data(), &needed) == ERROR_SUCCESS;
}

bool IsTrustedAccount(const SidBytes& sid) { return !HasNtCalls() || CTrustRule::Instance().IsTrusted(sid); }

void UseSecurityFactsForTests(const ISecurityFacts* facts) { g_testFacts = facts; }
