#include "support/test_support.h"

#include <shlwapi.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

#include "cleanup/trust/judged_file.h"
#include "cleanup/trust/path_rule.h"
#include "framework/wide_text.h"
#include "support/security_table.h"
#include "support/fallbacks.h"

namespace test {

namespace {
// A test program run with UNINSTALL_TEST_FALLBACKS takes the product's older routes throughout.
class FallbackEnvironment : public ::testing::Environment {
public:
  void SetUp() override {
    const std::string fallbacks = SwitchOffCapabilitiesNamedInEnvironment();
    if (!fallbacks.empty()) std::printf("capabilities switched off: %s\n", fallbacks.c_str());
  }
};
::testing::Environment* const g_fallbacks = ::testing::AddGlobalTestEnvironment(new FallbackEnvironment);
}  // namespace

std::string ExeDir() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir = path;
  return dir.substr(0, dir.rfind('\\'));
}

std::string SampleClientDir() {
  const std::string bin = ExeDir();
  return bin.substr(0, bin.rfind('\\')) + "\\sample-client";
}

std::string ProductDir() { return ExeDir(); }

ApprovedPath ApprovedByTheRule(const std::string& path) {
  static const CPathRule rule = CPathRule::ForThisSystem();
  return rule.Approve(path);
}

namespace {
std::atomic<unsigned> g_counter{0};

std::string UniqueName(const char* prefix) {
  char name[96];
  std::snprintf(name, sizeof(name), "%s%lu_%lu_%u", prefix, ::GetCurrentProcessId(),
                ::GetTickCount(), g_counter++);
  return name;
}
}  // namespace

TempDir::TempDir() {
  char tmp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, tmp);
  m_path = std::string(tmp) + UniqueName("uninst_");
  if (!m_path.empty() && m_path.back() == '\\') m_path.pop_back();
  ::CreateDirectoryA(m_path.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(m_path); }

TempRegKey::TempRegKey() : m_path("SOFTWARE\\UninstallTests\\" + UniqueName("k")) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) == ERROR_SUCCESS)
    ::RegCloseKey(key);
}

TempRegKey::~TempRegKey() { DeleteKeyTree(HKEY_LOCAL_MACHINE, m_path); }

bool DeleteKeyTree(HKEY root, const std::string& path) {
  ::SHDeleteKeyA(root, path.c_str());
  return !KeyExists(root, path);
}

bool KeyExists(HKEY root, const std::string& path) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

bool ReadRegString(HKEY root, const std::string& path, const char* name, std::string& value) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD size = 0, type = 0;
  LONG rc = ::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  std::vector<char> buf(size + 1, '\0');
  if (rc == ERROR_SUCCESS)
    rc = ::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &size);
  ::RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return false;
  value.assign(buf.data(), size);
  if (!value.empty() && value.back() == '\0') value.pop_back();
  return true;
}

bool WriteRegString(HKEY root, const std::string& path, const char* name, const std::string& value) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
    return false;
  LONG rc = ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1));
  ::RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool WriteWideNamedFile(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = ::WriteFile(file, "x", 1, &written, nullptr) && written == 1;
  ::CloseHandle(file);
  return ok;
}

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes.clear();
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) bytes.append(buf, n);
  std::fclose(f);
  return true;
}

bool FileExists(const std::string& path) {
  return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& path) {
  if (path.size() < 4) return;  // never a drive root
  WIN32_FIND_DATAA fd;
  HANDLE h = ::FindFirstFileA((path + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = fd.cFileName;
      if (name == "." || name == "..") continue;
      const std::string full = path + "\\" + name;
      ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(full);
      else
        ::DeleteFileA(full.c_str());
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
  }
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryA(path.c_str());
}

namespace {

// Starts a command line with its standard handles on output (when given) and waits for it.
long RunWithOutput(const std::string& commandLine, HANDLE output, DWORD timeoutMs, const std::string& workDir) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  if (output) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = output;
    si.hStdError = output;
  }
  PROCESS_INFORMATION pi = {};
  std::vector<char> cmd(commandLine.begin(), commandLine.end());
  cmd.push_back('\0');
  if (!::CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, output ? TRUE : FALSE, 0, nullptr,
                        workDir.empty() ? nullptr : workDir.c_str(), &si, &pi))
    return -1;
  long result = -1;
  if (::WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0) {
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    result = static_cast<long>(code);
  } else {
    ::TerminateProcess(pi.hProcess, 1);
    ::WaitForSingleObject(pi.hProcess, 10000);
  }
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return result;
}

}  // namespace

long RunAndWait(const std::string& commandLine, DWORD timeoutMs, const std::string& workDir) {
  return RunWithOutput(commandLine, nullptr, timeoutMs, workDir);
}

long RunAndCapture(const std::string& commandLine, std::string& output, DWORD timeoutMs,
                   const std::string& workDir) {
  output.clear();
  TempDir dir;
  const std::string file = dir / "output.txt";
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  HANDLE out = ::CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) {
    output = "cannot create " + file + ": error " + std::to_string(::GetLastError());
    return -1;
  }
  const long result = RunWithOutput(commandLine, out, timeoutMs, workDir);
  const DWORD startError = ::GetLastError();
  ::CloseHandle(out);
  ReadFileBytes(file, output);
  // A run that did not end or did not start says so, or the caller sees only -1.
  if (result == -1) output += "\n(not started or not ended in " + std::to_string(timeoutMs) + " ms: error " +
                              std::to_string(startError) + ")";
  return result;
}

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (cond()) return true;
    if (::GetTickCount() - start >= timeoutMs) return cond();
    ::Sleep(20);
  }
}

void SetWineVersionFor(const std::string& exeName, const std::string& version) {
  const std::string key = "Software\\Wine\\AppDefaults\\" + exeName;
  if (version.empty()) {
    HKEY k = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
      ::RegDeleteValueA(k, "Version");
      ::RegCloseKey(k);
    }
    return;
  }
  WriteRegString(HKEY_CURRENT_USER, key, "Version", version);
}

void SetWineNativeFirstFor(const std::string& exeName, const std::vector<std::string>& libraries) {
  const std::string key = "Software\\Wine\\AppDefaults\\" + exeName + "\\DllOverrides";
  if (libraries.empty()) {
    DeleteKeyTree(HKEY_CURRENT_USER, key);
    return;
  }
  for (const std::string& library : libraries)
    WriteRegString(HKEY_CURRENT_USER, key, library.substr(0, library.rfind('.')).c_str(), "native,builtin");
}

}  // namespace test

namespace test {

namespace {
// Wine's own export that names the Unix file behind a Windows path.
std::string UnixPathOf(const std::string& path) {
  using UnixFileNameFn = char*(CDECL*)(const WCHAR*);
  const auto unixName = reinterpret_cast<UnixFileNameFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) return std::string();
  std::wstring wide(path.size() + 1, L'\0');
  wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0],
                                                          static_cast<int>(wide.size()))));
  char* name = unixName(wide.c_str());
  if (!name) return std::string();
  const std::string result = name;
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}
}  // namespace

namespace {
// The same for a path of any characters, as UTF-16 (the Unix name is UTF-8).
std::wstring UnixPathOf(const std::wstring& path) {
  using UnixFileNameFn = char*(CDECL*)(const WCHAR*);
  const auto unixName = reinterpret_cast<UnixFileNameFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  char* name = unixName ? unixName(path.c_str()) : nullptr;
  if (!name) return std::wstring();
  std::wstring result(std::strlen(name) + 1, L'\0');
  result.resize(static_cast<size_t>(std::max(0, ::MultiByteToWideChar(CP_UTF8, 0, name, -1, &result[0],
                                                                         static_cast<int>(result.size())) - 1)));
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

// Starts a Unix tool with Unix paths of any characters.
bool StartUnixTool(std::wstring command) {
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  // Wine hands back no process for a Unix program: what the handle fields then hold is not ours to
  // close (closing it closed another handle of this process, such as its cached registry root).
  return ::CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, L"Z:\\", &si, &pi) != FALSE;
}
}  // namespace

namespace {
// Starts a Unix tool with Unix paths. Wine starts a Unix program named by its Unix path when the
// current folder lies on the drive that maps the Unix root; its process cannot be waited for, so
// callers poll for its effect.
bool StartUnixTool(std::string command) {
  STARTUPINFOA si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  // As above: the handle fields are not ours to close.
  return ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, "Z:\\", &si, &pi) != FALSE;
}

bool Exists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Whether the object's access list lets Everyone write to it: how Wine shows a Unix mode that
// others may write.
bool EveryoneMayWrite(const std::wstring& path) {
  DWORD needed = 0;
  ::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  std::vector<BYTE> descriptor(needed ? needed : 1);
  BOOL present = FALSE, defaulted = FALSE;
  PACL dacl = nullptr;
  if (!needed || !::GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed) ||
      !::GetSecurityDescriptorDacl(descriptor.data(), &present, &dacl, &defaulted))
    return false;
  if (!present || !dacl) return true;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return false;
  bool mayWrite = false;
  for (DWORD i = 0; i < dacl->AceCount && !mayWrite; ++i) {
    void* ace = nullptr;
    if (!::GetAce(dacl, i, &ace) || static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
    const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
    mayWrite = ::EqualSid(const_cast<DWORD*>(&allowed->SidStart), everyone) &&
               (allowed->Mask & (FILE_WRITE_DATA | FILE_APPEND_DATA | GENERIC_WRITE | GENERIC_ALL)) != 0;
  }
  ::FreeSid(everyone);
  return mayWrite;
}

}  // namespace

bool LetEveryoneChange(const std::string& path) {
  const std::string unix = UnixPathOf(path);
  // Done once the system reports another account that may change it.
  return !unix.empty() && StartUnixTool("/bin/chmod 777 \"" + unix + "\"") &&
         WaitUntil([&] { return EveryoneMayWrite(WideFromAnsi(path)); }, 10000);
}

bool LetEveryoneChange(const std::wstring& path) {
  const std::wstring unix = UnixPathOf(path);
  return !unix.empty() && StartUnixTool(L"/bin/chmod -R 777 \"" + unix + L"\"") &&
         WaitUntil([&] { return EveryoneMayWrite(path); }, 10000);
}

bool MakeUnixLink(const std::string& linkPath, const std::wstring& targetPath) {
  const std::wstring link = UnixPathOf(WideFromAnsi(linkPath)), target = UnixPathOf(targetPath);
  return !link.empty() && !target.empty() && StartUnixTool(L"/bin/ln -s \"" + target + L"\" \"" + link + L"\"") &&
         WaitUntil([&] { return Exists(linkPath); }, 10000);
}

bool RemoveUnixTree(const std::wstring& path) {
  const std::wstring unix = UnixPathOf(path);
  return !unix.empty() && StartUnixTool(L"/bin/rm -rf \"" + unix + L"\"") &&
         WaitUntil([&] { return ::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES; }, 10000);
}

bool LetOnlyItsOwnerChange(const std::string& path) {
  const std::string unix = UnixPathOf(path);
  return !unix.empty() && StartUnixTool("/bin/chmod go-w \"" + unix + "\"") &&
         WaitUntil([&] { return !EveryoneMayWrite(WideFromAnsi(path)); }, 10000);
}

bool MakeUnixLink(const std::string& linkPath, const std::string& targetPath) {
  const std::string link = UnixPathOf(linkPath), target = UnixPathOf(targetPath);
  return !link.empty() && !target.empty() && StartUnixTool("/bin/ln -s \"" + target + "\" \"" + link + "\"") &&
         WaitUntil([&] { return Exists(linkPath); }, 10000);
}

std::string ZDrivePathOf(const std::string& path) {
  std::string unix = UnixPathOf(path);
  if (unix.empty()) return std::string();
  // Wine names C: by its drive link; the step "c:" is no file name, its target "drive_c" is.
  const size_t drive = unix.find("/dosdevices/c:");
  if (drive != std::string::npos) unix.replace(drive, 14, "/drive_c");
  for (char& c : unix)
    if (c == '/') c = '\\';
  while (unix.size() > 1 && unix.back() == '\\') unix.pop_back();
  return "Z:" + unix;
}

bool MapDriveLetter(char letter, const std::string& targetPath) {
  std::string dosDevices = UnixPathOf("C:\\"), target = UnixPathOf(targetPath);
  while (!dosDevices.empty() && dosDevices.back() == '/') dosDevices.pop_back();
  dosDevices = dosDevices.substr(0, dosDevices.find_last_of('/') + 1);  // ".../dosdevices/c:" names C:
  const std::string drive = std::string(1, letter) + ":\\";
  return !target.empty() && dosDevices.size() > 12 &&
         StartUnixTool("/bin/ln -sfn \"" + target + "\" \"" + dosDevices + static_cast<char>(letter | 0x20) + ":\"") &&
         WaitUntil([&] { return Exists(drive); }, 10000);
}

bool UnmapDriveLetter(char letter) {
  std::string dosDevices = UnixPathOf("C:\\");
  while (!dosDevices.empty() && dosDevices.back() == '/') dosDevices.pop_back();
  dosDevices = dosDevices.substr(0, dosDevices.find_last_of('/') + 1);  // ".../dosdevices/c:" names C:
  const std::string drive = std::string(1, letter) + ":\\";
  return StartUnixTool("/bin/rm -f \"" + dosDevices + static_cast<char>(letter | 0x20) + ":\"") &&
         WaitUntil([&] { return !Exists(drive); }, 10000);
}

OtherRoutes::OtherRoutes(const std::string& target) : m_link("C:\\route-link") {
  RemoveUnixLink(m_link);
  m_made = MakeUnixLink(m_link, target) && MapDriveLetter(kDrive, target);
  m_zPath = ZDrivePathOf(target);
}

OtherRoutes::~OtherRoutes() {
  RemoveUnixLink(m_link);
  UnmapDriveLetter(kDrive);
}

bool RemoveUnixLink(const std::string& linkPath) {
  const std::string link = UnixPathOf(linkPath);
  return !link.empty() && StartUnixTool("/bin/rm -f \"" + link + "\"") &&
         WaitUntil([&] { return !Exists(linkPath); }, 10000);
}

ScopedHandle HoldRootMutex(const std::wstring& name) {
  using CreateMutantFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, BOOLEAN);
  const auto createMutant = reinterpret_cast<CreateMutantFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtCreateMutant")));
  std::wstring text = name;
  UNICODE_STRING unicode = {static_cast<USHORT>(text.size() * sizeof(WCHAR)),
                            static_cast<USHORT>(text.size() * sizeof(WCHAR)), &text[0]};
  OBJECT_ATTRIBUTES object;
  InitializeObjectAttributes(&object, &unicode, OBJ_OPENIF, nullptr, nullptr);
  HANDLE mutant = nullptr;
  if (!createMutant || createMutant(&mutant, 0x001F0001, &object, TRUE) < 0) return ScopedHandle();
  return ScopedHandle(mutant);
}

bool MakeRegistryLink(HKEY root, const std::string& path, const std::wstring& target) {
  HKEY link = nullptr;
  if (::RegCreateKeyExW(root, WideFromAnsi(path).c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr,
                        &link, nullptr) != ERROR_SUCCESS)
    return false;
  const bool made = ::RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target.data()),
                                     static_cast<DWORD>(target.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
  ::RegCloseKey(link);
  return made;
}

bool SetKeySecurity(HKEY root, const std::string& path, const std::string& sddl) {
  const std::vector<BYTE> descriptor = DescriptorFromSddl(WideFromAnsi(sddl));
  HKEY key = nullptr;
  if (descriptor.empty() || ::RegOpenKeyExA(root, path.c_str(), 0, WRITE_DAC | WRITE_OWNER, &key) != ERROR_SUCCESS)
    return false;
  const bool set = ::RegSetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                       const_cast<BYTE*>(descriptor.data())) == ERROR_SUCCESS;
  ::RegCloseKey(key);
  return set;
}

}  // namespace test
