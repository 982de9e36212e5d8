#include "cleanup/trust/path_rule.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <vector>

#include "cleanup/report/run_report.h"
#include "framework/handles.h"
#include "framework/native_files.h"
#include "framework/shell_folders.h"
#include "framework/wide_text.h"
#include "language/mbcs.h"

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

// The shell folders of the system itself rather than of its users: never an opening below the
// Windows folder, and nothing below them is any user's.
const int kSystemFolderIds[] = {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_FONTS, CSIDL_RESOURCES};
const int kProgramFilesIds[] = {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
                                CSIDL_PROGRAM_FILES_COMMONX86};

bool IsOneOf(int id, const int* ids, size_t count) { return std::find(ids, ids + count, id) != ids + count; }

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
  const size_t root = AnsiRootLength(canonical);
  const size_t slash = MbFindLast(canonical.c_str(), '\\');
  if (root == 0 || slash == std::string::npos || slash + 1 < root || canonical.size() <= root) return std::string();
  return slash == root - 1 ? canonical.substr(0, root) : canonical.substr(0, slash);
}

bool Contains(const std::vector<FileId>& ids, const FileId& id) {
  return id.Known() && std::find(ids.begin(), ids.end(), id) != ids.end();
}

// The final path of an open file or folder as text of the system code page: false when the system
// cannot tell it (before Windows Vista); empty text when it has no exact form in the code page
// (never a best-fit look-alike, which could name another folder).
bool FinalTextOf(HANDLE handle, std::string& text) {
  const std::wstring final = FinalPathOf(handle);
  if (final.empty()) return false;
  bool exact = false;
  text = AnsiFromWide(final, &exact);
  if (!exact) text.clear();
  return true;
}

// The real place of an open folder or file: its final path, or (before Windows Vista, where the
// system cannot tell) the text it was opened by; empty when it has no exact form as text.
std::string RealPathOf(HANDLE handle, const std::string& openedAs) {
  std::string final;
  return FinalTextOf(handle, final) ? final : openedAs;
}

// Whether a step of a canonical path, the last included, is a link: where the system cannot tell
// where a link leads, a path through one cannot be judged.
bool PassesALink(const std::string& canonical) {
  for (std::string step = canonical; !step.empty(); step = ParentOf(step)) {
    const DWORD attributes = ::GetFileAttributesA(step.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  }
  return false;
}

// The folders named in any case, each taken once: most are named several times (by the shell,
// the environment and the registry, and again folded), and most share their parents.
class CFoldersSeen {
public:
  bool FirstTime(const std::string& folder) { return m_folded.insert(FoldedAnsi(folder)).second; }

private:
  std::set<std::string> m_folded;
};

// Adds the identities of the real folders above an open one (its parents by its final path),
// each parent once.
void AddRealParents(HANDLE folder, const std::string& openedAs, CFoldersSeen& parentsSeen, std::vector<FileId>& out) {
  for (std::string parent = ParentOf(RealPathOf(folder, openedAs)); !parent.empty(); parent = ParentOf(parent)) {
    if (!parentsSeen.FirstTime(parent)) break;  // so were the ones above it
    const FileId id = IdentityOfPath(parent);
    if (id.Known()) out.push_back(id);
  }
}

}  // namespace

CPathRule CPathRule::ForThisSystem() {
  CPathRule rule{ProtectedFolders()};
  std::map<std::string, std::string> stepsSeen;
  rule.m_stepsSeen = &stepsSeen;
  char path[MAX_PATH];
  if (::GetWindowsDirectoryA(path, MAX_PATH)) rule.m_folders.withContents.push_back(rule.Folded(path));

  // The users' folders (shell folders and profiles) may lie below the Windows folder, as on Windows
  // 95, 98, Me and NT 4.0; the system's own folders, below which nothing is a user's, too.
  std::vector<std::string> named, usersFolders, systemFolders;
  std::string profile;
  for (int id : kShellFolderIds) {
    const std::string folder = ShellFolderPath(id);
    if (folder.empty()) continue;
    named.push_back(folder);
    if (IsOneOf(id, kSystemFolderIds, sizeof(kSystemFolderIds) / sizeof(kSystemFolderIds[0])))
      systemFolders.push_back(folder);
    else if (!IsOneOf(id, kProgramFilesIds, sizeof(kProgramFilesIds) / sizeof(kProgramFilesIds[0])))
      usersFolders.push_back(folder);
    if (id == CSIDL_PROFILE) profile = folder;
  }
  if (::GetSystemDirectoryA(path, MAX_PATH)) {
    named.emplace_back(path);
    systemFolders.emplace_back(path);
  }
  for (const char* variable : kFolderVariables) {
    path[0] = '\0';
    const DWORD length = ::GetEnvironmentVariableA(variable, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) named.emplace_back(path);
  }
  AddRegistryFolders(kCurrentVersionKey, kCurrentVersionValues,
                     sizeof(kCurrentVersionValues) / sizeof(kCurrentVersionValues[0]), named);
  std::vector<std::string> profiles;
  AddProfiles(profiles);
  // The folder that holds the current user's profile holds every profile.
  if (!profile.empty()) profiles.push_back(ParentOf(rule.Canonical(profile)));
  named.insert(named.end(), profiles.begin(), profiles.end());
  usersFolders.insert(usersFolders.end(), profiles.begin(), profiles.end());
  for (const std::string& folder : named) {
    const std::string folded = rule.Folded(folder);
    if (folded.empty()) continue;
    rule.m_folders.themselves.push_back(folded);
  }
  rule.AddOpenings(usersFolders, systemFolders);

  // The same folders as objects, with every real folder above them, and each drive's root (a
  // drive letter may be mapped onto any folder). Where folders cannot be opened (Windows 95, 98
  // and Me, which have no links either) none is captured, and the text decides.
  for (const std::string& folder : rule.m_folders.withContents) {
    const FileId id = IdentityOfPath(folder);
    if (id.Known()) rule.m_withContentsIds.push_back(id);
  }
  for (const std::string& folder : rule.m_folders.openings) {
    const FileId id = IdentityOfPath(folder);
    if (id.Known()) rule.m_openingIds.push_back(id);
  }
  named.insert(named.end(), rule.m_folders.withContents.begin(), rule.m_folders.withContents.end());
  named.insert(named.end(), rule.m_folders.themselves.begin(), rule.m_folders.themselves.end());
  char drives[512] = {};
  const DWORD length = ::GetLogicalDriveStringsA(sizeof(drives) - 1, drives);
  for (const char* drive = drives; length < sizeof(drives) && *drive; drive += std::strlen(drive) + 1) {
    const UINT type = ::GetDriveTypeA(drive);
    if (type == DRIVE_FIXED || type == DRIVE_REMOTE || type == DRIVE_RAMDISK) named.emplace_back(drive);
  }
  CFoldersSeen foldersSeen, parentsSeen;
  for (const std::string& folder : named) {
    if (folder.empty() || !foldersSeen.FirstTime(folder)) continue;
    const ScopedHandle handle = OpenForIdentity(folder);
    FileId id;
    if (!handle.IsValid() || !IdentityOf(handle.Get(), id)) continue;
    rule.m_themselvesIds.push_back(id);
    AddRealParents(handle.Get(), rule.Canonical(folder), parentsSeen, rule.m_holderIds);
  }
  rule.m_stepsSeen = nullptr;
  return rule;
}

void CPathRule::AddOpenings(const std::vector<std::string>& usersFolders, const std::vector<std::string>& systemFolders) {
  // The system's own folders below the Windows folder (the system folder, the fonts, ...).
  std::vector<std::string> system;
  for (const std::string& folder : systemFolders) {
    const std::string folded = Folded(folder);
    if (!folded.empty() && std::find(m_folders.withContents.begin(), m_folders.withContents.end(), folded) ==
                               m_folders.withContents.end())
      system.push_back(folded);
  }
  for (const std::string& folder : usersFolders) {
    const std::string folded = Folded(folder);
    // Strictly below the Windows folder, and neither at, above nor below a folder of the system.
    bool below = false, clear = !folded.empty();
    for (const std::string& windows : m_folders.withContents) below = below || IsPathBelow(folded, windows);
    for (const std::string& part : system)
      clear = clear && folded != part && !IsPathBelow(folded, part) && !IsPathBelow(part, folded);
    if (below && clear) m_folders.openings.push_back(folded);
  }
}

std::string CPathRule::Canonical(const std::string& path) const {
  const std::string text = CanonicalPathText(path);
  const size_t root = AnsiRootLength(text);
  if (root == 0) return std::string();
  // The long form of every step that exists, so a short name ("PROGRA~1") cannot pass for
  // another folder. Each step is looked up alone, and holds no wildcard by now.
  std::string canonical = text.substr(0, root);
  bool exists = true;
  for (const std::string& step : PathStepsBelowRoot(text)) {
    if (canonical.back() != '\\') canonical += '\\';
    std::string name = step;
    if (exists) {
      const std::string key = m_stepsSeen ? FoldedAnsi(canonical + step) : std::string();
      const auto seen = m_stepsSeen ? m_stepsSeen->find(key) : std::map<std::string, std::string>::iterator();
      if (m_stepsSeen && seen != m_stepsSeen->end()) {
        exists = !seen->second.empty();
        if (exists) name = seen->second;
      } else {
        WIN32_FIND_DATAA found = {};
        ScopedFindHandle search(::FindFirstFileA((canonical + step).c_str(), &found));
        exists = search.IsValid();
        if (exists) name = found.cFileName;
        if (m_stepsSeen) (*m_stepsSeen)[key] = exists ? name : std::string();
      }
    }
    canonical += name;
  }
  return canonical;
}

std::string CPathRule::TextToOpen(const std::string& path) const {
  // Where the opened object's final path will give the long form of every step at once, the
  // steps are not looked up one by one (a search of each folder on the way).
  if (!JudgesObjects() || !nt::TellsFinalPaths()) return Canonical(path);
  std::string text = CanonicalPathText(path);
  if (AnsiRootLength(text) == 0) text.clear();
  return text;
}

FileId CPathRule::RealFolderIdentity(const std::string& real) const {
  const std::string key = FoldedAnsi(real);
  const auto known = m_realFolderIds.find(key);
  if (known != m_realFolderIds.end()) return known->second;
  return m_realFolderIds[key] = IdentityOfPath(real);
}

std::string CPathRule::Judge(const std::string& path) const {
  const std::string text = TextToOpen(path);
  if (!IsPathAllowed(FoldedAnsi(text), m_folders)) return std::string();
  if (!JudgesObjects()) return text;

  // What exists of the path, its deepest existing folder when the rest is not there (yet).
  std::string existing = text, rest;
  ScopedHandle handle = OpenForIdentity(existing);
  while (!handle.IsValid()) {
    // There but not to be opened: nothing tells what it is.
    if (::GetFileAttributesA(existing.c_str()) != INVALID_FILE_ATTRIBUTES) return std::string();
    const std::string parent = ParentOf(existing);
    if (parent.empty()) return text;  // nothing of it exists: there is nothing to remove
    rest = existing.substr(parent.size() + (parent.back() == '\\' ? 0 : 1)) + (rest.empty() ? "" : "\\" + rest);
    existing = parent;
    handle = OpenForIdentity(existing);
  }
  FileId id;
  if (!IdentityOf(handle.Get(), id)) return std::string();
  std::string real;
  if (!FinalTextOf(handle.Get(), real)) {
    if (PassesALink(existing)) return std::string();
    real = Canonical(existing);
  }
  if (real.empty()) return std::string();  // its real place has no exact name in the code page
  const std::string approved = rest.empty() ? real : (real.back() == '\\' ? real : real + "\\") + rest;
  // The real place as text: a root, the Windows folder and so on, however the path was spelt.
  if (!IsPathAllowed(FoldedAnsi(CanonicalPathText(approved)), m_folders)) return std::string();
  // The path itself a protected folder, or one that holds one.
  if (rest.empty() && (Contains(m_themselvesIds, id) || Contains(m_holderIds, id))) return std::string();
  // At or below the Windows folder, by the real folders above it, unless below a users' folder
  // that lies there. Of a path whose end is missing, the deepest folder there is one of those
  // above it: a shortcut gone from a desktop below the Windows folder is missing, not refused.
  if (Contains(m_withContentsIds, id)) return std::string();
  for (std::string parent = rest.empty() ? ParentOf(real) : real; !parent.empty(); parent = ParentOf(parent)) {
    const FileId parentId = RealFolderIdentity(parent);
    if (Contains(m_openingIds, parentId)) break;
    if (Contains(m_withContentsIds, parentId)) return std::string();
  }
  return approved;
}

std::string CPathRule::RealPlace(const std::string& folder) const {
  const std::string text = TextToOpen(folder);
  if (!JudgesObjects() || text.empty()) return text;
  const ScopedHandle handle = OpenForIdentity(text);
  std::string real;
  return handle.IsValid() && FinalTextOf(handle.Get(), real) ? real : Canonical(folder);
}

namespace {
ApprovedPath ReportedRefusal(const std::string& path) {
  if (!path.empty()) ReportRemoval(path, RemovalResult::Refused);
  return ApprovedPath();
}
}  // namespace

ApprovedPath CPathRule::Approve(const std::string& path) const {
  std::string approved = Judge(path);
  return approved.empty() ? ReportedRefusal(path) : ApprovedPath(std::move(approved));
}

ApprovedPath CPathRule::ApproveBelow(const std::string& path, const std::string& folder) const {
  std::string approved = Judge(path);
  if (approved.empty() || !IsPathBelow(FoldedAnsi(approved), FoldedAnsi(RealPlace(folder))))
    return ReportedRefusal(path);
  return ApprovedPath(std::move(approved));
}

ApprovedPath CPathRule::ApproveShortcut(const std::string& path) const {
  std::string approved = HasShortcutExtension(CanonicalPathText(path)) ? Judge(path) : std::string();
  if (approved.empty() || !HasShortcutExtension(approved)) return ReportedRefusal(path);
  return ApprovedPath(std::move(approved));
}
