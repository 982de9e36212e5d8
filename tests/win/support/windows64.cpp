#include "support/windows64.h"

#include <cstdlib>
#include <cstring>

namespace test {

bool In64BitWindows() {
  const char* windows = std::getenv("UNINSTALL_TEST_WINDOWS");
  return windows && std::strcmp(windows, "64") == 0;
}

bool RunningUnderWow64() {
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

std::string ProgramFiles64() {
  char path[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableA("ProgramW6432", path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? path : "";
}

std::string SystemFolderOnDisk() {
  char system[MAX_PATH] = {};
  if (!RunningUnderWow64() || !::GetSystemWow64DirectoryA(system, MAX_PATH)) ::GetSystemDirectoryA(system, MAX_PATH);
  return system;
}

NativeFileView::NativeFileView() {
  if (RunningUnderWow64()) m_disabled = ::Wow64DisableWow64FsRedirection(&m_old) != FALSE;
}

NativeFileView::~NativeFileView() {
  if (m_disabled) ::Wow64RevertWow64FsRedirection(m_old);
}

OtherProductKey::OtherProductKey(const std::string& path, REGSAM view) : m_path(path), m_view(view) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
    return;
  const char text[] = "someone else's";
  ::RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof(text));
  ::RegCloseKey(key);
}

OtherProductKey::~OtherProductKey() {
  HKEY parent = nullptr;
  const size_t slash = m_path.rfind('\\');
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_path.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS | m_view, &parent) !=
      ERROR_SUCCESS)
    return;
  // The key has no subkeys. RegDeleteKeyExA, the call that names the view, is looked up: the
  // headers are those of Windows XP, which lacks it.
  using DeleteInView = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
  const auto deleteInView = reinterpret_cast<DeleteInView>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("advapi32.dll"), "RegDeleteKeyExA")));
  if (deleteInView) deleteInView(parent, m_path.substr(slash + 1).c_str(), m_view, 0);
  ::RegCloseKey(parent);
}

bool OtherProductKey::Exists() const {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, m_path.c_str(), 0, KEY_READ | m_view, &key) != ERROR_SUCCESS) return false;
  char value[64] = {};
  DWORD size = sizeof(value);
  const bool intact = ::RegQueryValueExA(key, "DisplayName", nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                                         &size) == ERROR_SUCCESS &&
                      std::strcmp(value, "someone else's") == 0;
  ::RegCloseKey(key);
  return intact;
}

}  // namespace test
