#include "cleanup/steps/dead_shortcuts.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <set>

#include "cleanup/files/open_folder.h"
#include "cleanup/files/removal.h"
#include "cleanup/steps/shortcut_file.h"
#include "framework/file_names.h"
#include "framework/own_program.h"
#include "framework/path_text.h"
#include "framework/shell_folders.h"
#include "framework/wide_text.h"

namespace {

// Bounds of the search: shell folders are shallow, and a huge or looping tree is not searched on.
constexpr int kDepthLimit = 8;
constexpr size_t kEntryLimit = 20000;

// The target as a path: its "%VARIABLE%"s expanded (in the code page's text, which every Windows
// expands), "/" read as "\".
std::wstring PathOfTarget(const ShortcutTarget& target) {
  std::wstring path = target.wide.empty() ? WideFromAnsi(target.ansi) : target.wide;
  if (target.environment) {
    char expanded[MAX_PATH * 2] = {};
    const DWORD length = ::ExpandEnvironmentStringsA(AnsiFromWide(path).c_str(), expanded, sizeof(expanded));
    if (length == 0 || length > sizeof(expanded)) return std::wstring();
    path = WideFromAnsi(expanded);
  }
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

// What the shortcut file names, read through the handle its listing opened (never the shell's
// link object, whose handlers would run with these rights).
std::wstring TargetOfEntry(const COpenFolder& folder, const FolderEntry& entry, ShortcutKind kind) {
  const ScopedHandle file = folder.OpenFileToRead(entry);
  if (!file.IsValid()) return std::wstring();
  std::string bytes(kShortcutReadLimit, '\0');
  DWORD read = 0;
  if (!::ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr)) return std::wstring();
  bytes.resize(read);
  return PathOfTarget(TargetOfShortcut(kind, bytes));
}

class CShellFolderSearch {
public:
  CShellFolderSearch(const CDeadShortcutSweep& sweep, const CPathRule& rule)
      : m_sweep(sweep), m_rule(rule), m_ownProgram(FoldedAscii(OwnProgramPath())) {}

  void Search(const std::string& shellFolder, bool withSubFolders) {
    if (shellFolder.empty()) return;
    const std::unique_ptr<COpenFolder> folder = COpenFolder::Open(WideFromAnsi(shellFolder));
    if (folder) Search(*folder, shellFolder, withSubFolders ? kDepthLimit : 0);
  }

private:
  // Searches folder; true when this removed something in it.
  bool Search(const COpenFolder& folder, const std::string& shellFolder, int depthLeft) {
    if (!m_searched.insert(FoldedAscii(folder.RealPath())).second) return false;
    std::vector<FolderEntry> entries;
    if (!folder.List(entries)) return false;
    bool removedAny = false;
    for (const FolderEntry& entry : entries) {
      if (++m_entriesSeen > kEntryLimit) break;
      // A name without an exact form in the code page cannot be judged by the path rule: it stays.
      if (WideFromAnsi(AnsiFromWide(entry.name)) != entry.name) continue;
      if (entry.IsFolder()) {
        if (depthLeft == 0) continue;
        const std::unique_ptr<COpenFolder> inside = folder.OpenChild(entry, false);
        if (inside && Search(*inside, shellFolder, depthLeft - 1) && IsEmpty(*inside))
          removedAny |= RemoveWhenApproved(folder, entry, shellFolder);
        continue;
      }
      ShortcutKind kind;
      if (entry.IsDirectory() || !ShortcutKindOf(entry.name, kind)) continue;
      if (IsDead(TargetOfEntry(folder, entry, kind))) removedAny |= RemoveWhenApproved(folder, entry, shellFolder);
    }
    return removedAny;
  }

  // A target inside the installation that is gone, or the running uninstaller, which goes next.
  bool IsDead(const std::wstring& target) const {
    if (target.empty() || !m_sweep.LeadsInside(target)) return false;
    if (!m_ownProgram.empty() && FoldedAscii(WithoutTrailingSeparators(target)) == m_ownProgram) return true;
    return FileAttributesNamed(target) == INVALID_FILE_ATTRIBUTES &&
           (::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND);
  }

  static bool IsEmpty(const COpenFolder& folder) {
    std::vector<FolderEntry> entries;
    return folder.List(entries) && entries.empty();
  }

  bool RemoveWhenApproved(const COpenFolder& folder, const FolderEntry& entry, const std::string& shellFolder) {
    if (!m_rule.ApproveBelow(AnsiFromWide(folder.PathOf(entry.name)), shellFolder).IsApproved()) return false;
    const RemovalResult result = RemoveEntry(folder, entry, kRemoveOrQueue);
    return result == RemovalResult::Removed || result == RemovalResult::AtRestart;
  }

  const CDeadShortcutSweep& m_sweep;
  const CPathRule& m_rule;
  const std::wstring m_ownProgram;
  std::set<std::wstring> m_searched;  // real places, case-folded: a folder met twice is searched once
  size_t m_entriesSeen = 0;
};

// The Quick Launch bar's folder below a profile's application data.
std::string QuickLaunchFolder() {
  const std::string appData = ShellFolderPath(CSIDL_APPDATA);
  return appData.empty() ? appData : appData + "\\Microsoft\\Internet Explorer\\Quick Launch";
}

}  // namespace

CDeadShortcutSweep::CDeadShortcutSweep(const ApprovedPath& installFolder) {
  if (!installFolder.IsApproved()) return;
  m_spellings.push_back(FoldedAscii(WithoutTrailingSeparators(installFolder.Wide())));
  const std::wstring shortForm = ShortPathNamed(installFolder.Wide());
  if (!shortForm.empty() && FoldedAscii(WithoutTrailingSeparators(shortForm)) != m_spellings.front())
    m_spellings.push_back(FoldedAscii(WithoutTrailingSeparators(shortForm)));
}

bool CDeadShortcutSweep::LeadsInside(const std::wstring& target) const {
  const std::wstring folded = FoldedAscii(WithoutTrailingSeparators(target));
  for (const std::wstring& folder : m_spellings)
    if (folded.compare(0, folder.size(), folder) == 0 && (folded.size() == folder.size() || folded[folder.size()] == L'\\'))
      return true;
  return false;
}

void CDeadShortcutSweep::Run(const CPathRule& rule) const {
  if (m_spellings.empty()) return;
  CShellFolderSearch search(*this, rule);
  for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) search.Search(ShellFolderPath(csidl), false);
  for (int csidl : {CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, CSIDL_STARTUP,
                    CSIDL_COMMON_STARTUP})
    search.Search(ShellFolderPath(csidl), true);
  search.Search(QuickLaunchFolder(), true);
}
