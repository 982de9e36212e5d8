#include "cleanup/file_security.h"

#include <windows.h>

#include <vector>

#include "cleanup/file_identity.h"
#include "framework/security_attributes.h"
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

  GetFileSecurityFn getFileSecurity = SystemFunctionAs<GetFileSecurityFn>("advapi32.dll", "GetFileSecurityW");
  GetOwnerFn getOwner = SystemFunctionAs<GetOwnerFn>("advapi32.dll", "GetSecurityDescriptorOwner");
  GetDaclFn getDacl = SystemFunctionAs<GetDaclFn>("advapi32.dll", "GetSecurityDescriptorDacl");
  GetAceFn getAce = SystemFunctionAs<GetAceFn>("advapi32.dll", "GetAce");
  OpenProcessTokenFn openProcessToken = SystemFunctionAs<OpenProcessTokenFn>("advapi32.dll", "OpenProcessToken");
  GetTokenInformationFn getTokenInformation =
      SystemFunctionAs<GetTokenInformationFn>("advapi32.dll", "GetTokenInformation");

  bool Available() const {
    return (::GetVersion() & 0x80000000u) == 0 && getFileSecurity && getOwner && getDacl && getAce &&
           openProcessToken && getTokenInformation;
  }
};

const SecurityCalls& Security() {
  static const SecurityCalls calls;
  return calls;
}

using Sid = SidBytes;

// The bytes of a SID the system handed out (its length from its count of sub-authorities).
Sid CopyOf(PSID sid) {
  const BYTE* bytes = static_cast<const BYTE*>(sid);
  if (!bytes || bytes[0] != SID_REVISION || bytes[1] > SID_MAX_SUB_AUTHORITIES) return Sid();
  return Sid(bytes, bytes + 8 + 4 * bytes[1]);
}

// Administrators, SYSTEM, TrustedInstaller and the account this program runs as.
const std::vector<Sid>& TrustedAccounts() {
  static const std::vector<Sid> accounts = [] {
    std::vector<Sid> trusted = {AdministratorsSid(), SystemSid(), TrustedInstallerSid()};
    HANDLE token = nullptr;
    if (Security().openProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
      BYTE buffer[256] = {};
      DWORD size = 0;
      if (Security().getTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size))
        trusted.push_back(CopyOf(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid));
      ::CloseHandle(token);
    }
    return trusted;
  }();
  return accounts;
}

bool IsTrusted(PSID sid) {
  const Sid bytes = CopyOf(sid);
  for (const Sid& trusted : TrustedAccounts())
    if (!bytes.empty() && bytes == trusted) return true;
  return false;
}

// What lets someone change what runs: of the file itself, of the folder that holds it, and of a
// folder further up the way.
constexpr ACCESS_MASK kChangesTheFile =
    FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
constexpr ACCESS_MASK kChangesItsFolder = kChangesTheFile | FILE_DELETE_CHILD;
constexpr ACCESS_MASK kChangesAFolderOnTheWay = DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_ALL | FILE_DELETE_CHILD;

// Judges one file or folder's owner and DACL against the rights that would let others change it.
TrustVerdict JudgeOne(const std::wstring& path, ACCESS_MASK changes) {
  const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  DWORD needed = 0;
  Security().getFileSecurity(path.c_str(), wanted, nullptr, 0, &needed);
  std::vector<BYTE> descriptor(needed ? needed : 1);
  const std::string text = AnsiFromWide(path);
  if (!needed || !Security().getFileSecurity(path.c_str(), wanted, descriptor.data(), needed, &needed))
    return TrustVerdict{false, text + ": its security cannot be read"};
  PSID owner = nullptr;
  BOOL defaulted = FALSE, present = FALSE;
  PACL dacl = nullptr;
  if (!Security().getOwner(descriptor.data(), &owner, &defaulted) || !owner || !IsTrusted(owner))
    return TrustVerdict{false, text + ": its owner is not an administrator"};
  if (!Security().getDacl(descriptor.data(), &present, &dacl, &defaulted) || !present || !dacl)
    return TrustVerdict{false, text + ": it has no access list, so everyone may change it"};
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
    if ((allowed->Mask & changes) && !IsTrusted(const_cast<DWORD*>(&allowed->SidStart)))
      return TrustVerdict{false, text + ": another account may change it"};
  }
  return TrustVerdict{};
}

// The real place of path (links and mapped drives resolved where the system can tell), exactly.
std::wstring RealPlaceOf(const std::wstring& path) {
  const ScopedHandle handle = OpenForIdentity(AnsiFromWide(path));
  const std::string real = handle.IsValid() ? FinalPathOf(handle.Get()) : std::string();
  return real.empty() ? path : WideFromAnsi(real);
}

// The folder that holds path ("C:\" for "C:\x"); empty for a root.
std::wstring FolderAbove(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos || path.size() <= 3) return std::wstring();
  return slash == 2 ? path.substr(0, 3) : path.substr(0, slash);
}

// Judges path with the first mask, its folder with the second, every folder above with the third.
TrustVerdict JudgeChain(const std::wstring& path, ACCESS_MASK forPath, ACCESS_MASK forFolder, ACCESS_MASK forAbove) {
  if (!Security().Available()) return TrustVerdict{};
  std::wstring at = RealPlaceOf(path);
  ACCESS_MASK changes = forPath;
  for (int step = 0; !at.empty(); ++step, at = FolderAbove(at)) {
    if (changes) {
      const TrustVerdict verdict = JudgeOne(at, changes);
      if (!verdict.trusted) return verdict;
    }
    changes = step == 0 ? forFolder : forAbove;
  }
  return TrustVerdict{};
}

}  // namespace

TrustVerdict JudgeWhoCanChange(const std::string& path) {
  return JudgeChain(WideFromAnsi(path), kChangesTheFile, kChangesItsFolder, kChangesAFolderOnTheWay);
}

TrustVerdict JudgeFoldersAboveForTheRestart(const std::wstring& path) {
  return JudgeChain(path, 0, kChangesItsFolder, kChangesAFolderOnTheWay);
}
