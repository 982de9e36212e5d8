#include <windows.h>

#include <string>
#include <vector>

#include "framework/handles.h"
#include "framework/native_files.h"

namespace {

// Only the Windows NT family has registry links, and takes the option that opens one as itself.
DWORD OpenLinkOption() { return nt::Calls().Available() ? REG_OPTION_OPEN_LINK : 0; }

// The steps of a key's path, split at "\\" by whole characters of the code page (a double-byte
// character's second byte may be that of "\\"); empty steps are dropped.
std::vector<std::string> StepsOf(const char* path) {
  std::vector<std::string> steps(1);
  for (const char* p = path ? path : ""; *p;) {
    const char* next = ::CharNextA(p);
    if (next == p + 1 && *p == '\\')
      steps.emplace_back();
    else
      steps.back().append(p, static_cast<size_t>(next - p));
    p = next;
  }
  std::vector<std::string> kept;
  for (std::string& step : steps)
    if (!step.empty()) kept.push_back(std::move(step));
  return kept;
}

// Opens the step below parent as itself; a link is refused. With create, a missing step is made.
LONG OpenStep(HKEY parent, const std::string& step, REGSAM access, bool create, HKEY& opened) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    LONG result = ::RegOpenKeyExA(parent, step.c_str(), OpenLinkOption(), access | KEY_QUERY_VALUE, &opened);
    if (result == ERROR_SUCCESS) {
      if (!IsRegistryLink(opened)) return ERROR_SUCCESS;
      ::RegCloseKey(opened);
      opened = nullptr;
      return ERROR_CANT_ACCESS_FILE;
    }
    if (result != ERROR_FILE_NOT_FOUND || !create) return result;
    DWORD disposition = 0;
    result = ::RegCreateKeyExA(parent, step.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access | KEY_QUERY_VALUE,
                               nullptr, &opened, &disposition);
    if (result != ERROR_SUCCESS || disposition == REG_CREATED_NEW_KEY) return result;
    // Made by someone else meanwhile: it is looked at as itself once more.
    ::RegCloseKey(opened);
    opened = nullptr;
  }
  return ERROR_CANT_ACCESS_FILE;
}

}  // namespace

bool IsRegistryLink(HKEY opened) {
  DWORD type = 0;
  return ::RegQueryValueExA(opened, "SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
         type == REG_LINK;
}

LONG ScopedRegKey::OpenWithoutLinks(HKEY root, const char* path, REGSAM access, bool create) {
  Close();
  // The view of a 64-bit Windows asked for holds for every step.
  const REGSAM view = access & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
  const std::vector<std::string> steps = StepsOf(path);
  HKEY at = root;
  bool own = false;
  LONG result = steps.empty() ? ::RegOpenKeyExA(root, nullptr, 0, access, &m_key) : ERROR_SUCCESS;
  for (size_t i = 0; i < steps.size() && result == ERROR_SUCCESS; ++i) {
    const bool last = i + 1 == steps.size();
    HKEY next = nullptr;
    result = OpenStep(at, steps[i], last ? access : view | KEY_ENUMERATE_SUB_KEYS | (create ? KEY_CREATE_SUB_KEY : 0),
                      create, next);
    if (own) ::RegCloseKey(at);
    at = next;
    own = true;
    if (last && result == ERROR_SUCCESS) m_key = next;
  }
  if (result != ERROR_SUCCESS && own && at) ::RegCloseKey(at);
  return result;
}
