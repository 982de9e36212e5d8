#include "cleanup/path_rule.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "framework/handles.h"

namespace {

// Every folder the shell names: each is protected as itself (what lies below it may be the
// client's, such as its group below the Start menu or its data below the application data).
const int kShellFolderIds[] = {
    CSIDL_DESKTOP, CSIDL_PROGRAMS, CSIDL_PERSONAL, CSIDL_FAVORITES, CSIDL_STARTUP, CSIDL_RECENT, CSIDL_SENDTO,
    CSIDL_STARTMENU, CSIDL_MYMUSIC, CSIDL_MYVIDEO, CSIDL_DESKTOPDIRECTORY, CSIDL_NETHOOD, CSIDL_FONTS,
    CSIDL_TEMPLATES, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTUP,
    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_APPDATA, CSIDL_PRINTHOOD, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_FAVORITES,
    CSIDL_INTERNET_CACHE, CSIDL_COOKIES, CSIDL_HISTORY, CSIDL_COMMON_APPDATA, CSIDL_WINDOWS, CSIDL_SYSTEM,
    CSIDL_PROGRAM_FILES, CSIDL_MYPICTURES, CSIDL_PROFILE, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILESX86,
    CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_COMMON_TEMPLATES, CSIDL_COMMON_DOCUMENTS,
    CSIDL_COMMON_ADMINTOOLS, CSIDL_ADMINTOOLS, CSIDL_COMMON_MUSIC, CSIDL_COMMON_PICTURES, CSIDL_COMMON_VIDEO,
    CSIDL_RESOURCES, CSIDL_CDBURN_AREA};

// Environment variables and registry values that name Program Files folders and profiles; under
// WoW64 the 64-bit Program Files is named only here.
const char* const kFolderVariables[] = {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "CommonProgramFiles",
                                        "CommonProgramFiles(x86)", "CommonProgramW6432", "USERPROFILE",
                                        "ALLUSERSPROFILE", "PUBLIC", "ProgramData", "SystemRoot", "windir"};
const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char* const kCurrentVersionValues[] = {"ProgramFilesDir", "ProgramFilesDir (x86)", "ProgramW6432Dir",
                                             "CommonFilesDir", "CommonFilesDir (x86)", "CommonW6432Dir"};
const char kProfileListKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

std::string ExpandedString(HKEY key, const char* name) {
  char value[MAX_PATH] = {};
  DWORD size = sizeof(value) - 1;
  DWORD type = 0;
  if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::string();
  char expanded[MAX_PATH] = {};
  const DWORD length = ::ExpandEnvironmentStringsA(value, expanded, sizeof(expanded));
  return length > 0 && length <= sizeof(expanded) ? expanded : value;
}

// The folders named below HKLM\keyPath in both registry views (the 64-bit one exists only
// under WoW64; elsewhere the flag is ignored or the open fails harmlessly).
void AddRegistryFolders(const char* keyPath, const char* const* names, size_t count, std::vector<std::string>& out) {
  for (REGSAM view : {static_cast<REGSAM>(0), static_cast<REGSAM>(KEY_WOW64_64KEY)}) {
    ScopedRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ | view) != ERROR_SUCCESS) continue;
    for (size_t i = 0; i < count; ++i) out.push_back(ExpandedString(key.Get(), names[i]));
  }
}

// The profiles folder and the root of every profile the system lists.
void AddProfiles(std::vector<std::string>& out) {
  ScopedRegKey list;
  if (list.Open(HKEY_LOCAL_MACHINE, kProfileListKey) != ERROR_SUCCESS) return;
  for (const char* name : {"ProfilesDirectory", "AllUsersProfile", "DefaultUserProfile", "Public", "ProgramData"})
    out.push_back(ExpandedString(list.Get(), name));
  char sid[256];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof(sid);
    if (::RegEnumKeyExA(list.Get(), i, sid, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    ScopedRegKey profile;
    if (profile.Open(list.Get(), sid) != ERROR_SUCCESS) continue;
    out.push_back(ExpandedString(profile.Get(), "ProfileImagePath"));
  }
}

// The parent of a canonical folder (empty for a root).
std::string ParentOf(const std::string& canonical) {
  const size_t root = PathRootLength(canonical);
  const size_t slash = canonical.find_last_of('\\');
  if (root == 0 || slash == std::string::npos || slash < root) return std::string();
  return slash == root - 1 ? canonical.substr(0, root) : canonical.substr(0, slash);
}

}  // namespace

CPathRule CPathRule::ForThisSystem() {
  CPathRule rule{ProtectedFolders()};
  char path[MAX_PATH];
  if (::GetWindowsDirectoryA(path, MAX_PATH)) rule.m_folders.withContents.push_back(rule.Folded(path));

  std::vector<std::string> named;
  std::string profile;
  for (int id : kShellFolderIds) {
    path[0] = '\0';
    if (FAILED(::SHGetFolderPathA(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path))) continue;
    named.emplace_back(path);
    if (id == CSIDL_PROFILE) profile = path;
  }
  if (::GetSystemDirectoryA(path, MAX_PATH)) named.emplace_back(path);
  for (const char* variable : kFolderVariables) {
    path[0] = '\0';
    const DWORD length = ::GetEnvironmentVariableA(variable, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) named.emplace_back(path);
  }
  AddRegistryFolders(kCurrentVersionKey, kCurrentVersionValues,
                     sizeof(kCurrentVersionValues) / sizeof(kCurrentVersionValues[0]), named);
  AddProfiles(named);
  for (const std::string& folder : named) {
    const std::string folded = rule.Folded(folder);
    if (folded.empty()) continue;
    rule.m_folders.themselves.push_back(folded);
  }
  // The folder that holds the current user's profile holds every profile.
  if (!profile.empty()) rule.m_folders.themselves.push_back(ParentOf(rule.Folded(profile)));
  return rule;
}

std::string CPathRule::Canonical(const std::string& path) const {
  const std::string text = CanonicalPathText(path);
  const size_t root = PathRootLength(text);
  if (root == 0) return std::string();
  // The long form of every step that exists, so a short name ("PROGRA~1") cannot pass for
  // another folder. Each step is looked up alone, and holds no wildcard by now.
  std::string canonical = text.substr(0, root);
  bool exists = true;
  for (const std::string& step : PathStepsBelowRoot(text)) {
    if (canonical.back() != '\\') canonical += '\\';
    std::string name = step;
    if (exists) {
      WIN32_FIND_DATAA found = {};
      ScopedFindHandle search(::FindFirstFileA((canonical + step).c_str(), &found));
      exists = search.IsValid();
      if (exists) name = found.cFileName;
    }
    canonical += name;
  }
  return canonical;
}

bool CPathRule::Allows(const std::string& path) const { return IsPathAllowed(Folded(path), m_folders); }

bool CPathRule::AllowsBelow(const std::string& path, const std::string& folder) const {
  const std::string folded = Folded(path);
  return IsPathAllowed(folded, m_folders) && IsPathBelow(folded, Folded(folder));
}

bool CPathRule::AllowsShortcut(const std::string& path) const {
  return HasShortcutExtension(Canonical(path)) && Allows(path);
}
