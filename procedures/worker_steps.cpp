#include "procedures/worker_steps.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "app/shared_helpers.h"
#include "app/uninstall_app.h"
#include "cleanup/file_ops.h"
#include "cleanup/run_report.h"
#include "cleanup/setup_info.h"
#include "language/mbcs.h"

namespace {
const char* const kShortcutValues[] = {"lnk1", "lnk2", "lnk3", "lnk4", "lnk6", "lnk7", "lnk8", "lnk9"};
const char kBrowserFolderName[] = "PavoBrowser";

bool IsBrowserPath(const std::string& path) { return path.find(kBrowserFolderName) != std::string::npos; }

bool IsOwnCompanion(const std::string& path, const std::string& moduleDir) {
  for (const char* name : {"Language.xml", "Uninstall.bin"})
    if (::lstrcmpiA(path.c_str(), (moduleDir + "\\" + name).c_str()) == 0) return true;
  return false;
}

// Reads one setup-information value into a 256-byte buffer (at most 255 bytes); empty on failure.
bool ReadInfo(const char* name, std::string& value) {
  char buffer[256] = {};
  if (!ReadSetupInfoValue(name, buffer, 255)) {
    value.clear();
    return false;
  }
  value = buffer;
  return true;
}
}  // namespace

SetupInfo ReadSetupInfo() {
  SetupInfo info;
  info.hasSetupPath = ReadInfo("SetupPath", info.setupPath);
  for (const char* name : kShortcutValues) {
    std::string path;
    ReadInfo(name, path);
    info.shortcuts.push_back(path);
  }
  return info;
}

ClientNames ClientNamesFromPack(CLanguagePack& pack) {
  return ClientNames{pack.GetDefine("PROGRAM_FILENAME"), pack.GetDefine("PROGRAME_ENG_NAME"),
                     pack.GetDefine("PROGRAM_CLIENT_NAME"), pack.GetDefine("PROGRAM_NAME")};
}

bool MayEmptyInstallFolder(const SetupInfo& info, const CPathRule& rule) {
  if (!info.hasSetupPath) return false;
  if (rule.Allows(info.setupPath)) return true;
  ReportRemoval(info.setupPath, RemovalResult::Refused);
  return false;
}

void DeleteMainProgram(const std::string& folder, const CPathRule& rule) {
  const std::string path = folder + "\\" + GetUninstallApp().m_langPack.GetDefine("PROGRAM_FILENAME");
  if (!rule.AllowsBelow(path, folder)) {
    ReportRemoval(path, RemovalResult::Refused);
    return;
  }
  for (int attempt = 0; attempt < 10; ++attempt) {
    if (ForceDeleteFile(path.c_str())) return;
    ::Sleep(500);
  }
}

std::vector<std::string> DeleteFilesExceptBrowser(const std::vector<std::string>& files) {
  const std::string moduleDir = ModuleDir();
  std::vector<std::string> companions;
  // ForceDeleteFile resets the attributes itself (and never through a link).
  for (const std::string& file : files) {
    if (IsBrowserPath(file)) continue;
    if (IsOwnCompanion(file, moduleDir))
      companions.push_back(file);
    else
      ForceDeleteFile(file.c_str());
  }
  return companions;
}

void RemoveFoldersExceptBrowser(const std::string& folder) {
  std::vector<std::string> folders;
  ListFoldersInTree(folder, folders);
  for (const std::string& sub : folders)
    if (!IsBrowserPath(sub)) ForceRemoveDir(sub.c_str());
}

void DeleteSetupShortcuts(const SetupInfo& info, const CPathRule& rule) {
  for (const std::string& path : info.shortcuts) {
    if (rule.AllowsShortcut(path))
      ForceDeleteFile(path.c_str());
    else if (!path.empty())
      ReportRemoval(path, RemovalResult::Refused);
  }
}

void DeleteProgramShortcuts(std::initializer_list<int> folderIds, const CPathRule& rule) {
  const std::string programName = GetUninstallApp().m_langPack.GetDefine("PROGRAM_NAME");
  for (int id : folderIds) DeleteProgramShortcut(id, programName, rule);
}

std::string ShortcutTitle() {
  char title[256] = {};
  GetUninstallApp().m_langPack.GetText("uninstall", "other", "TEXT1", title, sizeof(title));
  return title;
}

namespace {
// Deletes a file below folder without telling the shell, when the rule allows it.
void DeleteQuietlyWhenAllowed(const std::string& path, const std::string& folder, const CPathRule& rule) {
  if (!rule.AllowsBelow(path, folder)) {
    ReportRemoval(path, RemovalResult::Refused);
    return;
  }
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  ReportRemovalOutcome(path, ::DeleteFileA(path.c_str()));
}
}  // namespace

void DeleteDesktopTitleShortcut(const std::string& title, const CPathRule& rule) {
  char desktop[MAX_PATH] = {};
  if (!::SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOP, FALSE)) return;
  const std::string path = std::string(desktop) + "\\" + title + ".lnk";
  DeleteQuietlyWhenAllowed(path, desktop, rule);
}

bool DeleteTitleShortcutBesideLnk2(const SetupInfo& info, const std::string& title, const CPathRule& rule) {
  std::string folder = info.Lnk2();
  std::replace(folder.begin(), folder.end(), '/', '\\');
  const size_t slash = MbFindLast(folder.c_str(), '\\');
  if (slash == static_cast<size_t>(-1)) return false;
  folder.resize(slash);
  const std::string path = folder + "\\" + title + ".lnk";
  DeleteQuietlyWhenAllowed(path, folder, rule);
  return true;
}

void RemoveLnk2Folder(const SetupInfo& info, const CPathRule& rule) {
  const size_t slash = MbFindLast(info.Lnk2().c_str(), '\\');
  if (slash == static_cast<size_t>(-1)) return;  // no folder: an empty path is never removed
  const std::string folder = info.Lnk2().substr(0, slash);
  if (rule.Allows(folder))
    ForceRemoveDir(folder.c_str());
  else
    ReportRemoval(folder, RemovalResult::Refused);
}
