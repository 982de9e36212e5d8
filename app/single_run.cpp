#include "app/single_run.h"

#include <vector>

#include "cleanup/trust/file_security.h"
#include "framework/capabilities.h"
#include "framework/native_files.h"
#include "framework/security_attributes.h"
#include "framework/system_library.h"

namespace {

const char kGuardName[] = "Mirel_Mini_Uninstall";
const wchar_t kNamespaceAlias[] = L"Mirel_Mini_Uninstall";
const wchar_t kNamespacedGuard[] = L"Mirel_Mini_Uninstall\\Guard";
const wchar_t kRootGuard[] = L"\\Mirel_Mini_Uninstall";

// The calls of private namespaces (Windows Vista on).
struct NamespaceCalls {
  using CreateBoundaryFn = HANDLE(WINAPI*)(LPCWSTR, ULONG);
  using AddSidFn = BOOL(WINAPI*)(HANDLE*, PSID);
  using DeleteBoundaryFn = VOID(WINAPI*)(HANDLE);
  using CreateNamespaceFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
  using OpenNamespaceFn = HANDLE(WINAPI*)(LPVOID, LPCWSTR);
  using CreateMutexWFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR);

  CreateBoundaryFn createBoundary = SystemFunctionAs<CreateBoundaryFn>("kernel32.dll", "CreateBoundaryDescriptorW");
  AddSidFn addSid = SystemFunctionAs<AddSidFn>("kernel32.dll", "AddSIDToBoundaryDescriptor");
  DeleteBoundaryFn deleteBoundary = SystemFunctionAs<DeleteBoundaryFn>("kernel32.dll", "DeleteBoundaryDescriptor");
  CreateNamespaceFn createNamespace = SystemFunctionAs<CreateNamespaceFn>("kernel32.dll", "CreatePrivateNamespaceW");
  OpenNamespaceFn openNamespace = SystemFunctionAs<OpenNamespaceFn>("kernel32.dll", "OpenPrivateNamespaceW");
  CreateMutexWFn createMutex = SystemFunctionAs<CreateMutexWFn>("kernel32.dll", "CreateMutexW");

  bool Available() const {
    return createBoundary && addSid && deleteBoundary && createNamespace && openNamespace && createMutex;
  }
};

// The owner of an object this run may read, as SID bytes; empty when it cannot be read.
SidBytes OwnerOf(HANDLE object) {
  using GetObjectSecurityFn = BOOL(WINAPI*)(HANDLE, SECURITY_INFORMATION, PSECURITY_DESCRIPTOR, DWORD, LPDWORD);
  using GetOwnerFn = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, PSID*, LPBOOL);
  const auto getSecurity = SystemFunctionAs<GetObjectSecurityFn>("advapi32.dll", "GetKernelObjectSecurity");
  const auto getOwner = SystemFunctionAs<GetOwnerFn>("advapi32.dll", "GetSecurityDescriptorOwner");
  if (!getSecurity || !getOwner) return SidBytes();
  DWORD needed = 0;
  getSecurity(object, OWNER_SECURITY_INFORMATION, nullptr, 0, &needed);
  std::vector<BYTE> descriptor(needed ? needed : 1);
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (!needed || !getSecurity(object, OWNER_SECURITY_INFORMATION, descriptor.data(), needed, &needed) ||
      !getOwner(descriptor.data(), &owner, &defaulted) || !owner)
    return SidBytes();
  const BYTE* bytes = static_cast<const BYTE*>(owner);
  return SidBytes(bytes, bytes + 8 + 4 * bytes[1]);
}

}  // namespace

CSingleRunGuard::~CSingleRunGuard() {
  if (m_held && m_mutex) ::ReleaseMutex(m_mutex);
  if (m_mutex) ::CloseHandle(m_mutex);
  // The namespace is closed, not destroyed: another run may still use it.
  using CloseNamespaceFn = BOOLEAN(WINAPI*)(HANDLE, ULONG);
  if (m_namespace) {
    if (const auto close = SystemFunctionAs<CloseNamespaceFn>("kernel32.dll", "ClosePrivateNamespace"))
      close(m_namespace, 0);
  }
}

bool CSingleRunGuard::CreateInPrivateNamespace() {
  if (!MayUse(Capability::PrivateNamespaces)) return false;
  const NamespaceCalls calls;
  HANDLE boundary = calls.Available() ? calls.createBoundary(kNamespaceAlias, 0) : nullptr;
  if (!boundary) {
    MarkMissing(Capability::PrivateNamespaces);
    return false;
  }
  // Only a token with the Administrators group enabled (an elevated administrator) may create or
  // open the namespace: nobody else can make its objects first.
  SidBytes administrators = AdministratorsSid();
  CAdministratorsOnly onlyAdministrators;
  if (calls.addSid(&boundary, administrators.data())) {
    m_namespace = calls.createNamespace(onlyAdministrators.Attributes(), boundary, kNamespaceAlias);
    if (!m_namespace && ::GetLastError() == ERROR_ALREADY_EXISTS)
      m_namespace = calls.openNamespace(boundary, kNamespaceAlias);
  }
  calls.deleteBoundary(boundary);
  if (!m_namespace) return false;
  m_mutex = calls.createMutex(onlyAdministrators.Attributes(), FALSE, kNamespacedGuard);
  return m_mutex != nullptr;
}

bool CSingleRunGuard::CreateInObjectRoot() {
  if (!nt::Calls().Available()) return false;
  using CreateMutantFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, BOOLEAN);
  const auto createMutant = SystemFunctionAs<CreateMutantFn>("ntdll.dll", "NtCreateMutant");
  if (!createMutant) return false;
  std::wstring name = kRootGuard;
  UNICODE_STRING unicode = {static_cast<USHORT>(name.size() * sizeof(WCHAR)),
                            static_cast<USHORT>(name.size() * sizeof(WCHAR)), &name[0]};
  // Owned by Administrators where the token may make it so, else by the token's own default owner.
  constexpr LONG kStatusInvalidOwner = static_cast<LONG>(0xC000005AL);
  constexpr ACCESS_MASK kMutantAllAccess = 0x001F0001;
  for (bool ownedByAdministrators : {true, false}) {
    CAdministratorsOnly onlyAdministrators(ownedByAdministrators);
    SECURITY_ATTRIBUTES* attributes = onlyAdministrators.Attributes();
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &unicode, OBJ_OPENIF, nullptr,
                               attributes ? attributes->lpSecurityDescriptor : nullptr);
    HANDLE mutant = nullptr;
    const LONG status = createMutant(&mutant, kMutantAllAccess, &object, FALSE);
    if (status >= 0) {
      m_mutex = mutant;
      return true;
    }
    if (status != kStatusInvalidOwner) break;
  }
  return false;
}

bool CSingleRunGuard::CreateByName() {
  // Per machine, across the users' sessions, where the system knows the "Global\" name space
  // (Windows 2000 and later); the older systems have one name space and take no "\" in a name.
  // Owned by Administrators, so another run knows it for an administrator's; a token that may not
  // make that group the owner makes it with its own default owner.
  CAdministratorsOnly ownedByAdministrators(true), onlyAdministrators;
  const std::string global = std::string("Global\\") + kGuardName;
  DWORD error = ERROR_SUCCESS;
  for (const char* name : {global.c_str(), kGuardName}) {
    m_mutex = ::CreateMutexA(ownedByAdministrators.Attributes(), FALSE, name);
    if (!m_mutex && ::GetLastError() == ERROR_INVALID_OWNER)
      m_mutex = ::CreateMutexA(onlyAdministrators.Attributes(), FALSE, name);
    error = ::GetLastError();
    if (m_mutex || (error != ERROR_PATH_NOT_FOUND && error != ERROR_INVALID_NAME && error != ERROR_BAD_PATHNAME))
      break;
  }
  // A mutex of that name that this run may not even open is no run's of this program (ours lets
  // Administrators and SYSTEM in): someone else made it first, and it guards nothing.
  if (!m_mutex) return true;
  // One that was there already counts as another run only when an administrator or SYSTEM made it:
  // an ordinary user could make it first and hold it to keep every uninstall from running.
  if (error == ERROR_ALREADY_EXISTS && !IsTrustedAccount(OwnerOf(m_mutex))) {
    ::CloseHandle(m_mutex);
    m_mutex = nullptr;
  }
  return true;
}

bool CSingleRunGuard::Acquire() {
  if (m_held) return true;
  if (!m_mutex && !CreateInPrivateNamespace() && !CreateInObjectRoot()) {
    if (!CreateByName()) return false;
  }
  if (!m_mutex) {
    m_held = true;  // nothing to hold, and no other run could hold it either
    return true;
  }
  const DWORD wait = ::WaitForSingleObject(m_mutex, 0);
  m_held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  return m_held;
}
